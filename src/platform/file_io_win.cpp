#include <windows.h>

#include <algorithm>

#include "platform/file_io.h"
#include "text/cp936.h"

namespace yv::platform {

namespace {
struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};
}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  Handle f(CreateFileW(text::ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (f.h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f.h, buf, sizeof buf, &got, nullptr)) {
    if (got == 0) return out;
    out.append(buf, got);
  }
  return std::nullopt;
}

namespace {
bool WriteAll(const std::wstring& path, std::string_view bytes) {
  Handle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (f.h == INVALID_HANDLE_VALUE) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    DWORD wrote = 0;
    if (!WriteFile(f.h, bytes.data() + done, chunk, &wrote, nullptr) || wrote != chunk) return false;
    done += wrote;
  }
  return FlushFileBuffers(f.h) != 0;
}
}  // namespace

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
  const std::wstring target = text::ToWide(path);
  const std::wstring temp = target + L".~yv";
  if (WriteAll(temp, bytes) && MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return true;
  }
  DeleteFileW(temp.c_str());
  return false;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesW(text::ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

AppendFile::~AppendFile() {
  if (handle_) CloseHandle(handle_);
}

bool AppendFile::Open(const std::string& path) {
  HANDLE h = CreateFileW(text::ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  return true;
}

std::optional<std::string> AppendFile::ReadAll() {
  if (!handle_) return std::nullopt;
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN)) return std::nullopt;
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(handle_, buf, sizeof buf, &got, nullptr)) {
    if (got == 0) return out;
    out.append(buf, got);
  }
  return std::nullopt;
}

bool AppendFile::CutTo(std::size_t size) {
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size);
  return handle_ && SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle_);
}

bool AppendFile::Append(std::string_view bytes) {
  if (!handle_) return false;
  DWORD wrote = 0;
  return WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) && wrote == bytes.size();
}

bool AppendFile::Flush() {
  return handle_ && FlushFileBuffers(handle_);
}

}  // namespace yv::platform
