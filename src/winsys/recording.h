// The points of change: each function records, through the recorder it is given (the
// change layer), the change that its caller is about to make, with the state before it.
// A recorder that keeps nothing costs nothing.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "install_log/change_recorder.h"
#include "install_log/log_record.h"

namespace yv::winsys {

// The registry view this program writes in, and the views the system's registry editor
// may write in: on 64-bit Windows imports use the 32-bit editor of the system folder when
// there is one and the 64-bit one of the Windows folder otherwise, so an import is
// recorded in both views (a view it did not touch gives records with nothing to undo).
install_log::View OwnView();
std::vector<install_log::View> RegistryEditorViews();
// KEY_WOW64_32KEY or KEY_WOW64_64KEY (ignored by 32-bit Windows).
REGSAM ViewAccess(install_log::View view);
// "HKEY_LOCAL_MACHINE" and the other roots by their full names; the other way round.
std::string RootName(HKEY root);
std::optional<HKEY> RootOf(const std::string& name);

// A shortcut file about to be saved.
void RecordShortcut(install_log::ChangeRecorder& log, const std::string& path);
// A key about to be created with its parents: each level that does not exist yet.
void RecordKeyCreate(install_log::ChangeRecorder& log, HKEY root, const std::string& path, install_log::View view);
// A value about to be set or deleted, with what it holds now.
void RecordValueChange(install_log::ChangeRecorder& log, HKEY root, const std::string& key, const std::string& name,
                       install_log::View view);
// A registry file about to be imported by the registry editor: every key and value it
// sets or deletes, read from the file now. A file that is no registry file records nothing.
void RecordRegistryImport(install_log::ChangeRecorder& log, const std::string& path);

}  // namespace yv::winsys
