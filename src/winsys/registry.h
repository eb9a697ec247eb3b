// Registry keys: a key that cannot be opened counts as absent, and a value that is
// missing, not text or over 255 bytes counts as missing. Names and texts are GBK.
// Creating a key and writing a value are points of change: the installation log, when
// there is one, records them first (winsys/recording.h).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace yv::winsys {

class RegistryKey {
 public:
  // Opens an existing key with full access (KEY_ALL_ACCESS); path in GBK.
  RegistryKey(HKEY root, const std::string& path);
  // Creates the key, or opens it when it exists.
  static RegistryKey Create(HKEY root, const std::string& path);
  RegistryKey(RegistryKey&& other) noexcept : key_(other.key_), root_(other.root_), path_(std::move(other.path_)) {
    other.key_ = nullptr;
  }
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  bool IsOpen() const { return key_ != nullptr; }
  // The string value of that name, in GBK, when it fits in 255 bytes.
  std::optional<std::string> ReadString(const std::string& name) const;
  // Writes a REG_SZ value: the text and its terminating zero.
  bool WriteString(const std::string& name, const std::string& value) const;
  // Writes a REG_SZ value from raw UTF-16 data, embedded zeros and all.
  bool WriteRawString(const std::string& name, const std::wstring& data) const;
  HKEY get() const { return key_; }

 private:
  RegistryKey(HKEY root, std::string path, bool) : root_(root), path_(std::move(path)) {}
  HKEY key_ = nullptr;
  HKEY root_ = nullptr;
  std::string path_;
};

}  // namespace yv::winsys
