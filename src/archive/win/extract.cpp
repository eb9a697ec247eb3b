#include "archive/win/extract.h"

#include <algorithm>
#include <functional>

#include "archive/entry_feed.h"
#include "archive/package_format.h"
#include "archive/stream_decode.h"
#include "archive/win/archive_texts.h"
#include "archive/win/file_replacement.h"
#include "archive/win/handle_source.h"
#include "medium/medium_rules.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "winsys/handle.h"
#include "winsys/system_folders.h"

namespace yv::archive {

using winsys::ScopedHandle;

namespace {

// Others may read the medium too, and write it: a medium changed under the extraction is
// noticed as one that can no longer be read.
HANDLE OpenForReading(const std::string& path) {
  return CreateFileW(text::ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// How one pass over an archive line ended.
enum class Ending {
  kDone,
  kFailed,     // a fault ended it
  kNoSpace,    // the user stopped at a full disk
  kReadAgain,  // Retry after the medium could not be read: the whole line again
};

// Whether an archive is read and decoded on a second thread while its files are written:
// only where there is enough to decode for the thread to pay for its start. The size of the
// entries does not matter: 1500 entries of about 1.3 KiB took the same time either way.
bool ReadsAhead(uint64_t dataBytes) {
  return dataBytes >= gReadAheadFrom;
}

ItemResult ResultOf(Ending ending) {
  if (ending == Ending::kDone) return {true, false};
  return {false, ending != Ending::kNoSpace};
}

// Decodes a stream into `file` (`decode` hands the content to the sink it is given); the
// fault that kept the content from being whole.
std::optional<FaultKind> DecodeInto(winsys::StagedFile& file,
                                    const std::function<StreamDecode(const BlockSink&)>& decode,
                                    uint32_t expectedChecksum) {
  winsys::ChangeFault written;
  const StreamDecode decoded = decode([&](const char* data, std::size_t size) {
    written = file.Write(data, size);
    return !written;
  });
  if (written) return FaultOf(written);
  // No work area: the entry cannot be written, as a file that cannot be created.
  if (decoded.outOfMemory) return FaultKind::kCannotCreate;
  if (!decoded.Accepted(expectedChecksum)) return FaultKind::kChecksum;
  return std::nullopt;
}

Ending AskToReadAgain(ExtractionFaults& faults, const std::string& containerPath) {
  return faults.Retry({FaultKind::kReadError, containerPath}) ? Ending::kReadAgain : Ending::kFailed;
}

Ending Tell(ExtractionFaults& faults, FaultKind kind, const std::string& path, bool compressed = false) {
  faults.Retry({kind, path, compressed});
  return Ending::kFailed;
}

// The feed's entry into its file.
Ending PlaceEntry(winsys::ChangeLayer& changes, ExtractionFaults& faults, const PackageEntry& entry, EntryFeed& feed,
                  const std::string& outputPath, bool withTime) {
  const bool compressed = entry.IsCompressed();
  const Placement placement = PlaceFile(
      changes, faults, outputPath, compressed, withTime ? std::optional<uint64_t>(entry.lastWriteTime) : std::nullopt,
      [&](winsys::StagedFile& file) -> std::optional<FaultKind> {
        if (compressed) {
          return DecodeInto(
              file, [&](const BlockSink& sink) { return feed.Content(sink); }, entry.contentChecksum);
        }
        if (const winsys::ChangeFault written = file.Write(feed.Data(), entry.storedSize)) return FaultOf(written);
        return std::nullopt;
      });
  switch (placement.result) {
    case Placement::kPlaced:
      return Ending::kDone;
    // A stored entry whose file cannot be made (a read-only file, say) is skipped.
    case Placement::kRefused:
      return compressed ? Tell(faults, FaultKind::kCannotCreate, outputPath, true) : Ending::kDone;
    case Placement::kFailed:
      return Tell(faults, placement.fault, outputPath, compressed);
    case Placement::kStopped:
      return placement.fault == FaultKind::kDiskFull ? Ending::kNoSpace : Ending::kFailed;
  }
  return Ending::kFailed;
}

struct Site {
  winsys::ChangeLayer& changes;
  ExtractionFaults& faults;
  ExtractionProgress* progress;
};

Ending ExtractOnce(const Site& site, const std::string& containerPath, const std::string& destinationFolder,
                   bool again) {
  ExtractionFaults& faults = site.faults;
  ScopedHandle container(OpenForReading(containerPath));
  if (!container) {
    // Opened once already: the medium has gone, not the container.
    return again ? AskToReadAgain(faults, containerPath) : Tell(faults, FaultKind::kCannotOpen, containerPath);
  }
  HandleByteSource source(container.get());
  EntryFeed feed(source);
  // A reader that stops is a damaged container unless a read of the medium failed.
  const auto stopped = [&](FaultKind damaged) {
    return source.ReadFailed() ? AskToReadAgain(faults, containerPath) : Tell(faults, damaged, containerPath);
  };
  if (!feed.ReadHeader()) return stopped(FaultKind::kBadHeader);
  const PackageHeader header = feed.Header();
  const bool withTimes = header.formatVersion >= kLongNameFormatVersion;
  if (site.progress) site.progress->SetArchiveMaximum(header.entryCount);
  if (ReadsAhead(source.Remaining())) feed.ReadAhead();

  for (unsigned index = 0; index < header.entryCount; ++index) {
    PackageEntry entry;
    // The reader refuses a container that ends early or claims more than it holds, and
    // names that would leave the destination folder, before anything is written.
    if (!feed.NextEntry(entry)) return stopped(FaultKind::kContainerShort);
    const auto outputPath = text::JoinBounded(text::kPathLimit, {destinationFolder, "\\", entry.name});

    if (site.progress) {
      site.progress->StepArchive();
      site.progress->SetFileLabel(std::string(texts::kLabelInstall) + containerPath + texts::kLabelTo +
                                  destinationFolder + "\\" + entry.name);
      site.progress->ProcessMessages();
    }

    // Never larger than what remains of the container: the reader checked the size.
    if (!feed.ReadData()) {
      return feed.Fault() == PackageFault::kOutOfMemory ? Tell(faults, FaultKind::kNoMemory, containerPath)
                                                        : stopped(FaultKind::kContainerShort);
    }
    // A path over 255 bytes is a file that cannot be created.
    if (!outputPath) {
      if (!entry.IsCompressed()) continue;
      return Tell(faults, FaultKind::kCannotCreate, destinationFolder + "\\" + entry.name, true);
    }
    const Ending placed = PlaceEntry(site.changes, faults, entry, feed, *outputPath, withTimes);
    if (placed != Ending::kDone) return placed;
  }
  return Ending::kDone;
}

ItemResult Extract(const Site& site, const std::string& containerPath, const std::string& destinationFolder) {
  Ending ending = ExtractOnce(site, containerPath, destinationFolder, false);
  // Files already replaced are whole, so the line is simply installed again.
  while (ending == Ending::kReadAgain) ending = ExtractOnce(site, containerPath, destinationFolder, true);
  return ResultOf(ending);
}

Ending DecodePackedOnce(winsys::ChangeLayer& changes, ExtractionFaults& faults, const std::string& containerPath,
                        const std::string& outputPath, bool again) {
  ScopedHandle container(OpenForReading(containerPath));
  if (!container) return again ? AskToReadAgain(faults, containerPath) : Ending::kFailed;
  unsigned char header[kPackedFileHeaderSize];
  DWORD got = 0;
  if (!ReadFile(container.get(), header, sizeof header, &got, nullptr)) return AskToReadAgain(faults, containerPath);
  // A file shorter than its header holds no stream at all.
  if (got != sizeof header || !PackedFileMagicMatches(header)) return Ending::kFailed;
  LARGE_INTEGER fileSize{};
  if (!GetFileSizeEx(container.get(), &fileSize) || fileSize.QuadPart > 0xFFFFFFFFll) return Ending::kFailed;
  const uint64_t streamSize = static_cast<uint64_t>(fileSize.QuadPart) - kPackedFileHeaderSize;

  bool readFailed = false;
  const Placement placement = PlaceFile(
      changes, faults, outputPath, true, std::nullopt, [&](winsys::StagedFile& file) -> std::optional<FaultKind> {
        // Written again after a full disk: the stream is read again from its start.
        LARGE_INTEGER start{};
        start.QuadPart = kPackedFileHeaderSize;
        if (!SetFilePointerEx(container.get(), start, nullptr, FILE_BEGIN)) return FaultKind::kReadError;
        uint64_t left = streamSize;
        readFailed = false;
        const StreamPull pull = [&](char* buf, std::size_t wanted) -> std::size_t {
          const DWORD want = static_cast<DWORD>(std::min<uint64_t>(wanted, left));
          DWORD delivered = 0;
          if (want == 0) return 0;
          if (!ReadFile(container.get(), buf, want, &delivered, nullptr) || delivered == 0) {
            readFailed = true;
            return 0;
          }
          left -= delivered;
          return delivered;
        };
        const auto fault = DecodeInto(
            file, [&](const BlockSink& sink) { return DecodeStream(pull, sink); }, PackedFileChecksum(header));
        if (readFailed) return FaultKind::kReadError;
        return fault;
      });
  if (placement.result == Placement::kPlaced) return Ending::kDone;
  if (placement.result == Placement::kStopped) {
    return placement.fault == FaultKind::kDiskFull ? Ending::kNoSpace : Ending::kFailed;
  }
  if (placement.result == Placement::kFailed && placement.fault == FaultKind::kReadError) {
    return AskToReadAgain(faults, containerPath);
  }
  return Ending::kFailed;
}

ItemResult Install(const Site& site, const std::string& installDir, const std::string& containerPath,
                   const std::string& token) {
  const auto destination = ResolveDestination(installDir, token);
  if (GetFileAttributesW(text::ToWide(containerPath).c_str()) == INVALID_FILE_ATTRIBUTES) {
    return ResultOf(Tell(site.faults, FaultKind::kContainerMissing, containerPath));
  }
  // A destination longer than 255 bytes cannot be written: the caller reports it.
  if (!destination) return {false, true};
  if (IsPackageArchivePath(containerPath)) return Extract(site, containerPath, *destination);
  return DecodePackedFile(site.changes, site.faults, containerPath, *destination);
}

}  // namespace

uint64_t gReadAheadFrom = 1 << 20;

std::optional<std::string> ResolveDestination(const std::string& installDir, const std::string& token) {
  const medium::Folders folders{installDir, winsys::WindowsFolder().value_or(""), winsys::SystemFolder().value_or("")};
  std::string path = medium::ComposeDestination(folders, token);
  // An empty path is a system folder that could not be read.
  if (path.empty() || path.size() > medium::kPathLimit) return std::nullopt;
  return path;
}

ItemResult InstallPackageItem(ExtractionProgress& progress, winsys::ChangeLayer& changes, const std::string& installDir,
                              const std::string& containerPath, const std::string& token) {
  return Install({changes, progress, &progress}, installDir, containerPath, token);
}

ItemResult ExtractPackage(ExtractionProgress& progress, winsys::ChangeLayer& changes, const std::string& containerPath,
                          const std::string& destinationFolder) {
  return Extract({changes, progress, &progress}, containerPath, destinationFolder);
}

ItemResult InstallPackageItemQuiet(ExtractionFaults& faults, winsys::ChangeLayer& changes,
                                   const std::string& installDir, const std::string& containerPath,
                                   const std::string& token) {
  return Install({changes, faults, nullptr}, installDir, containerPath, token);
}

ItemResult ExtractPackageQuiet(ExtractionFaults& faults, winsys::ChangeLayer& changes, const std::string& containerPath,
                               const std::string& destinationFolder) {
  return Extract({changes, faults, nullptr}, containerPath, destinationFolder);
}

ItemResult DecodePackedFile(winsys::ChangeLayer& changes, ExtractionFaults& faults, const std::string& containerPath,
                            const std::string& outputPath) {
  Ending ending = DecodePackedOnce(changes, faults, containerPath, outputPath, false);
  while (ending == Ending::kReadAgain) ending = DecodePackedOnce(changes, faults, containerPath, outputPath, true);
  return ResultOf(ending);
}

}  // namespace yv::archive
