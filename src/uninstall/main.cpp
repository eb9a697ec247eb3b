// uninstall.exe: removes what the installation recorded in the log beside this program
// (same name, ".log"). No arguments: asks first and shows its progress and result; "/S":
// removes without any question or box. Exit code 0: all removed; 1: something stayed;
// 2: nothing removed.
#include <windows.h>

#include "text/cp936.h"
#include "text/gbk.h"
#include "ui/application.h"
#include "uninstall/self_removal.h"
#include "uninstall/uninstaller.h"
#include "winsys/library_search.h"

namespace {

// The command-line text after the program's name (quoted or not) and its blanks.
std::wstring ArgumentsOf(const wchar_t* commandLine) {
  std::wstring_view s(commandLine);
  std::size_t i = 0;
  if (!s.empty() && s[0] == L'"') {
    i = s.find(L'"', 1);
    i = i == std::wstring_view::npos ? s.size() : i + 1;
  } else {
    while (i < s.size() && s[i] != L' ' && s[i] != L'\t') ++i;
  }
  while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
  return std::wstring(s.substr(i));
}

std::string OwnPath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return yv::text::FromWide(path);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  yv::winsys::LimitLibrarySearch();
  yv::ui::InitializeApplication(instance);
  const std::string arguments(yv::text::TrimBlanks(yv::text::FromWide(ArgumentsOf(GetCommandLineW()))));
  const std::string cleanup = yv::uninstall::kCleanupSwitch;
  if (arguments.compare(0, cleanup.size(), cleanup) == 0) {
    return yv::uninstall::RunCleanup(arguments.substr(cleanup.size()));
  }
  return yv::uninstall::RunUninstaller(OwnPath(), yv::text::EqualsIgnoreCase(arguments, "/S"));
}
