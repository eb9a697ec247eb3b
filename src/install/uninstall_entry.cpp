#include "install/uninstall_entry.h"

#include <cstdint>

#include "install/install_texts.h"
#include "install/too_long_message.h"
#include "medium/medium_rules.h"
#include "profile/profile.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "winsys/registry.h"
#include "winsys/system_folders.h"

namespace yv::install {

namespace {

// The command is kept in a 256-byte buffer, and all of it is the value's data.
constexpr std::size_t kCommandBufferSize = 256;

// The data a program reading the value with the narrow API gets: the command's GBK
// bytes, then zeros up to 256 bytes. Stored as UTF-16: the command, then one zero
// character for each byte of padding, so the narrow size comes out at exactly 256.
std::wstring PaddedCommand(const std::string& command) {
  std::wstring data = text::ToWide(command);
  data.append(kCommandBufferSize - command.size(), L'\0');
  return data;
}

// The installation's size in KiB, rounded up: the bytes of the files this run staged. An
// upgrade writes every file of the chosen components again, all but the "_" archives that
// keep the user's settings, so its own bytes are the installation's size but for those
// and for a component it left out this time. The folder's total would count the user's
// own files too, which the uninstaller leaves where they are.
DWORD SizeInKiB(uint64_t bytes) {
  const uint64_t kib = bytes / 1024 + (bytes % 1024 != 0);
  return kib > MAXDWORD ? MAXDWORD : static_cast<DWORD>(kib);
}

// Today's local date as YYYYMMDD.
std::string Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char date[9];
  wsprintfA(date, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
  return date;
}

}  // namespace

bool WriteUninstallEntry(HWND owner, winsys::ChangeLayer& changes, const InstalledProduct& product,
                         std::string& command) {
  const std::string windows = winsys::WindowsFolder().value_or("");
  const auto keyPath = medium::UninstallKeyOf(product.group);
  if (!keyPath) {
    ReportTooLong(owner, texts::kProgramGroupName, product.group);
    return false;
  }
  const auto composed = text::JoinBounded(kCommandBufferSize - 1, {windows, "\\", product.uninstaller});
  if (!composed) {
    ReportTooLong(owner, texts::kUninstallCommandName, windows + "\\" + product.uninstaller);
    return false;
  }
  command = *composed;
  const winsys::RegistryKey key = winsys::RegistryKey::Create(changes, HKEY_LOCAL_MACHINE, *keyPath);
  if (!key.IsOpen()) return true;
  const std::wstring padded = PaddedCommand(command);
  key.WriteRaw("UninstallString", REG_SZ, padded.data(), padded.size() * sizeof(wchar_t));
  key.WriteString("DisplayName", product.group);
  key.WriteString("DisplayVersion",
                  medium::VersionShown(profile::ReadString(product.description, "info", "version", "")));
  key.WriteString("Publisher",
                  medium::PublisherShown(profile::ReadString(product.description, "info", "publisher", "")));
  const std::string folder = text::WithoutTrailingBackslash(product.installDir);
  // A program path the wizard could not compose leaves the list its own icon.
  const auto icon = text::JoinBounded(text::kPathLimit, {folder, "\\", product.mainProgram});
  if (icon && !product.mainProgram.empty()) key.WriteString("DisplayIcon", *icon);
  key.WriteString("InstallLocation", folder);
  key.WriteString("InstallDate", Today());
  key.WriteDword("EstimatedSize", SizeInKiB(changes.StagedBytes()));
  key.WriteString("QuietUninstallString", "\"" + command + "\" /S");
  key.WriteDword("NoModify", 1);
  key.WriteDword("NoRepair", 1);
  return true;
}

}  // namespace yv::install
