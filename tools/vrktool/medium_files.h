// The files of an installation medium as the wizard finds them: names in GBK with '\'
// between folders, matched without regard to ASCII letter case as Windows matches them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace yv::vrktool {

class MediumFolder {
 public:
  explicit MediumFolder(std::filesystem::path root) : root_(std::move(root)) {}

  const std::filesystem::path& Root() const { return root_; }
  // The file or folder that a GBK name relative to the medium names; std::nullopt when
  // there is none (or the name climbs out of the medium).
  std::optional<std::filesystem::path> Find(std::string_view gbkName) const;
  bool IsFile(std::string_view gbkName) const;
  bool IsFolder(std::string_view gbkName) const;
  std::optional<std::string> Read(std::string_view gbkName) const;
  // GBK names of the plain files of a folder (no folders, no hidden files), sorted.
  std::vector<std::string> PlainFiles(std::string_view gbkFolder) const;

 private:
  std::filesystem::path root_;
};

// What reading a container as the wizard reads it gives.
struct ContainerReport {
  bool good = false;               // every entry readable, decodable and matching its checksum
  std::string fault;               // why not (UTF-8)
  std::vector<std::string> names;  // entry names of a package archive (GBK), in order
};
ContainerReport InspectContainer(const std::filesystem::path& path, bool packageArchive);

}  // namespace yv::vrktool
