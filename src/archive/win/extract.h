// Installs one archive line of the setup description: a package archive (".vrk" in
// its path) is extracted into a folder, any other container is a packed file decoded
// into one file. Each file goes through the change layer (file_replacement.h): staged
// beside its target and put in place only when whole, so a failing entry leaves the
// earlier file as it was. Faults go
// to the caller's ExtractionFaults, which shows them and answers the questions.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "archive/win/extraction_faults.h"
#include "archive/win/extraction_progress.h"
#include "winsys/change_layer.h"

namespace yv::archive {

// How an archive line ended. The caller adds its own message about the medium's file
// after a failure unless the user stopped at a full disk, which is no fault of the file.
struct ItemResult {
  bool installed = true;
  bool blamesMedium = false;
  explicit operator bool() const { return installed; }
};

// The destination of an archive line's token (medium::DestinationOf) on this system;
// std::nullopt when it does not fit in 255 bytes or the system folder cannot be read.
std::optional<std::string> ResolveDestination(const std::string& installDir, const std::string& token);

// Archives of at least this many bytes after their header are read and decoded on a
// second thread while their files are written (archive/entry_feed.h); smaller ones are
// done on the caller's thread alone. Tests lower it to run small archives through it.
extern uint64_t gReadAheadFrom;

// Progress variant (installation progress page): drives the page's archive bar and
// file label and processes messages once per entry; the page answers the faults.
ItemResult InstallPackageItem(ExtractionProgress& progress, winsys::ChangeLayer& changes, const std::string& installDir,
                              const std::string& containerPath, const std::string& token);
ItemResult ExtractPackage(ExtractionProgress& progress, winsys::ChangeLayer& changes, const std::string& containerPath,
                          const std::string& destinationFolder);

// Quiet variant (last page): no progress.
ItemResult InstallPackageItemQuiet(ExtractionFaults& faults, winsys::ChangeLayer& changes,
                                   const std::string& installDir, const std::string& containerPath,
                                   const std::string& token);
ItemResult ExtractPackageQuiet(ExtractionFaults& faults, winsys::ChangeLayer& changes, const std::string& containerPath,
                               const std::string& destinationFolder);

// Decodes a packed file into `outputPath`: in place only when the stream was complete and
// its content's checksum matched. Of the faults only the questions (medium unreadable,
// disk full, file in use) are shown; any other failure just gives false.
ItemResult DecodePackedFile(winsys::ChangeLayer& changes, ExtractionFaults& faults, const std::string& containerPath,
                            const std::string& outputPath);

}  // namespace yv::archive
