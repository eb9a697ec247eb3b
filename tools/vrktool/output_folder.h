// Writing extracted files so that nothing lands outside the destination folder. The
// folders of an entry are created or entered without following links: a symbolic link
// (or, on Windows, any reparse point) in the way refuses the entry. Each file is
// written under a short temporary name of its own, created exclusively (never opened
// through something that is already there), and renamed over its final name at the
// end, so an existing link of that name is replaced, never followed, and a failed entry
// leaves no half-written file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace yv::vrktool {

class OutputFile {
 public:
  // Removes the temporary file unless Commit succeeded.
  virtual ~OutputFile() = default;
  virtual bool Write(const char* data, std::size_t size) = 0;
  // Sets the last-write time (a FILETIME) when one is given, closes the file and puts
  // it in place under its final name. `error` says why on false.
  virtual bool Commit(std::optional<uint64_t> lastWriteTime, std::string& error) = 0;
};

class OutputFolder {
 public:
  virtual ~OutputFolder() = default;
  // Opens `folder`, creating it when missing. The folder itself is the user's choice
  // and is taken as given, links included.
  static std::unique_ptr<OutputFolder> Open(const std::filesystem::path& folder, std::string& error);
  // A new file whose name is the last of `components`, in the folders the others name
  // (created when missing). Null, with `error` set, when that cannot be done safely.
  virtual std::unique_ptr<OutputFile> Create(const std::vector<std::filesystem::path>& components,
                                             std::string& error) = 0;
};

// A short temporary name unlikely to be taken: ".vrk" and 8 random hexadecimal digits.
std::string TemporaryName();

}  // namespace yv::vrktool
