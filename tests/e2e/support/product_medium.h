// A medium that really installs something: package archives and a packed file made by
// the project's own writer, component texts, "delete", "copy" and "directory" sections,
// an uninstaller name, and the stand-in program as the installed main program.
#pragma once

#include <string>

#include "support/medium.h"

namespace yv::e2e {

struct ProductMediumOptions {
  std::string installDir;                    // GBK; the description's default installation folder
  std::string mainProgram;                   // setup.ini "name"; its App Paths key is written on completion
  std::string programGroup;                  // GBK
  bool breakDataArchive = false;             // the archive of component 1 is cut short
  bool withMainProgram = true;               // dravk.exe among the installed files
  std::string systemFile;                    // when set: a driver file of that name that goes to "WINSYSDIR"
  std::string uninstaller = "dvuninst.exe";  // "uninst"
  // The real uninstaller in an archive for the Windows folder, shortcuts in the program
  // group and on the desktop, and a registry file to import.
  bool everyKind = false;
  int extraDataFiles = 0;  // more small files in the data archive, for a run that takes a while
};

// Writes the whole medium; false (reported) when a file cannot be written.
bool WriteProductMedium(const Medium& medium, const ProductMediumOptions& options);

// What the product's archives install, relative to the installation folder, with the
// content each file must have afterwards.
struct InstalledFile {
  const char* name;
  std::string content;
};
const std::vector<InstalledFile>& ProductFiles();

// The content of options.systemFile.
extern const char kSystemFileContent[];

// The stand-in program's bytes (started_marker.exe beside the tests).
std::string StandInProgram();

}  // namespace yv::e2e
