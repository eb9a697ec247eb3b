#include "medium/medium_rules.h"

namespace yv::medium {

namespace {

constexpr std::string_view kProduct = kProductKey;

// The product key's last level, and its second (the one after "SOFTWARE").
std::string_view ProductVersion() {
  return kProduct.substr(text::FindLastChar(kProduct, '\\') + 1);
}
std::string_view ProductMaker() {
  const std::size_t first = text::FindChar(kProduct, '\\') + 1;
  return kProduct.substr(first, text::FindChar(kProduct, '\\', first) - first);
}

std::string Shown(std::string_view value, std::string_view otherwise) {
  return std::string(value.empty() ? otherwise : text::CutToCharacters(value, kPathLimit));
}

}  // namespace

std::string VersionShown(std::string_view value) {
  return Shown(value, ProductVersion());
}

std::string PublisherShown(std::string_view value) {
  return Shown(value, ProductMaker());
}

std::optional<std::string> UninstallKeyOf(std::string_view group) {
  if (group.size() > kGroupLimit) return std::nullopt;
  std::string key(kUninstallKeyPrefix);
  key.append(group);
  return key;
}

Destination DestinationOf(std::string_view token) {
  if (token == "WINDIR") return Destination::kWindowsFolder;
  if (token == "WINSYSDIR") return Destination::kSystemFolder;
  if (token == ".") return Destination::kInstallFolder;
  return Destination::kInsideInstallFolder;
}

std::optional<ListedBase> ListedBaseOf(std::string_view key) {
  if (key.substr(0, 5) == "WPATH") return ListedBase::kMedium;
  if (key.substr(0, 5) == "IPATH") return ListedBase::kInstallFolder;
  return std::nullopt;
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char separator : {'\\', '/', ':'}) {
    if (text::FindChar(name, separator) != std::string_view::npos) return false;
  }
  return true;
}

std::string ComposeDestination(const Folders& folders, std::string_view token) {
  switch (DestinationOf(token)) {
    case Destination::kWindowsFolder:
      return folders.windows;
    case Destination::kSystemFolder:
      return folders.system;
    case Destination::kInstallFolder:
      return folders.install;
    case Destination::kInsideInstallFolder:
      break;
  }
  return folders.install + "\\" + std::string(token);
}

}  // namespace yv::medium
