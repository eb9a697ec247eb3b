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

bool CreateFolderPath(const std::string& path) {
  if (path.size() > text::kPathLimit) return false;
  // Each separator, and the end of the text, closes a level.
  for (std::size_t i = 0; i <= path.size(); i += i < path.size() ? text::CharLength(path, i) : 1) {
    if (i < path.size() && path[i] != '\\') continue;
    if (i == 0 || path[i - 1] == ':') continue;
    const std::string level = path.substr(0, i);
    if (Exists(level)) continue;
    winsys::RecordFolderCreate(level);
    if (!CreateDirectoryW(text::ToWide(level).c_str(), nullptr)) return false;
  }
  return true;
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
