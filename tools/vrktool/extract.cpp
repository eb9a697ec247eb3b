// extract: a package archive into a folder, a packed file to a file.
#include "vrktool/commands.h"
#include "vrktool/container_read.h"
#include "vrktool/native.h"
#include "vrktool/output_folder.h"
#include "vrktool/progress.h"
#include "vrktool/tool_io.h"

namespace yv::vrktool {

namespace fs = std::filesystem;

namespace {

// Checks every entry's name before anything is written: the name rule, GBK, and
// duplicates. Passes over the data without reading it.
bool CheckNamesFirst(const std::string& container, std::ostream& err) {
  OpenArchive open;
  if (!Open(container, open, err)) return false;
  archive::PackageReader& reader = *open.reader;
  DuplicateNames names;
  archive::PackageEntry entry;
  bool ok = true;
  while (reader.NextEntry(entry) && reader.SkipData()) {
    const std::size_t index = reader.EntriesRead();
    if (!ComponentsOf(entry.name)) {
      err << "vrktool: " << container << ": " << EntryLabel(index, entry.name) << ": the name is not valid GBK\n";
      ok = false;
    }
    if (const std::size_t earlier = names.Add(entry.name, index)) {
      err << "vrktool: " << container << ": " << EntryLabel(index, entry.name) << " has the name of entry " << earlier
          << " (Windows compares names without regard to letter case)\n";
      ok = false;
    }
  }
  return ReadToTheEnd(container, reader, err) && NoFileIsAFolder(container, names, err, err) && ok;
}

int Extract(const std::string& container, const std::string& folder, const std::string& file, const ToolContext& tool,
            bool progressShown) {
  std::ostream& out = tool.out;
  Progress progress(tool.err, progressShown, FileSize(PathFromArgument(container)));
  std::ostream& err = progress.Messages();
  std::string error;
  if (!archive::IsPackageArchivePath(container)) {
    OpenPacked open;
    if (!Open(container, open, err)) return kExitFailed;
    const fs::path target = PathFromArgument(file);
    const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
    auto output = OutputFolder::Open(parent, error);
    auto written = output ? output->Create({target.filename()}, error) : nullptr;
    if (!written) {
      err << "vrktool: cannot write '" << file << "': " << error << "\n";
      return kExitFailed;
    }
    uint64_t size = 0;
    auto sink = [&](const char* data, std::size_t n) {
      if (progress.Due()) progress.Set(FilePosition(open.file));
      return written->Write(data, n);
    };
    if (!DecodePacked(container, open, sink, size, err)) return kExitFailed;  // the temporary file goes with `written`
    progress.Finish();
    if (!written->Commit(std::nullopt, error)) {
      err << "vrktool: cannot write '" << file << "': " << error << "\n";
      return kExitFailed;
    }
    out << "extracted " << size << " bytes to " << file << "\n";
    return kExitOk;
  }

  // Nothing is written from an archive with a refused or duplicate name.
  if (!CheckNamesFirst(container, err)) return kExitFailed;
  auto destination = OutputFolder::Open(PathFromArgument(folder), error);
  if (!destination) {
    err << "vrktool: cannot create the folder '" << folder << "': " << error << "\n";
    return kExitFailed;
  }
  OpenArchive open;
  if (!Open(container, open, err)) return kExitFailed;
  archive::PackageReader& reader = *open.reader;
  const bool withTimes = reader.Header().formatVersion >= archive::kLongNameFormatVersion;
  DuplicateNames names;
  std::size_t count = 0;
  archive::PackageEntry entry;
  while (reader.NextEntry(entry)) {
    const std::string label = EntryLabel(reader.EntriesRead(), entry.name);
    const bool done = GuardEntry(container, label, err, [&] {
      auto components = ComponentsOf(entry.name);
      if (!components || names.Add(entry.name, reader.EntriesRead())) {
        // The archive changed since its names were checked.
        err << "vrktool: " << container << ": " << label << ": the name was refused\n";
        return false;
      }
      auto written = destination->Create(*components, error);
      if (!written) {
        err << "vrktool: " << container << ": " << label << ": " << error << "; not written\n";
        return false;
      }
      const std::string failure = CheckEntryData(reader, entry, [&](const char* data, std::size_t n) {
        if (progress.Due()) progress.Set(FilePosition(open.file));
        return written->Write(data, n);
      });
      if (!failure.empty()) {
        err << "vrktool: " << container << ": " << label << ": " << failure << "; not written\n";
        return false;
      }
      if (!written->Commit(withTimes ? std::optional<uint64_t>(entry.lastWriteTime) : std::nullopt, error)) {
        err << "vrktool: " << container << ": " << label << ": " << error << "\n";
        return false;
      }
      return true;
    });
    if (!done) return kExitFailed;
    ++count;
  }
  if (!ReadToTheEnd(container, reader, err)) return kExitFailed;
  progress.Finish();
  out << "extracted " << count << " files to " << folder << "\n";
  return kExitOk;
}

}  // namespace

int RunExtract(const ParsedCommand& parsed, const ToolContext& tool) {
  std::ostream& err = tool.err;
  if (parsed.operands.size() != 1) return Usage(err, "extract takes exactly one CONTAINER", "extract");
  const std::string& container = parsed.operands[0];
  const std::string folder = parsed.Value("-C");
  const std::string file = parsed.Value("-o");
  const bool package = archive::IsPackageArchivePath(container);
  if (package && (folder.empty() || !file.empty())) {
    return Usage(err, "a package archive is extracted with -C DIR", "extract");
  }
  if (!package && (file.empty() || !folder.empty())) {
    return Usage(err, "a packed file (no \".vrk\" in its path) is extracted with -o FILE", "extract");
  }
  return Extract(container, folder, file, tool, ProgressShown(tool.terminal, parsed.Has("--quiet")));
}

}  // namespace yv::vrktool
