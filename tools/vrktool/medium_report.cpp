// check-medium's report: lines for people, a JSON array for build pipelines.
#include <cstdio>
#include <system_error>

#include "vrktool/commands.h"
#include "vrktool/medium_check.h"
#include "vrktool/native.h"

namespace yv::vrktool {

namespace {

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// "install.ini [part0] a.vrk" with the parts that are known.
std::string Place(const Finding& finding) {
  std::string place = finding.file.empty() ? "medium" : finding.file;
  if (!finding.section.empty()) place += " [" + finding.section + "]";
  if (!finding.key.empty()) place += " " + finding.key;
  return place;
}

}  // namespace

std::string_view SeverityName(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    case Severity::kInfo:
      return "info";
  }
  return "error";
}

void WriteFindings(const std::vector<Finding>& findings, bool json, std::ostream& out) {
  if (!json) {
    for (const Finding& f : findings) {
      out << SeverityName(f.severity) << ": " << Place(f) << ": " << f.message << " (" << f.code << ")\n";
    }
    return;
  }
  out << "[";
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const Finding& f = findings[i];
    out << (i ? ",\n " : "\n ") << "{\"severity\": " << JsonString(SeverityName(f.severity))
        << ", \"code\": " << JsonString(f.code) << ", \"file\": " << JsonString(f.file)
        << ", \"section\": " << JsonString(f.section) << ", \"key\": " << JsonString(f.key)
        << ", \"message\": " << JsonString(f.message) << "}";
  }
  out << (findings.empty() ? "]\n" : "\n]\n");
}

int CheckMediumCommand(const std::string& medium, bool json, std::ostream& out, std::ostream& err) {
  const std::filesystem::path root = PathFromArgument(medium);
  std::error_code ec;
  if (!std::filesystem::is_directory(root, ec)) {
    err << "vrktool: '" << medium << "' is not a folder\n";
    return kExitFailed;
  }
  const std::vector<Finding> findings = CheckMedium(root);
  WriteFindings(findings, json, out);
  std::size_t errors = 0;
  std::size_t warnings = 0;
  for (const Finding& f : findings) {
    errors += f.severity == Severity::kError;
    warnings += f.severity == Severity::kWarning;
  }
  if (!json) out << medium << ": " << errors << " errors, " << warnings << " warnings\n";
  return errors ? kExitFailed : kExitOk;
}

int RunCheckMedium(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool json = false;
  std::vector<std::string> folders;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      out << "vrktool check-medium DIR [--json]\n\n"
             "Reads the installation medium in DIR as setup.exe reads it (the same INI rules, the same\n"
             "containers; both install.ini and install6.ini when both exist; paths composed with the\n"
             "description's default installation folder and C:\\windows) and reports each finding with\n"
             "its file, section and key. Exit codes: 0 no errors, 1 errors, 2 a wrong command line.\n"
             "--json prints the findings as a JSON array of objects with the fields severity, code,\n"
             "file, section, key and message.\n\nFindings:\n";
      for (const FindingKind& kind : FindingKinds()) {
        out << "  " << kind.code << " (" << SeverityName(kind.severity) << ")\n      " << kind.meaning << "\n";
      }
      return kExitOk;
    }
    if (args[i] == "--json") {
      json = true;
    } else if (!args[i].empty() && args[i][0] == '-') {
      err << "vrktool: unknown option '" << args[i] << "' for check-medium\n(see vrktool --help)\n";
      return kExitUsage;
    } else {
      folders.push_back(args[i]);
    }
  }
  if (folders.size() != 1) {
    err << "vrktool: check-medium takes exactly one DIR\n(see vrktool --help)\n";
    return kExitUsage;
  }
  return CheckMediumCommand(folders[0], json, out, err);
}

}  // namespace yv::vrktool
