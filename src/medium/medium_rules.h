// The rules of an installation medium, in one place: what the description's [info] means
// when it is silent, how far its counts go, where an archive line's destination token
// points, which receiver-card table "configcard" selects, and the key of the uninstall
// entry the program group names. The wizard follows them, check-medium restates them to
// a vendor, and the uninstaller refuses a log that could not have come from them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "text/gbk.h"

namespace yv::medium {

// [info] "path" and "group" when the description has none.
inline constexpr char kDefaultInstallDir[] = "C:\\kv58";
inline constexpr char kDefaultProgramGroup[] = "Delvrin证券分析系统";

// The product's own key below HKEY_LOCAL_MACHINE, SOFTWARE\<maker>\<product>\<version>:
// start-up finds an earlier installation's user there, and its maker and version stand
// for [info] "publisher" and "version" when the description names none.
inline constexpr char kProductKey[] = "SOFTWARE\\Orvanet\\Delvrin证券分析系统\\3.0";

// "parts", "copy" and "delete" count up to five; a larger value counts as five.
inline constexpr int kCountLimit = 5;
constexpr int CappedCount(int value) {
  return value < kCountLimit ? value : kCountLimit;
}

// Every path the wizard composes lives in a 256-byte buffer: 255 bytes of text.
inline constexpr std::size_t kPathLimit = text::kPathLimit;

// The uninstall entry is this key below HKEY_LOCAL_MACHINE plus the program group; the
// whole key is a composed path, so the group may take what the fixed part leaves.
inline constexpr std::string_view kUninstallKeyPrefix = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr std::size_t kGroupLimit = kPathLimit - kUninstallKeyPrefix.size();

// [info] "version" and "publisher": the product's version and maker as the uninstall entry
// shows them. Each is read into a 256-byte buffer, as every value: a longer one keeps its
// first kPathLimit bytes (never half a character). Missing or empty, the product key's.
std::string VersionShown(std::string_view value);
std::string PublisherShown(std::string_view value);

// The uninstall entry's key (below HKEY_LOCAL_MACHINE) for a group; std::nullopt when the
// group is over kGroupLimit, so that no entry can be named.
std::optional<std::string> UninstallKeyOf(std::string_view group);

// What an archive line's destination token names: "WINDIR" the Windows folder,
// "WINSYSDIR" the system folder, "." the installation folder itself, anything else a path
// inside the installation folder.
enum class Destination { kWindowsFolder, kSystemFolder, kInstallFolder, kInsideInstallFolder };
Destination DestinationOf(std::string_view token);

// True when the destination names a folder that exists before the line is installed, so
// only a package archive (decoded into it) can go there, never a packed file (decoded to
// a file path).
constexpr bool IsExistingFolder(Destination destination) {
  return destination != Destination::kInsideInstallFolder;
}

// The folders a destination token resolves against (GBK, without trailing '\').
struct Folders {
  std::string install;
  std::string windows;
  std::string system;
};

// The path a token names, as composed; the wizard cannot make one over kPathLimit.
std::string ComposeDestination(const Folders& folders, std::string_view token);

// "configcard" empty or exactly "N/A": the cards are the description's own list
// ("DriverCards", "DriverN"); any other value selects the driver table installed with the
// product (cfg\newuser\system.ini).
constexpr bool UsesDriverTable(std::string_view configcard) {
  return !configcard.empty() && configcard != "N/A";
}

// Where a "reg" or "run" line's file lies, by the beginning of its key in capitals:
// "WPATH" on the medium, "IPATH" in the installation folder; std::nullopt (the line is
// ignored) for any other key.
enum class ListedBase { kMedium, kInstallFolder };
std::optional<ListedBase> ListedBaseOf(std::string_view key);

// "uninst" names the uninstaller by its file name alone, in the Windows folder. False for
// an empty name, "." and "..", and a name holding '\', '/' or ':' (a real one: the trail
// byte of a double-byte character such as "誠", D5 5C, is no separator).
bool IsPlainFileName(std::string_view name);

// The driver table's place below the installation folder.
inline constexpr char kDriverTableFile[] = "cfg\\newuser\\system.ini";

}  // namespace yv::medium
