#include <windows.h>

#include <cstdio>

#include "vrktool/native.h"

namespace yv::vrktool {

namespace {

constexpr UINT kGbkCodePage = 936;

std::optional<std::wstring> GbkToWide(std::string_view gbk) {
  if (gbk.empty()) return std::wstring();
  const int n = MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, gbk.data(),
                                    static_cast<int>(gbk.size()), nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()),
                      wide.data(), n);
  return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

// FILETIME values travel as one 64-bit number.
FILETIME ToFileTime(uint64_t value) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(value);
  ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return ft;
}

}  // namespace

std::optional<std::string> ComponentToGbk(const std::filesystem::path& component) {
  const std::wstring& wide = component.native();
  if (wide.empty()) return std::string();
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                    static_cast<int>(wide.size()), nullptr, 0, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string gbk(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                      gbk.data(), n, nullptr, &usedDefault);
  if (usedDefault) return std::nullopt;
  return gbk;
}

std::optional<std::filesystem::path> ComponentFromGbk(std::string_view gbk) {
  auto wide = GbkToWide(gbk);
  if (!wide) return std::nullopt;
  return std::filesystem::path(*wide);
}

std::string GbkForDisplay(std::string_view gbk) {
  if (auto wide = GbkToWide(gbk)) return WideToUtf8(*wide);
  std::string shown;
  for (unsigned char c : gbk) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    shown += (c >= 0x20 && c < 0x7F) ? std::string(1, static_cast<char>(c)) : std::string(hex);
  }
  return shown;
}

std::filesystem::path PathFromArgument(const std::string& argument) {
  return std::filesystem::u8path(argument);
}

std::string PathForDisplay(const std::filesystem::path& path) { return WideToUtf8(path.native()); }

std::optional<uint64_t> ReadLastWriteTime(const std::filesystem::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
         data.ftLastWriteTime.dwLowDateTime;
}

bool WriteLastWriteTime(const std::filesystem::path& path, uint64_t fileTime) {
  HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const FILETIME ft = ToFileTime(fileTime);
  const bool ok = SetFileTime(file, nullptr, nullptr, &ft) != 0;
  CloseHandle(file);
  return ok;
}

// A console only: the NUL device is a character device too, and _isatty takes it for one.
bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace yv::vrktool
