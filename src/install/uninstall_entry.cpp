#include "install/uninstall_entry.h"

#include "install/install_texts.h"
#include "install/too_long_message.h"
#include "medium/medium_rules.h"
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

}  // namespace

bool WriteUninstallEntry(HWND owner, winsys::ChangeLayer& changes, const std::string& group,
                         const std::string& uninstaller, std::string& command) {
  const std::string windows = winsys::WindowsFolder().value_or("");
  const auto keyPath = medium::UninstallKeyOf(group);
  if (!keyPath) {
    ReportTooLong(owner, texts::kProgramGroupName, group);
    return false;
  }
  const auto composed = text::JoinBounded(kCommandBufferSize - 1, {windows, "\\", uninstaller});
  if (!composed) {
    ReportTooLong(owner, texts::kUninstallCommandName, windows + "\\" + uninstaller);
    return false;
  }
  command = *composed;
  const winsys::RegistryKey key = winsys::RegistryKey::Create(changes, HKEY_LOCAL_MACHINE, *keyPath);
  if (!key.IsOpen()) return true;
  key.WriteRawString("UninstallString", PaddedCommand(command));
  key.WriteString("DisplayName", group);
  return true;
}

}  // namespace yv::install
