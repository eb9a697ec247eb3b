#include "archive/win/extract.h"

#include <algorithm>
#include <memory>
#include <new>

#include "archive/explode.h"
#include "archive/package_format.h"
#include "archive/win/archive_texts.h"
#include "archive/win/handle_source.h"
#include "archive/win/transfer.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "ui/message_box.h"
#include "winsys/handle.h"
#include "winsys/recording.h"

namespace yv::archive {

using winsys::ScopedHandle;

namespace {

HANDLE OpenForReading(const std::string& path) {
  return CreateFileW(text::ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A new output file, replacing any file of that name; others may write it too.
HANDLE CreateForWriting(const std::string& path) {
  return CreateFileW(text::ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

FILETIME ToFileTime(uint64_t time) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(time);
  ft.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return ft;
}

// The transfer record with the start of the decoder's first read kept: a stream too
// short to decode passes only when it is the stream of empty content, not a cut one.
struct DecodeTransfer : TransferState {
  char firstRead[5] = {};
  unsigned firstReadSize = 0;
  bool firstReadDone = false;
};

unsigned ReadKeepingStart(char* buf, unsigned* size, void* param) {
  const unsigned got = TransferRead(buf, size, param);
  auto& t = *static_cast<DecodeTransfer*>(param);
  if (!t.firstReadDone) {
    t.firstReadDone = true;
    t.firstReadSize = std::min<unsigned>(got, sizeof t.firstRead);
    std::copy(buf, buf + t.firstReadSize, t.firstRead);
  }
  return got;
}

// Runs Explode over `state` with its own zero-filled work area. A decode counts only when
// the stream was complete, every byte reached the file and the checksum matches.
bool RunDecode(DecodeTransfer& state, uint32_t expectedChecksum) {
  void* workArea = GlobalAlloc(GPTR, kExplodeWorkAreaSize);
  if (workArea == nullptr) return false;
  const unsigned result = Explode(ReadKeepingStart, TransferWrite, static_cast<char*>(workArea), &state);
  GlobalFree(workArea);
  return !state.writeFailed && DecodeAccepted(result, state.checksum, expectedChecksum,
                                              std::string_view(state.firstRead, state.firstReadSize));
}

bool WriteAll(HANDLE file, const unsigned char* bytes, uint32_t size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(file, bytes, size, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

// The longest start of `s` that fits in `limit` bytes without splitting a character.
std::string CutToBytes(const std::string& s, std::size_t limit) {
  std::size_t end = 0;
  while (end < s.size() && end + text::CharLength(s, end) <= limit) end += text::CharLength(s, end);
  return s.substr(0, end);
}

void Warn(HWND owner, const char* message) {
  ui::ShowMessageBox(owner, message, texts::kWarningCaption, MB_OK | MB_ICONINFORMATION);
}

// Who owns which box, and the progress page when there is one.
struct ExtractionSite {
  HWND page;
  HWND createFailureOwner;
  ExtractionProgress* progress;
};

bool Extract(const ExtractionSite& site, const std::string& containerPath, const std::string& destinationFolder) {
  ScopedHandle container(OpenForReading(containerPath));
  if (!container) {
    Warn(site.createFailureOwner, texts::kCanNotCreateFile);
    return false;
  }
  HandleByteSource source(container.get());
  PackageReader reader(source);
  if (!reader.ReadHeader()) {
    Warn(site.page, texts::kVersionError);
    return false;
  }
  const PackageHeader header = reader.Header();
  const bool withTimes = header.formatVersion >= kLongNameFormatVersion;
  if (site.progress) site.progress->SetArchiveMaximum(header.entryCount);

  for (unsigned index = 0; index < header.entryCount; ++index) {
    PackageEntry entry;
    // The reader refuses a container that ends early or claims more than it holds, and
    // names that would leave the destination folder, before anything is written.
    if (!reader.NextEntry(entry)) {
      Warn(site.page, texts::kArchiveDamaged);
      return false;
    }
    const auto outputPath = text::JoinBounded(text::kPathLimit, {destinationFolder, "\\", entry.name});

    if (site.progress) {
      site.progress->StepArchive();
      site.progress->SetFileLabel(std::string(texts::kLabelInstall) + containerPath + texts::kLabelTo +
                                  destinationFolder + "\\" + entry.name);
      site.progress->ProcessMessages();
    }

    // Never larger than what remains of the container: the reader checked the size.
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[std::max<uint32_t>(entry.storedSize, 1)]());
    if (!block) {
      Warn(site.page, texts::kCanNotAllocateMem);
      return false;
    }
    if (!reader.ReadData(block.get())) {
      Warn(site.page, texts::kArchiveDamaged);
      return false;
    }

    if (outputPath) winsys::RecordFileWrite(*outputPath);
    if (entry.IsCompressed()) {
      // A path over 255 bytes is a file that cannot be created.
      const bool decoded =
          outputPath && DecodeBufferToFile(block.get(), entry.storedSize, *outputPath, entry.contentChecksum);
      block.reset();
      if (!decoded) {
        Warn(site.page, texts::kCanNotUncompressFile);
        return false;
      }
      if (withTimes) {
        // A time that cannot be applied is skipped: the entry is still done.
        ScopedHandle file(CreateFileW(text::ToWide(*outputPath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        const FILETIME time = ToFileTime(entry.lastWriteTime);
        if (file) SetFileTime(file.get(), nullptr, nullptr, &time);
      }
    } else {
      // A stored entry whose file cannot be opened (a read-only file, say) is skipped.
      if (!outputPath) continue;
      ScopedHandle file(CreateFileW(text::ToWide(*outputPath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file) continue;
      // From the file's start, and cut to the entry's length when a longer file was there.
      if (!WriteAll(file.get(), block.get(), entry.storedSize) || !SetEndOfFile(file.get())) {
        Warn(site.page, texts::kCanNotWriteFile);
        return false;
      }
      if (withTimes) {
        const FILETIME time = ToFileTime(entry.lastWriteTime);
        SetFileTime(file.get(), nullptr, nullptr, &time);
      }
    }
  }
  return true;
}

bool Install(const ExtractionSite& site, const std::string& installDir, const std::string& containerPath,
             const std::string& token) {
  const auto destination = ResolveDestination(installDir, token);
  if (GetFileAttributesW(text::ToWide(containerPath).c_str()) == INVALID_FILE_ATTRIBUTES) {
    // The message is composed in 255 bytes: the path gives way.
    const std::string suffix(texts::kContainerMissing + 2);  // the text after "%s"
    const std::string message = CutToBytes(containerPath, text::kPathLimit - suffix.size()) + suffix;
    ui::ShowMessageBox(site.page, message, texts::kContainerMissingCaption, MB_OK);
    return false;
  }
  // A destination longer than 255 bytes cannot be written: the caller reports it.
  if (!destination) return false;
  if (IsPackageArchivePath(containerPath)) return Extract(site, containerPath, *destination);
  return DecodePackedFile(containerPath, *destination);
}

std::optional<std::string> SystemFolder(UINT(WINAPI* query)(LPWSTR, UINT)) {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT length = query(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return std::nullopt;
  std::string folder = text::FromWide(std::wstring_view(buffer, length));
  if (folder.size() > text::kPathLimit) return std::nullopt;
  return folder;
}

}  // namespace

std::optional<std::string> ResolveDestination(const std::string& installDir, const std::string& token) {
  if (token == "WINDIR") return SystemFolder(GetWindowsDirectoryW);
  if (token == "WINSYSDIR") return SystemFolder(GetSystemDirectoryW);
  if (token == ".") {
    if (installDir.size() > text::kPathLimit) return std::nullopt;
    return installDir;
  }
  return text::JoinBounded(text::kPathLimit, {installDir, "\\", token});
}

bool InstallPackageItem(ExtractionProgress& progress, const std::string& installDir, const std::string& containerPath,
                        const std::string& token) {
  return Install({progress.Window(), progress.ApplicationWindow(), &progress}, installDir, containerPath, token);
}

bool ExtractPackage(ExtractionProgress& progress, const std::string& containerPath,
                    const std::string& destinationFolder) {
  return Extract({progress.Window(), progress.ApplicationWindow(), &progress}, containerPath, destinationFolder);
}

bool InstallPackageItemQuiet(HWND owner, const std::string& installDir, const std::string& containerPath,
                             const std::string& token) {
  return Install({owner, owner, nullptr}, installDir, containerPath, token);
}

bool ExtractPackageQuiet(HWND owner, const std::string& containerPath, const std::string& destinationFolder) {
  return Extract({owner, owner, nullptr}, containerPath, destinationFolder);
}

bool DecodeBufferToFile(const unsigned char* block, uint32_t size, const std::string& outputPath,
                        uint32_t expectedChecksum) {
  ScopedHandle output(CreateForWriting(outputPath));
  if (!output) return false;
  DecodeTransfer state;
  state.checksumSwitch = 1;
  state.sourceKind = kTransferSourceBlock;
  state.sourceBlock = block;
  state.sourceSize = size;
  state.sourcePosition = 0;
  state.destinationFile = output.get();
  state.checksum = 0;
  return RunDecode(state, expectedChecksum);
}

bool DecodePackedFile(const std::string& containerPath, const std::string& outputPath) {
  ScopedHandle container(OpenForReading(containerPath));
  if (!container) return false;
  unsigned char header[kPackedFileHeaderSize];
  DWORD got = 0;
  // A file shorter than its header holds no stream at all.
  if (!ReadFile(container.get(), header, sizeof header, &got, nullptr) || got != sizeof header) return false;
  if (!PackedFileMagicMatches(header)) return false;
  LARGE_INTEGER fileSize{};
  if (!GetFileSizeEx(container.get(), &fileSize) || fileSize.QuadPart > 0xFFFFFFFFll) return false;

  winsys::RecordFileWrite(outputPath);
  ScopedHandle output(CreateForWriting(outputPath));
  if (!output) return false;
  DecodeTransfer state;
  state.checksumSwitch = 1;
  state.sourceKind = kTransferSourceFile;
  state.sourceFile = container.get();
  state.sourceSize = static_cast<uint32_t>(fileSize.QuadPart);
  state.sourcePosition = kPackedFileHeaderSize;  // the file's read position is already there
  state.destinationFile = output.get();
  state.checksum = 0;
  return RunDecode(state, PackedFileChecksum(header));
}

}  // namespace yv::archive
