// The uninstall entry: the installation in the system's list of installed programs,
// named after the program group and pointing at the uninstaller in the Windows folder.
#pragma once

#include <windows.h>

#include <string>

#include "winsys/change_layer.h"

namespace yv::install {

// Writes HKEY_LOCAL_MACHINE "SoftWare\Microsoft\Windows\CurrentVersion\Uninstall\<group>"
// with "UninstallString" (the Windows folder + "\" + `uninstaller`, in 256 bytes of
// zero-padded data as the narrow registry API sees it) and "DisplayName" (the group and
// its zero), and leaves the command in `command`. A key that cannot be created or a value
// that cannot be written is not reported. A group over 203 bytes or a command over 255
// bytes writes nothing: the "too long" message (owned by `owner`) names it, and the
// result is false.
bool WriteUninstallEntry(HWND owner, winsys::ChangeLayer& changes, const std::string& group,
                         const std::string& uninstaller, std::string& command);

}  // namespace yv::install
