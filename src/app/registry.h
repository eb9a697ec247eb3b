// Registry reading for start-up: a key that cannot be opened with full access counts
// as absent, and a value that is missing, not text or over 255 bytes counts as missing.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace yv::app {

class RegistryKey {
 public:
  // Opens an existing key with full access (KEY_ALL_ACCESS); path in GBK.
  RegistryKey(HKEY root, const std::string& path);
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  bool IsOpen() const { return key_ != nullptr; }
  // The string value of that name, in GBK, when it fits in 255 bytes.
  std::optional<std::string> ReadString(const std::string& name) const;

 private:
  HKEY key_ = nullptr;
};

}  // namespace yv::app
