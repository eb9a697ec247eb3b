// init: a small starting medium (see docs/medium.md): setup.ini, a commented install.ini,
// the licence and component texts, and src/program packed into program.vrk.
#include <sstream>
#include <system_error>

#include "vrktool/commands.h"
#include "vrktool/medium_template.h"
#include "vrktool/native.h"
#include "vrktool/tool_io.h"

namespace yv::vrktool {

namespace fs = std::filesystem;

int RunInit(const ParsedCommand& parsed, const ToolContext& tool) {
  if (parsed.operands.size() != 1) return Usage(tool.err, "init takes exactly one DIR", "init");
  const std::string& shown = parsed.operands[0];
  const fs::path dir = PathFromArgument(shown);
  std::error_code ec;
  // Never over a medium that is already there.
  if (fs::exists(dir, ec) && !fs::is_empty(dir, ec)) {
    tool.err << "vrktool: '" << shown << "' is not empty; init writes only into a new or empty folder\n";
    return kExitFailed;
  }
  using namespace medium_template;
  const std::pair<fs::path, std::string_view> files[] = {
      {"setup.ini", kSetupIni},
      {"install.ini", kInstallIni},
      {"Lics.txt", kLicence},
      {"ad0.txt", kComponentText},
      {"ad4.txt", kLastPageText},
      {fs::path("src") / "program" / "demo.exe", kProgramStandIn},
      {fs::path("src") / "program" / "readme.txt", kProgramReadme},
      {fs::path("src") / "program" / "data" / "readme.txt", kDataReadme},
  };
  for (const auto& [name, content] : files) {
    fs::create_directories((dir / name).parent_path(), ec);
    if (!WriteFileBytes(dir / name, content)) {
      tool.err << "vrktool: cannot write '" << PathForDisplay(dir / name) << "'\n";
      return kExitFailed;
    }
  }
  // The archive is made as a vendor makes it, with pack.
  const std::vector<std::string> pack = {"pack", "--quiet", "-o", PathForDisplay(dir / "program.vrk"),
                                         PathForDisplay(dir / "src" / "program")};
  std::ostringstream packReport;
  const int packed =
      RunPack(*ParseCommand(*FindCommandSyntax("pack"), pack, tool.err), ToolContext{packReport, tool.err, false});
  if (packed != kExitOk) return packed;
  tool.out << "wrote a starting medium in " << shown
           << ": setup.ini, install.ini, Lics.txt, ad0.txt, ad4.txt and program.vrk (packed from src/program)\n"
              "check it with: vrktool check-medium "
           << shown << "\n";
  return kExitOk;
}

}  // namespace yv::vrktool
