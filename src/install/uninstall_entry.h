// The uninstall entry: the installation in the system's list of installed programs,
// named after the program group and pointing at the uninstaller in the Windows folder.
#pragma once

#include <windows.h>

#include <string>

#include "winsys/change_layer.h"

namespace yv::install {

// What the entry says of the installation (GBK).
struct InstalledProduct {
  std::string group;        // the program group: the entry's key and display name
  std::string uninstaller;  // the uninstaller's file name in the Windows folder
  std::string installDir;   // the installation folder
  std::string mainProgram;  // the main program's file name in it
  std::string description;  // the setup description: [info] "version" and "publisher"
};

// Writes HKEY_LOCAL_MACHINE "SoftWare\Microsoft\Windows\CurrentVersion\Uninstall\<group>"
// with "UninstallString" (the Windows folder + "\" + uninstaller, in 256 bytes of
// zero-padded data as the narrow registry API sees it) and "DisplayName" (the group and
// its zero), and beside them what the system's list shows and offers of a program: its
// version, maker, icon, folder, date and size, a quiet uninstall command, and neither
// "modify" nor "repair". Every value goes through `changes`, recorded with what it held.
// Leaves the command in `command`. A key that cannot be created or a value that cannot be
// written is not reported. A group over 203 bytes or a command over 255 bytes writes
// nothing: the "too long" message (owned by `owner`) names it, and the result is false.
bool WriteUninstallEntry(HWND owner, winsys::ChangeLayer& changes, const InstalledProduct& product,
                         std::string& command);

}  // namespace yv::install
