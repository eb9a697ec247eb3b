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

int RunCheckMedium(const ParsedCommand& parsed, const ToolContext& tool) {
  if (parsed.help) {
    PrintCommandHelp(*FindCommandSyntax("check-medium"), tool.out);
    tool.out << "\nFindings:\n";
    for (const FindingKind& kind : FindingKinds()) {
      tool.out << "  " << kind.code << " (" << SeverityName(kind.severity) << ")\n      " << kind.meaning << "\n";
    }
    return kExitOk;
  }
  if (parsed.operands.size() != 1) return Usage(tool.err, "check-medium takes exactly one DIR", "check-medium");
  return CheckMediumCommand(parsed.operands[0], parsed.Has("--json"), tool.out, tool.err);
}

}  // namespace yv::vrktool
