#include "install/extra_files.h"

#include <windows.h>

#include "profile/section_readers.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "winsys/handle.h"
#include "winsys/recording.h"

namespace yv::install {

namespace {

// Source and destination file paths are composed in 512-byte buffers.
constexpr std::size_t kCopyPathLimit = 511;

constexpr DWORD kNotPlain =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;

void CopyPlainFiles(const std::string& sourceFolder, const std::string& destinationFolder) {
  WIN32_FIND_DATAW found;
  winsys::ScopedFind listing(FindFirstFileW(text::ToWide(sourceFolder + "\\*.*").c_str(), &found));
  if (!listing) return;
  do {
    if (found.dwFileAttributes & kNotPlain) continue;
    const std::string name = text::FromWide(found.cFileName);
    const auto source = text::JoinBounded(kCopyPathLimit, {sourceFolder, "\\", name});
    const auto destination = text::JoinBounded(kCopyPathLimit, {destinationFolder, "\\", name});
    if (!source || !destination) continue;
    const std::wstring target = text::ToWide(*destination);
    winsys::RecordFileWrite(*destination);
    CopyFileW(text::ToWide(*source).c_str(), target.c_str(), FALSE);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_ARCHIVE);
  } while (FindNextFileW(listing.get(), &found));
}

}  // namespace

void CopyExtraFiles(const std::string& sourceDir, const std::string& installDir, const std::string& descPath) {
  const profile::SectionPairs lines = profile::ReadSectionPairs(descPath, "copy");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    CopyPlainFiles(sourceDir + "\\" + lines.keys[i], installDir + "\\" + lines.values[i]);
  }
}

}  // namespace yv::install
