#include "archive/entry_name.h"

#include "text/gbk.h"

namespace yv::archive {

namespace {

bool IsSeparator(std::string_view name, std::size_t i) {
  return text::CharLength(name, i) == 1 && (name[i] == '\\' || name[i] == '/');
}

// "CON", "NUL", "COM1" and the like name devices in every folder, with any extension
// and with blanks before it: a file of that name would be the device instead.
bool IsDeviceName(std::string_view component) {
  std::string_view base = component.substr(0, text::FindChar(component, '.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
    if (text::EqualsIgnoreCase(base, device)) return true;
  }
  return base.size() == 4 && base[3] >= '0' && base[3] <= '9' &&
         (text::EqualsIgnoreCase(base.substr(0, 3), "COM") || text::EqualsIgnoreCase(base.substr(0, 3), "LPT"));
}

NameVerdict CheckComponent(std::string_view component) {
  if (component.empty()) return NameVerdict::kEmptyComponent;
  bool onlyDots = true;
  bool lastIsSingle = true;
  for (std::size_t i = 0; i < component.size(); i += text::CharLength(component, i)) {
    lastIsSingle = text::CharLength(component, i) == 1;
    if (!lastIsSingle) {
      onlyDots = false;
      continue;
    }
    const auto c = static_cast<unsigned char>(component[i]);
    if (c != '.') onlyDots = false;
    if (c < 0x20) return NameVerdict::kControlCharacter;
    if (c == ':') return NameVerdict::kDriveOrStream;
    if (c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') {
      return NameVerdict::kForbiddenCharacter;
    }
  }
  if (onlyDots) return NameVerdict::kDotComponent;
  if (lastIsSingle && (component.back() == '.' || component.back() == ' ')) return NameVerdict::kTrailingDotOrBlank;
  if (IsDeviceName(component)) return NameVerdict::kDeviceName;
  return NameVerdict::kOk;
}

}  // namespace

NameVerdict CheckEntryName(std::string_view name) {
  if (name.empty()) return NameVerdict::kEmpty;
  if (IsSeparator(name, 0)) return NameVerdict::kLeadingSeparator;
  std::size_t start = 0;
  for (std::size_t i = 0;; i += text::CharLength(name, i)) {
    if (i == name.size() || IsSeparator(name, i)) {
      const NameVerdict verdict = CheckComponent(name.substr(start, i - start));
      if (verdict != NameVerdict::kOk) return verdict;
      if (i == name.size()) return NameVerdict::kOk;
      start = i + 1;
    }
  }
}

const char* NameVerdictText(NameVerdict verdict) {
  switch (verdict) {
    case NameVerdict::kOk:
      return "";
    case NameVerdict::kEmpty:
      return "is empty";
    case NameVerdict::kLeadingSeparator:
      return "starts at the root of the drive";
    case NameVerdict::kEmptyComponent:
      return "has an empty folder name or ends with a separator";
    case NameVerdict::kDotComponent:
      return "has a part made of dots (the folder itself or its parent)";
    case NameVerdict::kTrailingDotOrBlank:
      return "has a part ending with a dot or blank, which Windows drops";
    case NameVerdict::kDriveOrStream:
      return "names a drive or a stream (':')";
    case NameVerdict::kForbiddenCharacter:
      return "holds a character Windows refuses in names (< > \" | ? *)";
    case NameVerdict::kControlCharacter:
      return "holds a control character";
    case NameVerdict::kDeviceName:
      return "names a device (CON, NUL, COM0-9, LPT0-9 ...)";
  }
  return "";
}

std::string EntryNameKey(std::string_view name) {
  std::string key = text::ToLowerAscii(name);
  // Separators become '/', which cannot be a trail byte: a '\' after a lone lead byte
  // (one before '/') would otherwise join it into a character.
  for (std::size_t i = 0; i < key.size(); i += text::CharLength(key, i)) {
    if (key[i] == '\\' && text::CharLength(key, i) == 1) key[i] = '/';
  }
  return key;
}

namespace {
constexpr uint64_t kHashStart = 0xCBF29CE484222325ull;  // 64-bit FNV-1a
uint64_t HashStep(uint64_t hash, unsigned char c) {
  return (hash ^ c) * 0x100000001B3ull;
}
}  // namespace

uint64_t EntryNameKeyHash(std::string_view name) {
  uint64_t hash = kHashStart;
  for (unsigned char c : EntryNameKey(name)) hash = HashStep(hash, c);
  return hash;
}

std::vector<uint64_t> FolderKeyHashes(std::string_view name) {
  // The key of a folder is the start of the name's key up to a separator, so one pass
  // hashes them all.
  const std::string key = EntryNameKey(name);
  std::vector<uint64_t> folders;
  uint64_t hash = kHashStart;
  for (std::size_t i = 0; i < key.size(); i += text::CharLength(key, i)) {
    if (key[i] == '/') folders.push_back(hash);
    for (std::size_t j = i; j < i + text::CharLength(key, i); ++j)
      hash = HashStep(hash, static_cast<unsigned char>(key[j]));
  }
  return folders;
}

}  // namespace yv::archive
