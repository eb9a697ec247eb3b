#include "install/old_folders.h"

#include "profile/section_readers.h"
#include "text/gbk.h"
#include "text/path_rules.h"

namespace yv::install {

std::optional<std::string> RemoveOldFolders(winsys::ChangeLayer& changes, const std::string& installDir,
                                            const std::string& descPath) {
  const profile::SectionPairs lines = profile::ReadSectionPairs(descPath, "delete");
  for (const std::string& value : lines.values) {
    const std::string path = installDir + "\\" + value;
    // Deleting never reaches outside the installation folder, nor the folder itself.
    const bool allowed = text::IsPathBelow(value) && path.size() <= text::kPathLimit;
    if (!allowed || changes.ReplaceFolderAtCommit(text::WithoutTrailingBackslash(path))) return path;
  }
  return std::nullopt;
}

}  // namespace yv::install
