// check-medium: reads an installation medium as setup.exe would and reports what would
// break or surprise an installation, before the medium ships.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace yv::vrktool {

enum class Severity {
  kError,    // the installation would fail, do harm, or silently leave out what the medium lists
  kWarning,  // the wizard would do something the vendor probably did not mean
  kInfo,     // worth knowing
};

// One kind of finding: its code, its severity and what it means (shown by --help).
struct FindingKind {
  std::string_view code;
  Severity severity;
  std::string_view meaning;
};
const std::vector<FindingKind>& FindingKinds();

// Where a finding was made (file, section and key as the medium spells them, UTF-8)
// and what it says (UTF-8).
struct Finding {
  Severity severity;
  std::string code;
  std::string file;
  std::string section;
  std::string key;
  std::string message;
};

std::vector<Finding> CheckMedium(const std::filesystem::path& medium);

std::string_view SeverityName(Severity severity);
// The findings as lines ("error: install.ini [part0] a.vrk: ...") or as a JSON array.
void WriteFindings(const std::vector<Finding>& findings, bool json, std::ostream& out);

// vrktool check-medium DIR [--json]: 0 without errors, 1 with errors.
int CheckMediumCommand(const std::string& medium, bool json, std::ostream& out, std::ostream& err);

}  // namespace yv::vrktool
