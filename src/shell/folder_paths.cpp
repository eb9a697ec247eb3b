#include "shell/folder_paths.h"

#include <windows.h>

#include "profile/section_readers.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "winsys/recording.h"

namespace yv::shell {

namespace {

bool Exists(const std::string& path) {
  return GetFileAttributesW(text::ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool CreateFolderPath(winsys::ChangeLayer& changes, const std::string& path) {
  // A level that is a file is passed over, as when the folders were made one by one; the
  // file then stands in the way of what follows.
  return path.size() <= text::kPathLimit && (!changes.CreateFolder(path) || Exists(path));
}

bool CreateInstallFolders(winsys::ChangeLayer& changes, const std::string& installDir, const std::string& descPath,
                          std::string* tooLong) {
  const std::string root = text::EndsWithBackslash(installDir) ? installDir : installDir + "\\";
  const auto create = [&changes, tooLong](const std::string& folder) {
    if (folder.size() > text::kPathLimit) {
      if (tooLong) *tooLong = folder;
      return false;
    }
    return !changes.CreateFolder(folder);
  };
  if (!create(root)) return false;
  const profile::SectionPairs folders = profile::ReadDirectorySection(descPath);
  for (const std::string& folder : folders.values) {
    if (!create(root + folder)) return false;
  }
  return true;
}

}  // namespace yv::shell
