// INI reading and writing on arbitrary content: no crash, no read past the content,
// and a written entry always reads back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "profile/ini_document.h"
#include "profile/ini_edit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string content(reinterpret_cast<const char*>(data), size);
  // The first bytes choose the section, key and value to look up and write.
  std::size_t cut1 = size > 0 ? data[0] % 8 : 0;
  std::size_t cut2 = size > 1 ? data[1] % 8 : 0;
  std::string section = content.substr(std::min<std::size_t>(2, size), cut1);
  std::string key = content.substr(std::min<std::size_t>(2 + cut1, size), cut2);
  std::string value = "v" + key;

  yv::profile::IniDocument doc(content);
  (void)doc.Find(section, key);
  for (const auto& name : doc.KeyNames(section)) (void)doc.Find(section, name);

  auto written = yv::profile::WithEntry(doc, section, key, value);
  if (written) {
    yv::profile::IniDocument after(*written);
    auto back = after.Find(section, key);
    if (!back || *back != yv::profile::VisibleValue(yv::profile::TrimIniSpace(value))) std::abort();
  }
  return 0;
}
