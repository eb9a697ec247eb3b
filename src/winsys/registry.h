// Registry keys: a key that cannot be opened counts as absent, and a value that is
// missing, not text or over 255 bytes counts as missing. Names and texts are GBK.
// Creating a key and writing a value are points of change: a key made for writing keeps
// the recorder (the change layer) that records each before it is made (recording.h).
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

#include "install_log/change_recorder.h"

namespace yv::winsys {

class RegistryKey {
 public:
  // Opens an existing key for reading; path in GBK. Nothing is written through it.
  RegistryKey(HKEY root, const std::string& path);
  // Creates the key, or opens it when it exists, for reading and writing; each level it
  // creates and each value written is recorded through `log` first.
  static RegistryKey Create(install_log::ChangeRecorder& log, HKEY root, const std::string& path);
  RegistryKey(RegistryKey&& other) noexcept
      : key_(other.key_), root_(other.root_), path_(std::move(other.path_)), log_(other.log_) {
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
  // Writes a REG_DWORD value.
  bool WriteDword(const std::string& name, DWORD value) const;
  // Writes a value of `type` from its data as the wide registry API takes it (text as
  // UTF-16, embedded zeros and all), recorded with what it held first.
  bool WriteRaw(const std::string& name, DWORD type, const void* data, std::size_t size) const;
  HKEY get() const { return key_; }

 private:
  RegistryKey(HKEY root, std::string path, bool) : root_(root), path_(std::move(path)) {}
  HKEY key_ = nullptr;
  HKEY root_ = nullptr;
  std::string path_;
  install_log::ChangeRecorder* log_ = nullptr;  // a key made for writing
};

}  // namespace yv::winsys
