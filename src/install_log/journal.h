// The journal of an installation run: where its staged and moved-aside files lie, what
// state a run is in after any record, and the plans that finish it one way or the other.
// docs/install-log.md lists the states a kill can leave and what recovery does with each.
//
// A run stages every new file beside its target, under the target's name and ".yv-new"
// (a file below a folder of section "delete" goes into that folder's new tree, the
// folder's name and ".yv-new", under its own name), and records each before it is made.
// A file that was not there, in a folder the run created, is written in its place (FILE
// HERE): nothing of the product is there to keep, and the undo deletes it like a staged
// one.
// COMMIT says every staged file is whole and on the disk. Then each earlier file is moved
// aside to its name and ".yv-old", the staged file moved in, and a replaced folder swapped
// for its new tree likewise; once all are in, the moved-aside ones go and END closes the
// run. A run without COMMIT, or with ABORT, is undone; one with COMMIT is completed.
#pragma once

#include <string>
#include <vector>

#include "install_log/log_file.h"

namespace yv::install_log {

inline constexpr char kStagedSuffix[] = ".yv-new";
inline constexpr char kBackupSuffix[] = ".yv-old";

std::string StagedNameOf(const std::string& path);
std::string BackupNameOf(const std::string& path);

// Where a run's new files and folders are made before the commit.
class StagingMap {
 public:
  StagingMap() = default;
  // From the GONE records of a run.
  explicit StagingMap(const std::vector<LogLine>& run);
  void AddReplacedFolder(const std::string& folder);
  // The replaced folder `path` lies in or is; nullptr when none.
  const std::string* ReplacedFolderOf(const std::string& path) const;
  // A file's staged place: inside its replaced folder's new tree, its target itself, or
  // beside it.
  std::string StagedFile(const Record& file) const;
  // A folder's place while staging: inside its replaced folder's new tree, or itself.
  std::string StagedFolder(const std::string& path) const;

 private:
  std::vector<std::string> replaced_;
};

enum class RunPhase {
  kNone,       // no run in the log
  kStaging,    // begun, not committed: undone
  kCommitted,  // COMMIT without END: completed
  kAborted,    // ABORT without END: undone
  kEnded,      // END: over
};

struct LastRun {
  RunPhase phase = RunPhase::kNone;
  std::vector<LogLine> records;  // from its RUN up to its END (or the log's end)
  std::vector<LogLine> after;    // records after its END (the last page's changes)
};
LastRun FindLastRun(const std::vector<LogLine>& lines);
// True when a run of the log went through (COMMIT without ABORT).
bool AnyRunWentThrough(const std::vector<LogLine>& lines);

// One action of a plan, carried out through the change layer's primitives.
enum class Action {
  kPublishFile,    // staged file in: the target aside first when there is one (none for a
                   // file written in place)
  kDropBackup,     // the moved-aside file goes
  kPublishFolder,  // a replaced folder aside, its new tree in (or gone when `keep` is false)
  kDropOldFolder,  // the moved-aside folder goes, whole
  kRestoreFile,    // a moved-aside file back; a file the run brought in removed
  kDropStaged,     // a staged file goes
  kRestoreFolder,  // a replaced folder back, its new tree gone
  kRemoveFolder,   // a folder the run created goes, when empty
  kRestoreValue,   // a registry value back to what it held
  kRemoveKey,      // a key the run created goes, when empty
};

struct PlanStep {
  Action action;
  Record record;      // the record the step finishes or undoes
  bool keep = false;  // kPublishFolder: the new tree holds something the run made
};

// The steps that complete a committed run (publish everything, then drop the backups),
// and those that undo a run in any phase (in reverse order of its records).
std::vector<PlanStep> PlanCompletion(const std::vector<LogLine>& run);
std::vector<PlanStep> PlanUndo(const std::vector<LogLine>& run);

struct Recovery {
  enum class Direction { kNothing, kUndo, kComplete, kTidy } direction = Direction::kNothing;
  std::vector<PlanStep> steps;
};
// What the next start does with the log's last run: a run without COMMIT or with ABORT
// is undone, a committed one completed; after an ended run, staged files that the last
// page's changes left are tidied away.
Recovery PlanRecovery(const std::vector<LogLine>& lines);

}  // namespace yv::install_log
