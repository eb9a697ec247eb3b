#include "winsys/shell_link.h"

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include "text/cp936.h"
#include "winsys/com_ref.h"
#include "winsys/recording.h"

namespace yv::winsys {

bool CreateShellLink(install_log::ChangeRecorder& log, const std::string& target, const std::string& linkPath,
                     const std::optional<std::string>& workingFolder) {
  if (target.empty() || linkPath.empty()) return false;
  // The thread joins the single-threaded apartment for this call; a thread already in
  // another apartment keeps it, and the shell link object works there too.
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool saved = false;
  {
    Released<IShellLinkW> link;
    Released<IPersistFile> file;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link.p))) &&
        SUCCEEDED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p)))) {
      link.p->SetPath(text::ToWide(target).c_str());
      if (workingFolder) link.p->SetWorkingDirectory(text::ToWide(*workingFolder).c_str());
      RecordShortcut(log, linkPath);
      saved = SUCCEEDED(file.p->Save(text::ToWide(linkPath).c_str(), TRUE));
    }
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return saved;
}

}  // namespace yv::winsys
