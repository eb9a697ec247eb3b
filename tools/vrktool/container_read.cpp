#include "vrktool/container_read.h"

#include "archive/crc32.h"
#include "archive/explode.h"
#include "text/gbk.h"
#include "vrktool/display_name.h"
#include "vrktool/native.h"
#include "vrktool/tool_io.h"

namespace yv::vrktool {

namespace fs = std::filesystem;

File OpenForReading(const fs::path& path) {
#ifdef _WIN32
  return File(_wfopen(path.c_str(), L"rb"));
#else
  return File(std::fopen(path.c_str(), "rb"));
#endif
}

uint64_t FilePosition(const File& file) {
  const long position = std::ftell(file.get());
  return position < 0 ? 0 : static_cast<uint64_t>(position);
}

std::string Hex32(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

std::string EntryLabel(std::size_t index, std::string_view name) {
  return "entry " + std::to_string(index) + " '" + ShownName(name) + "'";
}

bool NoFileIsAFolder(const std::string& container, const DuplicateNames& names, std::ostream& out, std::ostream& err) {
  if (!names.FoldersComplete()) {
    out << container << ": note: too many folders to check them all against the file names\n";
  }
  const auto [file, user] = names.FileAlsoFolder();
  if (file == 0) return true;
  err << "vrktool: " << container << ": entry " << file << " is a file whose name entry " << user
      << " needs as a folder\n";
  return false;
}

std::string DecodeFailure(const archive::StreamDecode& d, uint32_t expected) {
  if (d.outOfMemory) return "not enough memory to decode it";
  if (d.sinkFailed) return "its content could not be written";
  switch (d.explodeResult) {
    case archive::kExplodeBadDictionary:
      return "its stream has an invalid dictionary byte";
    case archive::kExplodeBadLiteralMode:
      return "its stream has an invalid literal-mode byte";
    case archive::kExplodeInputTooShort:
      return "its stream is cut short (too short to hold even the end code)";
    case archive::kExplodeBrokenStream:
      return "its stream is cut short or damaged (no end-of-stream code after " + std::to_string(d.size) + " bytes)";
    default:
      break;
  }
  return "it does not decode to its checksum (content " + Hex32(d.checksum) + ", recorded " + Hex32(expected) + ")";
}

bool Open(const std::string& container, OpenArchive& open, std::ostream& err) {
  open.file = OpenForReading(PathFromArgument(container));
  if (!open.file) {
    err << "vrktool: cannot open '" << container << "'\n";
    return false;
  }
  open.source = std::make_unique<archive::StdioByteSource>(open.file.get());
  open.reader = std::make_unique<archive::PackageReader>(*open.source);
  if (!open.reader->ReadHeader()) {
    err << "vrktool: " << container << ": " << open.reader->FaultText() << "\n";
    return false;
  }
  return true;
}

bool ReadToTheEnd(const std::string& container, const archive::PackageReader& reader, std::ostream& err) {
  if (reader.Fault() == archive::PackageFault::kNone) return true;
  err << "vrktool: " << container << ": " << reader.FaultText();
  if (reader.Fault() == archive::PackageFault::kUnsafeName) err << " ('" << ShownName(reader.RefusedName()) << "')";
  err << "\n";
  return false;
}

std::string TrailingNote(uint64_t trailing) {
  return std::to_string(trailing) + " bytes after the last entry, which no reader looks at";
}

std::string CheckEntryData(archive::PackageReader& reader, const archive::PackageEntry& entry,
                           const archive::BlockSink& sink) {
  if (entry.IsCompressed()) {
    const archive::StreamDecode d =
        archive::DecodeStream([&](char* buf, std::size_t size) { return reader.ReadDataPart(buf, size); }, sink);
    // Bytes after the end code are not part of the content.
    if (!reader.SkipData()) return "the archive could not be read";
    return d.Accepted(entry.contentChecksum) ? std::string() : DecodeFailure(d, entry.contentChecksum);
  }
  char buffer[1 << 16];
  uint32_t checksum = 0;
  while (std::size_t got = reader.ReadDataPart(buffer, sizeof buffer)) {
    checksum = archive::Crc32Update(buffer, got, checksum);
    if (!sink(buffer, got)) return "its content could not be written";
  }
  if (reader.Fault() != archive::PackageFault::kNone) return "the archive could not be read";
  if (checksum != entry.contentChecksum) {
    return "this stored entry's checksum does not match its content (content " + Hex32(checksum) + ", recorded " +
           Hex32(entry.contentChecksum) + "); the wizard would install it unchecked";
  }
  return {};
}

bool Open(const std::string& container, OpenPacked& open, std::ostream& err) {
  open.file = OpenForReading(PathFromArgument(container));
  if (!open.file) {
    err << "vrktool: cannot open '" << container << "'\n";
    return false;
  }
  unsigned char header[archive::kPackedFileHeaderSize];
  if (std::fread(header, 1, sizeof header, open.file.get()) != sizeof header ||
      !archive::PackedFileMagicMatches(header)) {
    err << "vrktool: " << container << ": not a packed file (too short, or no \"MEVRAII\" magic)\n";
    return false;
  }
  open.contentChecksum = archive::PackedFileChecksum(header);
  open.source = std::make_unique<archive::StdioByteSource>(open.file.get());
  return true;
}

bool DecodePacked(const std::string& container, OpenPacked& open, const archive::BlockSink& sink, uint64_t& size,
                  std::ostream& err) {
  archive::StdioByteSource& source = *open.source;
  const archive::StreamDecode d = archive::DecodeStream(
      [&](char* buf, std::size_t want) -> std::size_t {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(want, source.Remaining()));
        return source.ReadExact(buf, n) ? n : 0;
      },
      sink);
  size = d.size;
  if (d.Accepted(open.contentChecksum)) return true;
  err << "vrktool: " << container << ": " << DecodeFailure(d, open.contentChecksum) << "\n";
  return false;
}

std::optional<std::vector<fs::path>> ComponentsOf(std::string_view name) {
  std::vector<fs::path> components;
  std::size_t start = 0;
  for (std::size_t i = 0;; i += text::CharLength(name, i)) {
    if (i == name.size() || (text::CharLength(name, i) == 1 && (name[i] == '\\' || name[i] == '/'))) {
      auto native = ComponentFromGbk(name.substr(start, i - start));
      if (!native) return std::nullopt;
      components.push_back(std::move(*native));
      if (i == name.size()) return components;
      start = i + 1;
    }
  }
}

}  // namespace yv::vrktool
