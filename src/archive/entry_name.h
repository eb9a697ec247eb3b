// The one rule for entry names, shared by the wizard's reader and every command of the
// media tool: a name is a path relative to the destination folder, and it must name a
// plain file inside that folder on Windows. GBK-aware: a trail byte may be '\' or '|'.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace yv::archive {

enum class NameVerdict {
  kOk,
  kEmpty,               // no name at all
  kLeadingSeparator,    // "\x" or "/x": the root of the drive
  kEmptyComponent,      // "a\\b" or a trailing separator: a folder, not a file
  kDotComponent,        // ".", "..", "..." and the like: this or the parent folder
  kTrailingDotOrBlank,  // "a." or "a ": Windows drops them, so the name changes
  kDriveOrStream,       // ':' anywhere: a drive ("C:x") or a stream of a file
  kForbiddenCharacter,  // < > " | ? *, which Windows refuses in names
  kControlCharacter,    // bytes 1 to 31 (a zero byte ends a name before it is read)
  kDeviceName,          // CON, NUL, COM0-9, LPT0-9 ... with or without an extension
};

NameVerdict CheckEntryName(std::string_view gbkName);
// An English phrase for a refused name ("names a device"), empty for kOk.
const char* NameVerdictText(NameVerdict verdict);
inline bool IsSafeEntryName(std::string_view gbkName) {
  return CheckEntryName(gbkName) == NameVerdict::kOk;
}

// The form in which Windows compares two names: ASCII letters folded, double-byte
// characters kept exactly, '\' and '/' both taken as '/'. Two entries with the same key would land
// in the same file.
std::string EntryNameKey(std::string_view gbkName);
// A 64-bit hash of EntryNameKey, for finding duplicates among up to 65535 entries in
// little memory.
uint64_t EntryNameKeyHash(std::string_view gbkName);
// The EntryNameKeyHash of each folder the name needs ("a\b\c" needs "a" and "a\b"). An
// entry whose own name is another entry's folder can be extracted by neither.
std::vector<uint64_t> FolderKeyHashes(std::string_view gbkName);

}  // namespace yv::archive
