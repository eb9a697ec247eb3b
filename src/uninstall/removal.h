// Reverses the records of a removal plan on this machine, one at a time, noting each one
// done in the log, so that a run stopped half-way can be finished by the next.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "install_log/change_recorder.h"
#include "install_log/place_rules.h"
#include "install_log/removal_plan.h"

namespace yv::uninstall {

// What the removal asks of its user.
class RemovalUi {
 public:
  virtual ~RemovalUi() = default;
  // One record is being reversed: the path or key it names.
  virtual void Step(const std::string& what) = 0;
  // The file at `path` is in use: true to try again, false to stop the removal.
  virtual bool RetryInUse(const std::string& path) = 0;
};

struct RemovalResult {
  bool removedSomething = false;
  bool cancelled = false;
  // What had to stay: paths and keys, and each installation folder still there.
  std::vector<std::string> remainders;
};

struct RemovalSite {
  install_log::Places places;
  std::vector<std::string> installDirs;  // the log's installation folders
  std::vector<std::string> ownFiles;     // the uninstaller and its log: removed last, elsewhere
  // The product's entry in the list of installed programs (UninstallEntryKey), or empty.
  std::string uninstallEntry;
};

// The key of the uninstall entry that the installation registers under `group`.
std::string UninstallEntryKey(const std::string& group);

// The installation folders of the log.
std::vector<std::string> InstallFolders(const std::vector<install_log::LogLine>& lines);

// Reverses `plan` in its order; each record reversed (or found reversed already) gets a
// DONE record through `log`.
RemovalResult RunRemoval(const std::vector<install_log::LogLine>& plan, const RemovalSite& site, RemovalUi& ui,
                         install_log::ChangeRecorder& log);

}  // namespace yv::uninstall
