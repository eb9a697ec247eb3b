#include "support/medium.h"

#include <atomic>

#include "remove_tree.h"
#include "text/cp936.h"

namespace yv::e2e {

std::string IniText(const std::vector<IniSection>& sections) {
  std::string out;
  for (const IniSection& s : sections) {
    out += "[" + s.name + "]\r\n";
    for (const auto& [key, value] : s.keys) out += key + "=" + value + "\r\n";
    out += "\r\n";
  }
  return out;
}

Medium::Medium() {
  static std::atomic<unsigned> counter{0};
  wchar_t temp[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  std::wstring base(temp, n);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  // Unique across processes (pid) and runs (tick count) and within one run (counter).
  path_ = base + L"\\yv-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter);
  created_ = CreateDirectoryW(path_.c_str(), nullptr) != FALSE;
}

Medium::~Medium() {
  if (created_) test::RemoveTree(path_, L"\\yv-e2e-");
}

bool Medium::Write(std::string_view name, std::string_view bytes) const {
  std::wstring full = path_ + L"\\" + text::ToWide(name);
  for (std::size_t slash = full.find(L'\\', path_.size() + 1); slash != std::wstring::npos;
       slash = full.find(L'\\', slash + 1)) {
    CreateDirectoryW(full.substr(0, slash).c_str(), nullptr);
  }
  HANDLE file = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool Medium::Exists(std::string_view name) const {
  return GetFileAttributesW((path_ + L"\\" + text::ToWide(name)).c_str()) !=
         INVALID_FILE_ATTRIBUTES;
}

}  // namespace yv::e2e
