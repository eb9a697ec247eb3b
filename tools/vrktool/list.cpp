// list: the entries of a container, without reading their data.
#include "vrktool/commands.h"
#include "vrktool/container_read.h"
#include "vrktool/display_name.h"
#include "vrktool/file_time.h"

namespace yv::vrktool {

namespace {

int List(const std::string& container, std::ostream& out, std::ostream& err) {
  if (!archive::IsPackageArchivePath(container)) {
    OpenPacked open;
    if (!Open(container, open, err)) return kExitFailed;
    out << container << ": packed file, stream " << open.source->Remaining() << " bytes, checksum "
        << Hex32(open.contentChecksum) << "\n";
    return kExitOk;
  }
  OpenArchive open;
  if (!Open(container, open, err)) return kExitFailed;
  archive::PackageReader& reader = *open.reader;
  reader.RefuseUnsafeNames(false);  // shown, and marked
  const archive::PackageHeader& h = reader.Header();
  out << container << ": package archive, format version " << static_cast<int>(h.formatVersion) << ", " << h.entryCount
      << " entries\n";
  DuplicateNames names;
  bool ok = true;
  archive::PackageEntry entry;
  while (reader.NextEntry(entry) && reader.SkipData()) {
    out << (entry.IsCompressed() ? "implode " : "stored  ") << entry.storedSize << "\t" << Hex32(entry.contentChecksum)
        << "\t";
    if (h.formatVersion >= archive::kLongNameFormatVersion) out << FormatFileTime(entry.lastWriteTime) << "\t";
    out << ShownName(entry.name);
    const archive::NameVerdict verdict = archive::CheckEntryName(entry.name);
    if (verdict != archive::NameVerdict::kOk) {
      out << "\t[refused: the name " << archive::NameVerdictText(verdict) << "]";
      ok = false;
    } else if (const std::size_t earlier = names.Add(entry.name, reader.EntriesRead())) {
      out << "\t[refused: the same name as entry " << earlier << "]";
      ok = false;
    }
    out << "\n";
  }
  if (!ReadToTheEnd(container, reader, err)) return kExitFailed;
  ok &= NoFileIsAFolder(container, names, out, err);
  if (reader.TrailingBytes() > 0) out << "note: " << TrailingNote(reader.TrailingBytes()) << "\n";
  return ok ? kExitOk : kExitFailed;
}

}  // namespace

int RunList(const ParsedCommand& parsed, const ToolContext& tool) {
  if (parsed.operands.size() != 1) return Usage(tool.err, "list takes exactly one CONTAINER", "list");
  return List(parsed.operands[0], tool.out, tool.err);
}

}  // namespace yv::vrktool
