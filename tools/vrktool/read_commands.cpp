// list, extract and verify: reading containers with the wizard's own readers, in
// memory independent of the size of any entry: list passes over entry data without
// reading it, verify decodes into a checksum only, extract streams each decoded block
// to its file.
#include <cstdio>
#include <ctime>
#include <memory>
#include <new>
#include <system_error>
#include <unordered_map>

#include "archive/crc32.h"
#include "archive/explode.h"
#include "archive/package_format.h"
#include "archive/stream_decode.h"
#include "text/gbk.h"
#include "vrktool/commands.h"
#include "vrktool/display_name.h"
#include "vrktool/file_time.h"
#include "vrktool/native.h"
#include "vrktool/output_folder.h"

namespace yv::vrktool {

namespace fs = std::filesystem;

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(const fs::path& path) {
#ifdef _WIN32
  return File(_wfopen(path.c_str(), L"rb"));
#else
  return File(std::fopen(path.c_str(), "rb"));
#endif
}

std::string Hex32(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

// A FILETIME as "YYYY-MM-DD hh:mm:ss.fffffff UTC".
std::string FormatFileTime(uint64_t fileTime) {
  const UnixTime time = FileTimeToUnix(fileTime);
  // Days and seconds of the day, by the civil calendar (proleptic Gregorian).
  int64_t days = time.seconds / 86400;
  int64_t secondOfDay = time.seconds % 86400;
  if (secondOfDay < 0) {
    secondOfDay += 86400;
    --days;
  }
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[128];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld.%07u UTC",
                static_cast<long long>(year), static_cast<long long>(month), static_cast<long long>(day),
                static_cast<long long>(secondOfDay / 3600), static_cast<long long>(secondOfDay / 60 % 60),
                static_cast<long long>(secondOfDay % 60), time.nanoseconds / 100u);
  return text;
}

// "entry 3 'name'": how messages name an entry (counted from 1).
std::string EntryLabel(std::size_t index, std::string_view name) {
  return "entry " + std::to_string(index) + " '" + ShownName(name) + "'";
}

// Runs one entry's work: an allocation failure ends it with a message naming the entry.
template <typename Work>
bool GuardEntry(const std::string& container, const std::string& label, std::ostream& err, Work work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    err << "vrktool: " << container << ": " << label << ": not enough memory\n";
    return false;
  }
}

// Finds names that Windows would take as the same file (see EntryNameKey), and files
// whose name another entry needs as a folder. Keeps hashes: 65535 entries need well
// under a megabyte, and the folders at most kMaxFolders records.
class DuplicateNames {
 public:
  // The number of the earlier entry with the same name, or 0.
  std::size_t Add(std::string_view name, std::size_t index) {
    for (uint64_t folder : archive::FolderKeyHashes(name)) {
      if (!folders_.empty() && folders_.back().first == folder) continue;
      if (folders_.size() >= kMaxFolders) {
        foldersComplete_ = false;
        break;
      }
      folders_.emplace_back(folder, index);
    }
    const auto [it, added] = first_.emplace(archive::EntryNameKeyHash(name), index);
    return added ? 0 : it->second;
  }

  // After the last entry: the number of an entry whose name is also a folder of
  // another entry, and that entry's number; {0, 0} when there is none.
  std::pair<std::size_t, std::size_t> FileAlsoFolder() const {
    for (const auto& [folder, user] : folders_) {
      const auto file = first_.find(folder);
      if (file != first_.end()) return {file->second, user};
    }
    return {0, 0};
  }
  bool FoldersComplete() const { return foldersComplete_; }

 private:
  static constexpr std::size_t kMaxFolders = 1u << 19;
  std::unordered_map<uint64_t, std::size_t> first_;
  std::vector<std::pair<uint64_t, std::size_t>> folders_;
  bool foldersComplete_ = true;
};

// Reports a file that is also another entry's folder; true when there is none.
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

// Why a decode did not pass, for messages.
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

// An open package archive with its reader.
struct OpenArchive {
  File file;
  std::unique_ptr<archive::StdioByteSource> source;
  std::unique_ptr<archive::PackageReader> reader;
};

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

// Reports why the reading stopped, when it stopped on a fault; true when it did not.
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

// Runs the entry's data (compressed or stored) through the checksum and into `sink`.
// The message says why the entry failed, empty when it passed.
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

// A packed file's header: its checksum, and the source positioned at its stream.
struct OpenPacked {
  File file;
  std::unique_ptr<archive::StdioByteSource> source;
  uint32_t contentChecksum = 0;
};

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

// Decodes a packed file's stream into `sink`; false (with the reason on `err`) when it
// does not decode whole to its checksum.
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

// The native path components of a (checked) entry name.
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

}  // namespace

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

int Extract(const std::string& container, const std::string& folder, const std::string& file,
            std::ostream& out, std::ostream& err) {
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
    if (!DecodePacked(
            container, open, [&](const char* data, std::size_t n) { return written->Write(data, n); }, size, err)) {
      return kExitFailed;  // the temporary file goes with `written`
    }
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
      const std::string failure =
          CheckEntryData(reader, entry, [&](const char* data, std::size_t n) { return written->Write(data, n); });
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
  out << "extracted " << count << " files to " << folder << "\n";
  return kExitOk;
}

int Verify(const std::vector<std::string>& containers, std::ostream& out, std::ostream& err) {
  int result = kExitOk;
  const archive::BlockSink checksumOnly = [](const char*, std::size_t) { return true; };
  for (const std::string& container : containers) {
    if (!archive::IsPackageArchivePath(container)) {
      OpenPacked open;
      uint64_t size = 0;
      if (!Open(container, open, err) || !DecodePacked(container, open, checksumOnly, size, err)) {
        result = kExitFailed;
        continue;
      }
      out << container << ": ok (packed file, " << size << " bytes)\n";
      continue;
    }
    OpenArchive open;
    if (!Open(container, open, err)) {
      result = kExitFailed;
      continue;
    }
    archive::PackageReader& reader = *open.reader;
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
    if (!ReadToTheEnd(container, reader, err) || !NoFileIsAFolder(container, names, out, err) || !ok) {
      result = kExitFailed;
      continue;
    }
    out << container << ": ok (" << compressed << " compressed, " << stored << " stored entries)\n";
    if (reader.TrailingBytes() > 0) out << container << ": note: " << TrailingNote(reader.TrailingBytes()) << "\n";
  }
  return result;
}

}  // namespace yv::vrktool
