// The entry name rule on any bytes. A name it accepts must stay a file inside the
// destination folder after Windows has normalised it: checked here by a small model of
// that normalisation (separators, trailing dots and blanks dropped, "." and ".."), not
// by the rule's own code. The duplicate key must ignore ASCII letter case, and the
// folder keys must be those of the name's leading parts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "archive/entry_name.h"
#include "text/gbk.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Every component of `name` as Windows would take it must be a real name.
void CheckStaysInside(std::string_view name) {
  Check(!name.empty());
  std::size_t start = 0;
  for (std::size_t i = 0;; i += yv::text::CharLength(name, i)) {
    const bool end = i == name.size();
    if (end || (yv::text::CharLength(name, i) == 1 && (name[i] == '\\' || name[i] == '/'))) {
      std::string_view component = name.substr(start, i - start);
      // Trailing dots and blanks are dropped (neither can be a trail byte).
      while (!component.empty() && (component.back() == '.' || component.back() == ' ')) {
        component.remove_suffix(1);
      }
      Check(!component.empty());
      Check(component != "." && component != "..");
      for (std::size_t j = 0; j < component.size(); j += yv::text::CharLength(component, j)) {
        if (yv::text::CharLength(component, j) == 2) continue;
        const auto c = static_cast<unsigned char>(component[j]);
        Check(c >= 0x20 && c != ':' && c != '*' && c != '?' && c != '"' && c != '<' && c != '>' && c != '|');
      }
      if (end) return;
      start = i + 1;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace yv::archive;
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  const NameVerdict verdict = CheckEntryName(name);
  if (verdict == NameVerdict::kOk) CheckStaysInside(name);
  Check((verdict == NameVerdict::kOk) == IsSafeEntryName(name));
  // Letter case never changes the verdict nor the duplicate key.
  const std::string upper = yv::text::ToUpperAscii(name);
  Check(CheckEntryName(upper) == verdict);
  Check(EntryNameKey(upper) == EntryNameKey(name) && EntryNameKeyHash(upper) == EntryNameKeyHash(name));
  // The folders a name needs are the parts before each separator, hashed alike. Each
  // hash is made afresh from its part, which costs the length of the part: the first
  // 16 parts and the last are checked, so that a name full of separators stays cheap.
  const std::vector<uint64_t> folders = FolderKeyHashes(name);
  std::vector<std::size_t> separators;
  for (std::size_t i = 0; i < name.size(); i += yv::text::CharLength(name, i)) {
    if (yv::text::CharLength(name, i) == 1 && (name[i] == '\\' || name[i] == '/')) separators.push_back(i);
  }
  Check(separators.size() == folders.size());
  for (std::size_t k = 0; k < separators.size(); ++k) {
    if (k < 16 || k + 1 == separators.size()) Check(folders[k] == EntryNameKeyHash(name.substr(0, separators[k])));
  }
  return 0;
}
