// The registry-file reader on arbitrary bytes, in both encodings: no crash, no read past
// the content, and every change names a key with its root spelled out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "install_log/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // ASCII passes; anything else becomes '?', as the system's conversion does.
  const auto toGbk = [](std::u16string_view wide) {
    std::string out;
    for (char16_t c : wide) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
  };
  const auto changes = yv::install_log::ReadRegistryFile(bytes, toGbk);
  if (!changes) return 0;
  for (const auto& change : *changes) {
    if (change.key.rfind("HKEY_", 0) != 0) std::abort();
  }
  return 0;
}
