// Entry names and what the entry name rule makes of them: one table for the rule's own
// tests, the media tool's and the wizard's extraction tests, and the fuzz seeds.
#pragma once

#include <string_view>

#include "archive/entry_name.h"

namespace yv::test {

struct EntryNameCase {
  std::string_view name;
  archive::NameVerdict verdict;
};

inline constexpr EntryNameCase kEntryNameCases[] = {
    {"a.txt", archive::NameVerdict::kOk},
    {"bin\\a.dll", archive::NameVerdict::kOk},
    {"x..y", archive::NameVerdict::kOk},
    {".profile", archive::NameVerdict::kOk},
    {"console.txt", archive::NameVerdict::kOk},
    {"nullable", archive::NameVerdict::kOk},
    {"COM10", archive::NameVerdict::kOk},
    {"\xD5\x5C.txt", archive::NameVerdict::kOk},  // trail byte '\'
    {"\xD5\x5C\\\xD5\x5C", archive::NameVerdict::kOk},
    {"\x81\x7C.txt", archive::NameVerdict::kOk},               // trail byte '|'
    {"a\xB0\x2E", archive::NameVerdict::kTrailingDotOrBlank},  // 0x2E cannot be a trail byte
    {"\xB0\xA1", archive::NameVerdict::kOk},
    {"", archive::NameVerdict::kEmpty},
    {"\\windows\\x", archive::NameVerdict::kLeadingSeparator},
    {"/etc/x", archive::NameVerdict::kLeadingSeparator},
    {"a\\\\b", archive::NameVerdict::kEmptyComponent},
    {"dir\\", archive::NameVerdict::kEmptyComponent},
    {".", archive::NameVerdict::kDotComponent},
    {"..", archive::NameVerdict::kDotComponent},
    {"..\\x", archive::NameVerdict::kDotComponent},
    {"a\\..\\..\\x", archive::NameVerdict::kDotComponent},
    {"a/../x", archive::NameVerdict::kDotComponent},
    {"a\\.\\b", archive::NameVerdict::kDotComponent},
    {"...", archive::NameVerdict::kDotComponent},
    {". .\\x", archive::NameVerdict::kTrailingDotOrBlank},
    {"a\\.. ", archive::NameVerdict::kTrailingDotOrBlank},
    {"a.", archive::NameVerdict::kTrailingDotOrBlank},
    {"a \\b", archive::NameVerdict::kTrailingDotOrBlank},
    {"C:x", archive::NameVerdict::kDriveOrStream},
    {"C:\\x", archive::NameVerdict::kDriveOrStream},
    {"a.txt:stream", archive::NameVerdict::kDriveOrStream},
    {"a<b", archive::NameVerdict::kForbiddenCharacter},
    {"a>b", archive::NameVerdict::kForbiddenCharacter},
    {"a\"b", archive::NameVerdict::kForbiddenCharacter},
    {"a|b", archive::NameVerdict::kForbiddenCharacter},
    {"a?b", archive::NameVerdict::kForbiddenCharacter},
    {"sub\\*.txt", archive::NameVerdict::kForbiddenCharacter},
    {"a\nb", archive::NameVerdict::kControlCharacter},
    {"\x1B[31mred", archive::NameVerdict::kControlCharacter},
    {"tab\t", archive::NameVerdict::kControlCharacter},
    {"nul", archive::NameVerdict::kDeviceName},
    {"bin\\COM1.txt", archive::NameVerdict::kDeviceName},
    {"COM0", archive::NameVerdict::kDeviceName},
    {"lpt0.log", archive::NameVerdict::kDeviceName},
    {"Lpt9", archive::NameVerdict::kDeviceName},
    {"con .log", archive::NameVerdict::kDeviceName},
    {"CONOUT$", archive::NameVerdict::kDeviceName},
};

}  // namespace yv::test
