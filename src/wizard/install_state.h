// The one process-wide record of the installation: paths, names and choices, from
// start-up to the end of the program. Every part of the wizard reads and writes its
// fields directly. Texts are GBK; an empty text is an absent value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace yv::wizard {

struct InstallState {
  std::string SourceDir;   // installation medium folder, never with a trailing '\'
  std::string InstallDir;  // installation folder
  std::string UserName;
  std::string CompanyName;
  std::string DescFilePath;  // SourceDir + DescFileName
  std::string DescFileName;  // "\install.ini" or "\install6.ini"
  std::string MainProgram;   // file name of the installed main program
  std::string ProductName;
  bool FreshInstall = false;  // the installation folder holds no earlier installation
  bool UpgradeMode = false;   // unattended upgrade (a non-empty command line)
  std::string WizardTitle;
  std::string ProgramGroup;
  std::string UninstallProgram;
  int32_t PartCount = 0;                                 // never above 5
  int32_t CopyCount = 0;                                 // never above 5
  int32_t DeleteCount = 0;                               // never above 5
  std::optional<std::vector<std::string>> PartCaptions;  // owned; none until the components page
  std::array<bool, 5> PartSelected{};
  int32_t CardCount = 0;
  std::optional<std::vector<std::string>> CardList;  // owned; none until the completion page
};

// The record itself: exists before start-up and lives until the process ends.
extern InstallState gInstall;

}  // namespace yv::wizard
