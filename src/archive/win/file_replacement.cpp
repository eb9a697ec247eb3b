#include "archive/win/file_replacement.h"

#include "text/cp936.h"
#include "winsys/recording.h"

namespace yv::archive {

namespace {

constexpr DWORD kQuotaExceeded = 1295;  // ERROR_DISK_QUOTA_EXCEEDED, not in every SDK

// Paths of 260 characters and more only through the "\\?\" form, which a plain drive path
// ("C:\...") takes as it is. Destinations hold at most 255 bytes, but the temporary name
// beside a long one may not.
std::wstring Usable(const std::wstring& path) {
  const bool drivePath = path.size() > 2 && path[1] == L':' && path[2] == L'\\';
  return path.size() >= MAX_PATH && drivePath ? L"\\\\?\\" + path : path;
}

bool IsReadOnlyOrFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(Usable(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

// A short name that no file of the product has; the number changes with every try.
std::wstring TemporaryName(const std::wstring& folder) {
  static DWORD next = (GetCurrentProcessId() << 16) ^ GetTickCount();
  wchar_t name[24];
  swprintf(name, sizeof name / sizeof name[0], L"\\~yv%08lX.tmp", static_cast<unsigned long>(next++));
  return folder + name;
}

}  // namespace

WriteFault WriteFaultOf(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kQuotaExceeded:
      return WriteFault::kDiskFull;
    case ERROR_SHARING_VIOLATION:  // open without sharing
    case ERROR_LOCK_VIOLATION:     // a locked range
    case ERROR_USER_MAPPED_FILE:   // mapped into a process
    case ERROR_ACCESS_DENIED:      // a running program's file, or open without delete sharing
      return WriteFault::kTargetInUse;
    default:
      return WriteFault::kCannotCreate;
  }
}

WriteFault ReplacementFile::Open() {
  Discard();
  const std::wstring target = text::ToWide(target_);
  // A read-only file is not replaced (and a folder never); that is no program's doing.
  if (IsReadOnlyOrFolder(target)) return WriteFault::kCannotCreate;
  const std::size_t slash = target.find_last_of(L'\\');
  const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash);
  for (int attempt = 0; attempt < 64; ++attempt) {
    const std::wstring candidate = TemporaryName(folder);
    file_ = CreateFileW(Usable(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file_ != INVALID_HANDLE_VALUE) {
      temporary_ = candidate;
      return WriteFault::kNone;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
    // Denied here means the folder, not a program holding the target.
    return WriteFaultOf(error) == WriteFault::kDiskFull ? WriteFault::kDiskFull : WriteFault::kCannotCreate;
  }
  return WriteFault::kCannotCreate;
}

WriteFault ReplacementFile::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size < (1u << 30) ? static_cast<DWORD>(size) : (1u << 30);
    DWORD written = 0;
    if (!WriteFile(file_, bytes, chunk, &written, nullptr) || written == 0) {
      const DWORD error = written == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : GetLastError();
      return WriteFaultOf(error) == WriteFault::kDiskFull ? WriteFault::kDiskFull : WriteFault::kCannotCreate;
    }
    bytes += written;
    size -= written;
  }
  return WriteFault::kNone;
}

WriteFault ReplacementFile::Finish(std::optional<uint64_t> lastWriteTime) {
  if (lastWriteTime) {
    // A time that cannot be applied is passed over: the content is what counts.
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(*lastWriteTime);
    time.dwHighDateTime = static_cast<DWORD>(*lastWriteTime >> 32);
    SetFileTime(file_, nullptr, nullptr, &time);
  }
  const BOOL closed = CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  // Data held back by the system is written at the latest here.
  if (!closed)
    return WriteFaultOf(GetLastError()) == WriteFault::kDiskFull ? WriteFault::kDiskFull : WriteFault::kCannotCreate;
  return WriteFault::kNone;
}

WriteFault ReplacementFile::Replace() {
  const std::wstring target = text::ToWide(target_);
  if (MoveFileExW(Usable(temporary_).c_str(), Usable(target).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    temporary_.clear();
    return WriteFault::kNone;
  }
  const DWORD error = GetLastError();
  if (IsReadOnlyOrFolder(target)) return WriteFault::kCannotCreate;
  return WriteFaultOf(error);
}

FaultKind FaultOf(WriteFault fault) {
  switch (fault) {
    case WriteFault::kDiskFull:
      return FaultKind::kDiskFull;
    case WriteFault::kTargetInUse:
      return FaultKind::kTargetInUse;
    default:
      return FaultKind::kCannotCreate;
  }
}

Placement PlaceFile(ExtractionFaults& faults, const std::string& target, bool compressed,
                    std::optional<uint64_t> lastWriteTime, const ContentWriter& write) {
  winsys::RecordFileWrite(target);
  ReplacementFile file(target);
  for (;;) {
    const WriteFault opened = file.Open();
    if (opened == WriteFault::kCannotCreate) return {Placement::kRefused};
    std::optional<FaultKind> fault;
    if (opened != WriteFault::kNone) {
      fault = FaultOf(opened);
    } else {
      fault = write(file);
      if (!fault) {
        const WriteFault finished = file.Finish(lastWriteTime);
        if (finished != WriteFault::kNone) fault = FaultOf(finished);
      }
    }
    while (!fault) {
      const WriteFault moved = file.Replace();
      if (moved == WriteFault::kNone) return {Placement::kPlaced};
      if (moved != WriteFault::kTargetInUse) {
        fault = FaultOf(moved);
      } else if (!faults.Retry({FaultKind::kTargetInUse, target, compressed})) {
        return {Placement::kStopped, FaultKind::kTargetInUse};
      }
    }
    file.Discard();
    if (*fault != FaultKind::kDiskFull) return {Placement::kFailed, *fault};
    if (!faults.Retry({FaultKind::kDiskFull, target, compressed})) return {Placement::kStopped, FaultKind::kDiskFull};
  }
}

void ReplacementFile::Discard() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  if (!temporary_.empty()) DeleteFileW(Usable(temporary_).c_str());
  temporary_.clear();
}

}  // namespace yv::archive
