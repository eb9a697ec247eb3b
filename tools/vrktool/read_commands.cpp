// list, extract and verify: reading containers with the wizard's own readers.
#include <cstdio>
#include <ctime>
#include <memory>
#include <system_error>

#include "archive/explode.h"
#include "archive/package_format.h"
#include "text/gbk.h"
#include "vrktool/commands.h"
#include "vrktool/file_time.h"
#include "vrktool/native.h"
#include "vrktool/tool_io.h"

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

// Reads a whole package archive, calling `onEntry` with each entry and its data.
// Returns false (after saying why on `err`) when the archive is bad or `onEntry` fails;
// `stopAtFailure` ends the reading at the first entry that fails.
template <typename OnEntry>
bool ForEachEntry(const std::string& container, bool stopAtFailure, std::ostream& err,
                  archive::PackageHeader* headerOut, OnEntry onEntry) {
  File file = OpenForReading(PathFromArgument(container));
  if (!file) {
    err << "vrktool: cannot open '" << container << "'\n";
    return false;
  }
  archive::StdioByteSource source(file.get());
  archive::PackageReader reader(source);
  if (!reader.ReadHeader()) {
    err << "vrktool: " << container << ": " << reader.FaultText() << "\n";
    return false;
  }
  if (headerOut) *headerOut = reader.Header();
  bool ok = true;
  archive::PackageEntry entry;
  std::string data;
  while (reader.NextEntry(entry)) {
    if (!reader.ReadData(data)) break;
    if (!onEntry(reader.Header(), entry, data)) {
      ok = false;
      if (stopAtFailure) return false;
    }
  }
  if (reader.Fault() != archive::PackageFault::kNone) {
    err << "vrktool: " << container << ": entry " << reader.EntriesRead() << ": "
        << reader.FaultText() << "\n";
    return false;
  }
  return ok;
}

// The file named by a (safe) GBK entry name below `folder`: each '\'-separated
// component converted to this system's names. Empty components are skipped.
std::optional<fs::path> OutputPathFor(const fs::path& folder, std::string_view name) {
  fs::path path = folder;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t stop = text::FindChar(name, '\\', start);
    const std::size_t slash = text::FindChar(name, '/', start);
    if (slash < stop) stop = slash;
    if (stop == std::string_view::npos) stop = name.size();
    const std::string_view component = name.substr(start, stop - start);
    if (!component.empty()) {
      auto native = ComponentFromGbk(component);
      if (!native) return std::nullopt;
      path /= *native;
    }
    start = stop + 1;
  }
  return path;
}

std::optional<std::string> ReadWholeContainer(const std::string& container, std::ostream& err) {
  auto bytes = ReadFileBytes(PathFromArgument(container));
  if (!bytes) err << "vrktool: cannot open '" << container << "'\n";
  return bytes;
}

// Decodes a packed file; the content when it decodes whole and matches its checksum.
std::optional<std::string> DecodePacked(const std::string& container, std::ostream& err) {
  auto bytes = ReadWholeContainer(container, err);
  if (!bytes) return std::nullopt;
  auto view = archive::ParsePackedFile(*bytes);
  if (!view) {
    err << "vrktool: " << container << ": not a packed file (too short, or no \"MEVRAII\" magic)\n";
    return std::nullopt;
  }
  archive::MemoryDecode decoded = archive::DecodeToMemory(view->stream);
  if (!archive::DecodeAccepted(decoded.explodeResult, decoded.checksum, view->contentChecksum)) {
    err << "vrktool: " << container << ": the content does not decode to its checksum (decoder result "
        << decoded.explodeResult << ", checksum " << Hex32(decoded.checksum) << ", expected "
        << Hex32(view->contentChecksum) << ")\n";
    return std::nullopt;
  }
  return std::move(decoded.content);
}

}  // namespace

int List(const std::string& container, std::ostream& out, std::ostream& err) {
  if (!archive::IsPackageArchivePath(container)) {
    auto bytes = ReadWholeContainer(container, err);
    if (!bytes) return kExitFailed;
    auto view = archive::ParsePackedFile(*bytes);
    if (!view) {
      err << "vrktool: " << container << ": not a packed file (too short, or no \"MEVRAII\" magic)\n";
      return kExitFailed;
    }
    out << container << ": packed file, stream " << view->stream.size() << " bytes, checksum "
        << Hex32(view->contentChecksum) << "\n";
    return kExitOk;
  }
  archive::PackageHeader header;
  bool headerShown = false;
  const bool ok = ForEachEntry(
      container, true, err, &header,
      [&](const archive::PackageHeader& h, const archive::PackageEntry& entry, const std::string& data) {
        if (!headerShown) {
          out << container << ": package archive, format version " << static_cast<int>(h.formatVersion)
              << ", " << h.entryCount << " entries\n";
          headerShown = true;
        }
        out << (entry.IsCompressed() ? "implode " : "stored  ") << data.size() << "\t"
            << Hex32(entry.contentChecksum) << "\t";
        if (h.formatVersion >= archive::kLongNameFormatVersion) out << FormatFileTime(entry.lastWriteTime) << "\t";
        out << GbkForDisplay(entry.name) << "\n";
        return true;
      });
  if (ok && !headerShown) {
    out << container << ": package archive, format version " << static_cast<int>(header.formatVersion)
        << ", " << header.entryCount << " entries\n";
  }
  return ok ? kExitOk : kExitFailed;
}

int Extract(const std::string& container, const std::string& folder, const std::string& file,
            std::ostream& out, std::ostream& err) {
  if (!archive::IsPackageArchivePath(container)) {
    auto content = DecodePacked(container, err);
    if (!content) return kExitFailed;
    if (!WriteFileBytes(PathFromArgument(file), *content)) {
      err << "vrktool: cannot write '" << file << "'\n";
      return kExitFailed;
    }
    out << "extracted " << content->size() << " bytes to " << file << "\n";
    return kExitOk;
  }
  const fs::path destination = PathFromArgument(folder);
  std::error_code ec;
  fs::create_directories(destination, ec);
  if (!fs::is_directory(destination, ec)) {
    err << "vrktool: cannot create the folder '" << folder << "'\n";
    return kExitFailed;
  }
  std::size_t count = 0;
  const bool ok = ForEachEntry(
      container, true, err, nullptr,
      [&](const archive::PackageHeader& header, const archive::PackageEntry& entry, std::string& data) {
        const std::string shownName = GbkForDisplay(entry.name);
        if (!archive::IsSafeEntryName(entry.name)) {
          err << "vrktool: " << container << ": the entry '" << shownName
              << "' would leave the destination folder; refused\n";
          return false;
        }
        auto path = OutputPathFor(destination, entry.name);
        if (!path) {
          err << "vrktool: " << container << ": the entry name '" << shownName << "' is not valid GBK\n";
          return false;
        }
        std::string content;
        if (entry.IsCompressed()) {
          if (!archive::VerifyCompressedEntry(data, entry.contentChecksum, &content)) {
            err << "vrktool: " << container << ": the entry '" << shownName
                << "' does not decode to its checksum; not written\n";
            return false;
          }
        } else {
          content.swap(data);
        }
        std::error_code dirError;
        fs::create_directories(path->parent_path(), dirError);
        if (!WriteFileBytes(*path, content)) {
          err << "vrktool: cannot write '" << PathForDisplay(*path) << "'\n";
          return false;
        }
        if (header.formatVersion >= archive::kLongNameFormatVersion &&
            !WriteLastWriteTime(*path, entry.lastWriteTime)) {
          err << "vrktool: cannot set the modification time of '" << PathForDisplay(*path) << "'\n";
          return false;
        }
        ++count;
        return true;
      });
  if (!ok) return kExitFailed;
  out << "extracted " << count << " files to " << folder << "\n";
  return kExitOk;
}

int Verify(const std::vector<std::string>& containers, std::ostream& out, std::ostream& err) {
  int result = kExitOk;
  for (const std::string& container : containers) {
    if (!archive::IsPackageArchivePath(container)) {
      auto content = DecodePacked(container, err);
      if (!content) {
        result = kExitFailed;
        continue;
      }
      out << container << ": ok (packed file, " << content->size() << " bytes)\n";
      continue;
    }
    std::size_t compressed = 0;
    std::size_t stored = 0;
    const bool ok = ForEachEntry(
        container, false, err, nullptr,
        [&](const archive::PackageHeader&, const archive::PackageEntry& entry, const std::string& data) {
          if (!entry.IsCompressed()) {
            // Readers take stored entries as they are; their checksum is not checked.
            ++stored;
            return true;
          }
          ++compressed;
          if (archive::VerifyCompressedEntry(data, entry.contentChecksum)) return true;
          err << "vrktool: " << container << ": the entry '" << GbkForDisplay(entry.name)
              << "' does not decode to its checksum\n";
          return false;
        });
    if (!ok) {
      result = kExitFailed;
      continue;
    }
    out << container << ": ok (" << compressed << " compressed, " << stored << " stored entries)\n";
  }
  return result;
}

}  // namespace yv::vrktool
