// verify: decodes every entry of containers and checks everything a reader may trip on.
#include "vrktool/commands.h"
#include "vrktool/container_read.h"
#include "vrktool/native.h"
#include "vrktool/progress.h"
#include "vrktool/tool_io.h"

namespace yv::vrktool {

int Verify(const std::vector<std::string>& containers, const ToolContext& tool, bool progressShown) {
  std::ostream& out = tool.out;
  int result = kExitOk;
  // The line counts the bytes of all the containers read so far.
  uint64_t total = 0;
  for (const std::string& container : containers) total += FileSize(PathFromArgument(container));
  Progress progress(tool.err, progressShown, total);
  std::ostream& err = progress.Messages();
  uint64_t before = 0;  // bytes of the containers already verified
  const File* current = nullptr;
  const archive::BlockSink checksumOnly = [&](const char*, std::size_t) {
    if (current && progress.Due()) progress.Set(before + FilePosition(*current));
    return true;
  };
  for (const std::string& container : containers) {
    const uint64_t size = FileSize(PathFromArgument(container));
    struct Advance {
      uint64_t& before;
      uint64_t size;
      ~Advance() { before += size; }
    } advance{before, size};
    if (!archive::IsPackageArchivePath(container)) {
      OpenPacked open;
      uint64_t decoded = 0;
      if (!Open(container, open, err)) {
        result = kExitFailed;
        continue;
      }
      current = &open.file;
      const bool good = DecodePacked(container, open, checksumOnly, decoded, err);
      current = nullptr;
      if (!good) {
        result = kExitFailed;
        continue;
      }
      progress.Finish();  // the report stands on a line of its own
      out << container << ": ok (packed file, " << decoded << " bytes)\n";
      continue;
    }
    OpenArchive open;
    if (!Open(container, open, err)) {
      result = kExitFailed;
      continue;
    }
    archive::PackageReader& reader = *open.reader;
    current = &open.file;
    DuplicateNames names;
    std::size_t compressed = 0;
    std::size_t stored = 0;
    bool ok = true;
    archive::PackageEntry entry;
    while (reader.NextEntry(entry)) {
      const std::size_t index = reader.EntriesRead();
      const std::string label = EntryLabel(index, entry.name);
      (entry.IsCompressed() ? compressed : stored)++;
      ok &= GuardEntry(container, label, err, [&] {
        bool good = true;
        if (!ComponentsOf(entry.name)) {
          err << "vrktool: " << container << ": " << label << ": the name is not valid GBK\n";
          good = false;
        }
        if (const std::size_t earlier = names.Add(entry.name, index)) {
          err << "vrktool: " << container << ": " << label << " has the name of entry " << earlier
              << " (Windows compares names without regard to letter case)\n";
          good = false;
        }
        const std::string failure = CheckEntryData(reader, entry, checksumOnly);
        if (!failure.empty()) {
          err << "vrktool: " << container << ": " << label << ": " << failure << "\n";
          good = false;
        }
        return good;
      });
    }
    current = nullptr;
    progress.Finish();  // the reports below stand on lines of their own
    if (!ReadToTheEnd(container, reader, err) || !NoFileIsAFolder(container, names, out, err) || !ok) {
      result = kExitFailed;
      continue;
    }
    out << container << ": ok (" << compressed << " compressed, " << stored << " stored entries)\n";
    if (reader.TrailingBytes() > 0) out << container << ": note: " << TrailingNote(reader.TrailingBytes()) << "\n";
  }
  return result;
}

int RunVerify(const ParsedCommand& parsed, const ToolContext& tool) {
  if (parsed.operands.empty()) return Usage(tool.err, "verify needs a CONTAINER", "verify");
  return Verify(parsed.operands, tool, ProgressShown(tool.terminal, parsed.Has("--quiet")));
}

}  // namespace yv::vrktool
