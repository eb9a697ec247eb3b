// Installs one archive line of the setup description: a package archive (".vrk" in
// its path) is extracted into a folder, any other container is a packed file decoded
// into one file. Existing files are replaced without asking; failures are reported in
// message boxes of these routines, and the caller stops on false.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "archive/win/extraction_progress.h"

namespace yv::archive {

// The destination of an archive line's token: "WINDIR" the Windows folder, "WINSYSDIR"
// the system folder, "." the installation folder, anything else that path inside the
// installation folder. std::nullopt when it does not fit in 255 bytes.
std::optional<std::string> ResolveDestination(const std::string& installDir, const std::string& token);

// Progress variant (installation progress page): drives the page's archive bar and
// file label and processes messages once per entry.
bool InstallPackageItem(ExtractionProgress& progress, const std::string& installDir,
                        const std::string& containerPath, const std::string& token);
bool ExtractPackage(ExtractionProgress& progress, const std::string& containerPath,
                    const std::string& destinationFolder);

// Quiet variant (completion page): no progress, every box owned by `owner`.
bool InstallPackageItemQuiet(HWND owner, const std::string& installDir, const std::string& containerPath,
                             const std::string& token);
bool ExtractPackageQuiet(HWND owner, const std::string& containerPath, const std::string& destinationFolder);

// Decodes one implode stream held in memory into a new file (replacing any file of that
// name). True when the stream was complete, every byte reached the file and the content's
// checksum is `expectedChecksum`. The file stays, whatever the outcome.
bool DecodeBufferToFile(const unsigned char* block, uint32_t size, const std::string& outputPath,
                        uint32_t expectedChecksum);

// Decodes a packed file into `outputPath`, with the same judgement. Shows no message.
bool DecodePackedFile(const std::string& containerPath, const std::string& outputPath);

}  // namespace yv::archive
