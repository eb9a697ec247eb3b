#include "winsys/registry.h"

#include "text/cp936.h"
#include "text/gbk.h"
#include "winsys/recording.h"

namespace yv::winsys {

RegistryKey::RegistryKey(HKEY root, const std::string& path) : root_(root), path_(path) {
  if (RegOpenKeyExW(root, text::ToWide(path).c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) {
    key_ = nullptr;
  }
}

RegistryKey RegistryKey::Create(install_log::ChangeRecorder& log, HKEY root, const std::string& path) {
  RegistryKey key(root, path, true);
  key.log_ = &log;
  RecordKeyCreate(log, root, path, OwnView());
  // Asks for the rights to read and write: a key that exists but may not be written
  // fails here, rather than opening for reading and failing silently at each write.
  if (RegCreateKeyExW(root, text::ToWide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                      nullptr, &key.key_, nullptr) != ERROR_SUCCESS) {
    key.key_ = nullptr;
  }
  return key;
}

bool RegistryKey::WriteString(const std::string& name, const std::string& value) const {
  std::wstring data = text::ToWide(value);
  data.push_back(L'\0');
  return WriteRaw(name, REG_SZ, data.data(), data.size() * sizeof(wchar_t));
}

bool RegistryKey::WriteDword(const std::string& name, DWORD value) const {
  return WriteRaw(name, REG_DWORD, &value, sizeof value);
}

bool RegistryKey::WriteRaw(const std::string& name, DWORD type, const void* data, std::size_t size) const {
  if (!key_ || !log_) return false;
  RecordValueChange(*log_, root_, path_, name, OwnView());
  return RegSetValueExW(key_, text::ToWide(name).c_str(), 0, type, static_cast<const BYTE*>(data),
                        static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

RegistryKey::~RegistryKey() {
  if (key_) RegCloseKey(key_);
}

std::optional<std::string> RegistryKey::ReadString(const std::string& name) const {
  if (!key_) return std::nullopt;
  std::wstring wname = text::ToWide(name);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key_, wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = size;
  if (RegQueryValueExW(key_, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  buf.resize(got / sizeof(wchar_t));
  while (!buf.empty() && buf.back() == L'\0') buf.pop_back();
  std::string value = text::FromWide(buf);
  // The value is read into a 256-byte buffer: a longer one cannot be read at all.
  if (value.size() > text::kPathLimit) return std::nullopt;
  return value;
}

}  // namespace yv::winsys
