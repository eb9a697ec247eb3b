// StartAsUser: a program started through the desktop's shell runs with the rights of
// the user the shell runs for. The shell's ShellExecute is reached from the desktop's
// view: the shell windows' desktop entry, its top-level browser, the browser's active
// view, the view's background object and the shell application behind it.
#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <windows.h>

#include "text/cp936.h"
#include "winsys/com_ref.h"
#include "winsys/handle.h"
#include "winsys/process.h"

namespace yv::winsys {

namespace {

bool IsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const ScopedHandle owned(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

// The desktop shell's own ShellExecute; false when there is no desktop shell or it does
// not take the program.
bool ShellExecuteOnDesktop(const std::wstring& program, const std::wstring& folder) {
  VARIANT desktop;
  VariantInit(&desktop);
  desktop.vt = VT_I4;
  desktop.lVal = CSIDL_DESKTOP;
  VARIANT none;
  VariantInit(&none);
  long window = 0;
  Released<IShellWindows> windows;
  Released<IDispatch> desktopEntry;
  Released<IServiceProvider> services;
  Released<IShellBrowser> browser;
  Released<IShellView> view;
  Released<IDispatch> background;
  Released<IShellFolderViewDual> folderView;
  Released<IDispatch> application;
  Released<IShellDispatch2> shell;
  const bool reached =
      SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                 reinterpret_cast<void**>(&windows.p))) &&
      windows.p->FindWindowSW(&desktop, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &desktopEntry.p) == S_OK &&
      desktopEntry.p &&
      SUCCEEDED(desktopEntry.p->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&services.p))) &&
      SUCCEEDED(
          services.p->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, reinterpret_cast<void**>(&browser.p))) &&
      SUCCEEDED(browser.p->QueryActiveShellView(&view.p)) &&
      SUCCEEDED(view.p->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(&background.p))) &&
      SUCCEEDED(background.p->QueryInterface(IID_IShellFolderViewDual, reinterpret_cast<void**>(&folderView.p))) &&
      SUCCEEDED(folderView.p->get_Application(&application.p)) &&
      SUCCEEDED(application.p->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(&shell.p)));
  if (!reached) return false;
  const BSTR file = SysAllocString(program.c_str());
  VARIANT directory;
  VariantInit(&directory);
  directory.vt = VT_BSTR;
  directory.bstrVal = SysAllocString(folder.c_str());
  VARIANT show;
  VariantInit(&show);
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  const bool handed = file && directory.bstrVal && SUCCEEDED(shell.p->ShellExecute(file, none, directory, none, show));
  SysFreeString(file);
  VariantClear(&directory);
  return handed;
}

bool StartThroughShell(const std::wstring& program, const std::wstring& folder) {
  if (!GetShellWindow()) return false;
  // The thread joins the single-threaded apartment for this call; a thread already in
  // another apartment keeps it.
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const bool handed = ShellExecuteOnDesktop(program, folder);
  if (SUCCEEDED(init)) CoUninitialize();
  return handed;
}

}  // namespace

bool StartAsUser(const std::string& program, const std::string& folder) {
  const std::wstring wideProgram = text::ToWide(program);
  // The shell would report a missing program in a box of its own; it is not handed one.
  if (GetFileAttributesW(wideProgram.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (IsElevated() && StartThroughShell(wideProgram, text::ToWide(folder))) return true;
  return StartProcess("\"" + program + "\"", folder, program);
}

}  // namespace yv::winsys
