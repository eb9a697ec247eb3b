#include "profile/section_readers.h"

#include "platform/file_io.h"
#include "profile/ini_document.h"
#include "text/gbk.h"

namespace yv::profile {

namespace {

IniDocument Load(const std::string& path) {
  return IniDocument(platform::ReadWholeFile(path).value_or(std::string()));
}

SectionPairs ReadPairs(const IniDocument& doc, std::string_view section, std::string_view def) {
  SectionPairs pairs;
  pairs.keys = doc.KeyNames(section);
  for (const std::string& key : pairs.keys) {
    pairs.values.push_back(doc.Find(section, key).value_or(std::string(def)));
  }
  return pairs;
}

}  // namespace

SectionPairs ReadSectionPairs(const IniDocument& doc, std::string_view section) {
  return ReadPairs(doc, section, "tempdata\\xxx");
}

SectionPairs ReadDirectorySection(const IniDocument& doc) {
  return ReadPairs(doc, "directory", "___");
}

SectionPairs ReadSectionPairs(const std::string& path, std::string_view section) {
  return ReadSectionPairs(Load(path), section);
}

SectionPairs ReadDirectorySection(const std::string& path) {
  return ReadDirectorySection(Load(path));
}

std::vector<std::string> ReadSectionValues(const std::string& path, std::string_view section) {
  return ReadSectionValues(Load(path), section);
}

std::vector<std::string> ReadSectionValues(const IniDocument& doc, std::string_view section) {
  std::vector<std::string> texts;
  std::vector<std::string> listed;  // keys already in `texts`
  for (const std::string& key : doc.KeyNames(section)) {
    const std::string value = doc.Find(section, key).value_or(std::string());
    if (value.empty()) continue;
    bool seen = false;
    for (const std::string& earlier : listed) seen = seen || text::EqualsIgnoreCase(earlier, key);
    if (seen) continue;
    listed.push_back(key);
    texts.push_back(key + "=" + value);
  }
  return texts;
}

}  // namespace yv::profile
