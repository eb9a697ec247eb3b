#include "vrktool/tool_io.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>

#include "vrktool/output_folder.h"

namespace yv::vrktool {

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

uint64_t FileSize(const std::filesystem::path& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : static_cast<uint64_t>(size);
}

bool WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::string error;
  auto folder = OutputFolder::Open(path.has_parent_path() ? path.parent_path() : std::filesystem::path("."), error);
  auto file = folder ? folder->Create({path.filename()}, error) : nullptr;
  return file && file->Write(bytes.data(), bytes.size()) && file->Commit(std::nullopt, error);
}

std::string TemporaryName() {
  static std::mt19937_64 random(std::random_device{}() ^
                                static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  char name[16];
  std::snprintf(name, sizeof name, ".vrk%08x", static_cast<unsigned>(random() & 0xFFFFFFFFu));
  return name;
}

}  // namespace yv::vrktool
