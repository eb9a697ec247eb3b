#include "install/old_folders.h"

#include "install/install_texts.h"
#include "profile/section_readers.h"
#include "text/gbk.h"
#include "text/path_rules.h"
#include "ui/message_box.h"
#include "winsys/folder_removal.h"

namespace yv::install {

bool RemoveOldFolders(HWND owner, const std::string& installDir, const std::string& descPath) {
  const profile::SectionPairs lines = profile::ReadSectionPairs(descPath, "delete");
  for (const std::string& value : lines.values) {
    const std::string path = installDir + "\\" + value;
    // Deleting never reaches outside the installation folder, nor the folder itself.
    const bool allowed = text::IsPathBelow(value) && path.size() <= text::kPathLimit;
    if (allowed && winsys::RemoveFolder(path)) continue;
    const auto message = text::FormatBounded(std::string::npos, texts::kCannotRemoveFolder, {path});
    ui::ShowMessageBox(owner, message.value_or(path), texts::kWarningCaption, MB_OK);
    return false;
  }
  return true;
}

}  // namespace yv::install
