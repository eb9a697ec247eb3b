// What list, extract and verify share: opening containers with the wizard's own
// readers, naming entries in messages, the duplicate-name check, and running an entry's
// data through its checksum.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "archive/package_format.h"
#include "archive/stream_decode.h"

namespace yv::vrktool {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(const std::filesystem::path& path);

// The position of an open file, for the progress line.
uint64_t FilePosition(const File& file);

std::string Hex32(uint32_t value);

// "entry 3 'name'": how messages name an entry (counted from 1).
std::string EntryLabel(std::size_t index, std::string_view name);

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
bool NoFileIsAFolder(const std::string& container, const DuplicateNames& names, std::ostream& out, std::ostream& err);

// Why a decode did not pass, for messages.
std::string DecodeFailure(const archive::StreamDecode& d, uint32_t expected);

// An open package archive with its reader.
struct OpenArchive {
  File file;
  std::unique_ptr<archive::StdioByteSource> source;
  std::unique_ptr<archive::PackageReader> reader;
};

// Opens the archive and reads its header; false after a message.
bool Open(const std::string& container, OpenArchive& open, std::ostream& err);

// Reports why the reading stopped, when it stopped on a fault; true when it did not.
bool ReadToTheEnd(const std::string& container, const archive::PackageReader& reader, std::ostream& err);

std::string TrailingNote(uint64_t trailing);

// Runs the entry's data (compressed or stored) through the checksum and into `sink`.
// The message says why the entry failed, empty when it passed.
std::string CheckEntryData(archive::PackageReader& reader, const archive::PackageEntry& entry,
                           const archive::BlockSink& sink);

// A packed file's header: its checksum, and the source positioned at its stream.
struct OpenPacked {
  File file;
  std::unique_ptr<archive::StdioByteSource> source;
  uint32_t contentChecksum = 0;
};

// Opens the packed file and checks its magic; false after a message.
bool Open(const std::string& container, OpenPacked& open, std::ostream& err);

// Decodes a packed file's stream into `sink`; false (with the reason on `err`) when it
// does not decode whole to its checksum.
bool DecodePacked(const std::string& container, OpenPacked& open, const archive::BlockSink& sink, uint64_t& size,
                  std::ostream& err);

// The native path components of a (checked) entry name.
std::optional<std::vector<std::filesystem::path>> ComponentsOf(std::string_view name);

}  // namespace yv::vrktool
