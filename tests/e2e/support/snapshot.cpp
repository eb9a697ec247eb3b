#include "support/snapshot.h"

#include <windows.h>

#include <cstdint>

namespace yv::e2e {

std::string Utf8(const std::wstring& s) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

namespace {

// Larger files are judged by their size, time and the hash of their two ends.
constexpr DWORD kWholeHashLimit = 1 << 20;
constexpr DWORD kEndLength = 1 << 16;

uint64_t Fnv(const void* data, std::size_t size, uint64_t h = 1469598103934665603ull) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

std::string FileState(const std::wstring& path, const WIN32_FIND_DATAW& found) {
  const uint64_t size = (uint64_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  uint64_t hash = 0;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    std::string buffer(size <= kWholeHashLimit ? static_cast<std::size_t>(size) : kEndLength, '\0');
    DWORD got = 0;
    ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
    hash = Fnv(buffer.data(), got);
    if (size > kWholeHashLimit) {
      LARGE_INTEGER end;
      end.QuadPart = -static_cast<LONGLONG>(kEndLength);
      SetFilePointerEx(file, end, nullptr, FILE_END);
      ReadFile(file, buffer.data(), kEndLength, &got, nullptr);
      hash = Fnv(buffer.data(), got, hash) ^ Fnv(&found.ftLastWriteTime, sizeof found.ftLastWriteTime);
    }
    CloseHandle(file);
  }
  return std::to_string(size) + " " + std::to_string(hash);
}

void WalkFolder(const std::wstring& folder, const std::vector<std::wstring>& skipped, Snapshot& out) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    bool skip = false;
    for (const std::wstring& s : skipped)
      skip = skip || CompareStringOrdinal(path.c_str(), -1, s.c_str(), -1, TRUE) == CSTR_EQUAL;
    if (skip) continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out["D " + Utf8(path)] = "";
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) WalkFolder(path, skipped, out);
    } else {
      out["F " + Utf8(path)] = FileState(path, found);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

void WalkKey(HKEY root, const std::wstring& path, REGSAM view, const std::string& label, Snapshot& out) {
  // Wine's own settings, which Wine changes as programs start (its temporary system
  // parameters); no installation writes there.
  if (root == HKEY_CURRENT_USER && CompareStringOrdinal(path.c_str(), -1, L"Software\\Wine", -1, TRUE) == CSTR_EQUAL) {
    return;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
  out["K " + label + Utf8(path)] = "";
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(1 << 16);
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    const LONG status = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) break;
    const uint64_t hash = status == ERROR_SUCCESS ? Fnv(data.data(), size) : 0;
    out["V " + label + Utf8(path) + " : " + Utf8(std::wstring(name.data(), nameLength))] =
        std::to_string(type) + " " + std::to_string(size) + " " + std::to_string(hash);
  }
  std::vector<std::wstring> subkeys;
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    if (RegEnumKeyExW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.emplace_back(name.data(), nameLength);
  }
  RegCloseKey(key);
  for (const std::wstring& sub : subkeys) WalkKey(root, path + L"\\" + sub, view, label, out);
}

}  // namespace

Snapshot TakeSnapshot(const std::vector<std::wstring>& skipped) {
  Snapshot out;
  WalkFolder(L"C:", skipped, out);
  WalkKey(HKEY_LOCAL_MACHINE, L"SOFTWARE", KEY_WOW64_32KEY, "HKLM32\\", out);
  WalkKey(HKEY_LOCAL_MACHINE, L"SOFTWARE", KEY_WOW64_64KEY, "HKLM64\\", out);
  WalkKey(HKEY_CURRENT_USER, L"Software", 0, "HKCU\\", out);
  return out;
}

std::vector<std::string> Differences(const Snapshot& before, const Snapshot& after) {
  std::vector<std::string> changes;
  for (const auto& [what, state] : after) {
    const auto was = before.find(what);
    if (was == before.end()) {
      changes.push_back("+ " + what);
    } else if (was->second != state) {
      changes.push_back("~ " + what);
    }
  }
  for (const auto& [what, state] : before) {
    if (!after.count(what)) changes.push_back("- " + what);
  }
  return changes;
}

}  // namespace yv::e2e
