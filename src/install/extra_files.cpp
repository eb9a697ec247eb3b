#include "install/extra_files.h"

#include <windows.h>

#include <memory>

#include "archive/win/file_replacement.h"
#include "profile/section_readers.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "winsys/handle.h"

namespace yv::install {

namespace {

using archive::FaultKind;
using archive::Placement;

// Source and destination file paths are composed in 512-byte buffers.
constexpr std::size_t kCopyPathLimit = 511;
constexpr DWORD kCopyBlock = 64 * 1024;

constexpr DWORD kNotPlain =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;

std::wstring LongPath(const std::wstring& path) {
  return path.size() >= MAX_PATH ? L"\\\\?\\" + path : path;
}

// One copy with the source's last-write time; false when the user stopped at a question.
bool CopyOne(winsys::ChangeLayer& changes, archive::ExtractionFaults& faults, const std::string& source,
             const std::string& destination) {
  for (;;) {
    winsys::ScopedHandle in(CreateFileW(LongPath(text::ToWide(source)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) return true;
    FILETIME time{};
    GetFileTime(in.get(), nullptr, nullptr, &time);
    const uint64_t lastWrite = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    const Placement placement = PlaceFile(changes, faults, destination, false, lastWrite,
                                          [&](winsys::StagedFile& file) -> std::optional<FaultKind> {
                                            // From the start again when the file is written again after a full disk.
                                            SetFilePointer(in.get(), 0, nullptr, FILE_BEGIN);
                                            std::unique_ptr<char[]> buffer(new char[kCopyBlock]);
                                            for (;;) {
                                              DWORD got = 0;
                                              if (!ReadFile(in.get(), buffer.get(), kCopyBlock, &got, nullptr))
                                                return FaultKind::kReadError;
                                              if (got == 0) return std::nullopt;
                                              if (const winsys::ChangeFault written = file.Write(buffer.get(), got))
                                                return archive::FaultOf(written);
                                            }
                                          });
    if (placement.result == Placement::kStopped) return false;
    if (placement.result == Placement::kFailed && placement.fault == FaultKind::kReadError) {
      if (faults.Retry({FaultKind::kReadError, source})) continue;
      return false;
    }
    // The copy is a new file, made with the archive attribute alone whatever the source
    // has. A read-only file in its place is left as it is, like any other that cannot be
    // replaced: nothing outside the run's record is changed.
    return true;
  }
}

bool CopyPlainFiles(winsys::ChangeLayer& changes, archive::ExtractionFaults& faults, const std::string& sourceFolder,
                    const std::string& destinationFolder) {
  WIN32_FIND_DATAW found;
  winsys::ScopedFind listing(FindFirstFileW(text::ToWide(sourceFolder + "\\*.*").c_str(), &found));
  if (!listing) return true;
  do {
    if (found.dwFileAttributes & kNotPlain) continue;
    const std::string name = text::FromWide(found.cFileName);
    const auto source = text::JoinBounded(kCopyPathLimit, {sourceFolder, "\\", name});
    const auto destination = text::JoinBounded(kCopyPathLimit, {destinationFolder, "\\", name});
    if (!source || !destination) continue;
    if (!CopyOne(changes, faults, *source, *destination)) return false;
  } while (FindNextFileW(listing.get(), &found));
  return true;
}

}  // namespace

bool CopyExtraFiles(winsys::ChangeLayer& changes, archive::ExtractionFaults& faults, const std::string& sourceDir,
                    const std::string& installDir, const std::string& descPath) {
  const profile::SectionPairs lines = profile::ReadSectionPairs(descPath, "copy");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!CopyPlainFiles(changes, faults, sourceDir + "\\" + lines.keys[i], installDir + "\\" + lines.values[i]))
      return false;
  }
  return true;
}

}  // namespace yv::install
