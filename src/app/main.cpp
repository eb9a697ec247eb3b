// setup.exe: the installation wizard. Started in the medium folder; a non-empty
// command line names the installed folder of an unattended upgrade.
#include <windows.h>

#include "app/startup.h"
#include "text/cp936.h"
#include "ui/application.h"
#include "winsys/library_search.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  yv::winsys::LimitLibrarySearch();
  yv::ui::InitializeApplication(instance);
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring dir(n, L'\0');
  dir.resize(GetCurrentDirectoryW(n, dir.data()));
  std::wstring tail = yv::app::CommandLineTail(GetCommandLineW());
  return yv::app::RunSetup(yv::text::FromWide(dir), yv::text::FromWide(tail));
}
