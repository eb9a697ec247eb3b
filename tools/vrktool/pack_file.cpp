// pack-file: one file into a packed file.
#include <system_error>

#include "archive/crc32.h"
#include "archive/package_format.h"
#include "vrktool/commands.h"
#include "vrktool/native.h"
#include "vrktool/pack_input.h"

namespace yv::vrktool {

int RunPackFile(const ParsedCommand& parsed, const ToolContext& tool) {
  std::ostream& err = tool.err;
  archive::ImplodeSettings settings;
  unsigned jobs = 1;
  if (!ImplodeSettingsFrom(parsed, settings, err) || !JobsFrom(parsed, jobs, err)) {
    return Usage(err, "bad option value", "pack-file");
  }
  const std::string output = parsed.Value("-o");
  if (output.empty()) return Usage(err, "pack-file needs -o OUT", "pack-file");
  if (parsed.operands.size() != 1) return Usage(err, "pack-file takes exactly one SOURCE file", "pack-file");
  if (archive::IsPackageArchivePath(output)) {
    return Usage(err,
                 "a packed file's path must not contain \".vrk\"; "
                 "it would be read as a package archive (use pack for those)",
                 "pack-file");
  }
  const std::string& shownSource = parsed.operands[0];
  const std::filesystem::path source = PathFromArgument(shownSource);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(source, ec)) {
    err << "vrktool: cannot pack '" << shownSource << "': no such file\n";
    return kExitFailed;
  }
  std::string content;
  if (!ReadContent(source, content, err)) return kExitFailed;

  Progress progress(err, ProgressShown(tool.terminal, parsed.Has("--quiet")), content.size());
  const std::string stream = ImplodeContents({content}, settings, jobs, progress).front();
  progress.Finish();
  PackOutput out;
  if (!out.Open(output, err) ||
      !out.Write(archive::BuildPackedFile(archive::Crc32Update(content.data(), content.size(), 0), stream), err) ||
      !out.Commit(err)) {
    return kExitFailed;
  }
  tool.out << "packed " << shownSource << " into " << output << " (" << ModeName(settings) << ", "
           << settings.dictionarySize << "-byte dictionary)\n"
           << "input " << content.size() << " bytes, output " << out.Written() << " bytes, ratio "
           << Ratio(content.size(), out.Written()) << "\n";
  return kExitOk;
}

}  // namespace yv::vrktool
