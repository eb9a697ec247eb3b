#include "vrktool/medium_files.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <system_error>

#include "archive/package_format.h"
#include "text/gbk.h"
#include "vrktool/commands.h"
#include "vrktool/native.h"
#include "vrktool/tool_io.h"

namespace yv::vrktool {

namespace fs = std::filesystem;

namespace {

// The entry of `folder` whose GBK name matches `component` without regard to case.
std::optional<fs::path> MatchComponent(const fs::path& folder, std::string_view component) {
  if (auto exact = ComponentFromGbk(component)) {
    std::error_code ec;
    if (fs::exists(folder / *exact, ec)) return folder / *exact;
  }
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    auto gbk = ComponentToGbk(entry.path().filename());
    if (gbk && text::EqualsIgnoreCase(*gbk, component)) return entry.path();
  }
  return std::nullopt;
}

std::FILE* OpenFile(const fs::path& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"rb");
#else
  return std::fopen(path.c_str(), "rb");
#endif
}

}  // namespace

std::optional<fs::path> MediumFolder::Find(std::string_view gbkName) const {
  fs::path path = root_;
  std::size_t start = 0;
  while (start <= gbkName.size()) {
    std::size_t stop = text::FindChar(gbkName, '\\', start);
    if (stop == std::string_view::npos) stop = gbkName.size();
    const std::string_view component = gbkName.substr(start, stop - start);
    start = stop + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") return std::nullopt;
    auto next = MatchComponent(path, component);
    if (!next) return std::nullopt;
    path = *next;
  }
  return path;
}

bool MediumFolder::IsFile(std::string_view gbkName) const {
  auto path = Find(gbkName);
  std::error_code ec;
  return path && fs::is_regular_file(*path, ec);
}

bool MediumFolder::IsFolder(std::string_view gbkName) const {
  auto path = Find(gbkName);
  std::error_code ec;
  return path && fs::is_directory(*path, ec);
}

std::optional<std::string> MediumFolder::Read(std::string_view gbkName) const {
  if (!IsFile(gbkName)) return std::nullopt;
  return ReadFileBytes(*Find(gbkName));
}

std::vector<std::string> MediumFolder::PlainFiles(std::string_view gbkFolder) const {
  std::vector<std::string> names;
  auto folder = Find(gbkFolder);
  std::error_code ec;
  if (!folder || !fs::is_directory(*folder, ec)) return names;
  for (const auto& entry : fs::directory_iterator(*folder, ec)) {
    const std::string native = entry.path().filename().string();
    if (!entry.is_regular_file(ec) || native.empty() || native[0] == '.') continue;
    if (auto gbk = ComponentToGbk(entry.path().filename())) names.push_back(*gbk);
  }
  std::sort(names.begin(), names.end());
  return names;
}

ContainerReport InspectContainer(const fs::path& path, bool packageArchive) {
  ContainerReport report;
  // The verdict is verify's own, so the check and the tool never disagree.
  std::ostringstream out;
  std::ostringstream err;
  const std::string shown = PathForDisplay(path);
  report.good = Verify({shown}, ToolContext{out, err}, false) == kExitOk;
  report.fault = err.str();
  while (!report.fault.empty() && report.fault.back() == '\n') report.fault.pop_back();
  const std::string prefix = "vrktool: " + shown + ": ";
  if (report.fault.rfind(prefix, 0) == 0) report.fault.erase(0, prefix.size());
  if (!packageArchive) return report;

  // Names only: the data is skipped, so a large archive costs no memory here.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFile(path), std::fclose);
  if (!file) return report;
  archive::StdioByteSource source(file.get());
  archive::PackageReader reader(source);
  if (!reader.ReadHeader()) return report;
  archive::PackageEntry entry;
  while (reader.NextEntry(entry) && reader.SkipData()) report.names.push_back(entry.name);
  return report;
}

}  // namespace yv::vrktool
