// Shortcuts made in real folders, with the user's folders redirected in the registry,
// and read back through the shell link object.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <optional>
#include <string>

#include "platform/file_io.h"
#include "shell/shortcuts.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "win_test_support.h"
#include "winsys/system_folders.h"
#include "wizard/install_state.h"

using yv::test::MessageBoxScript;
using yv::test::RegistrySandbox;
using yv::test::ScratchDir;
using yv::wizard::gInstall;

namespace {

using yv::test::kShellFolders;
const char kCaption[] = "安装信息";

struct Link {
  std::string target;
  std::string folder;
};

// Target and working folder of a saved shortcut; std::nullopt when none can be loaded.
std::optional<Link> ReadLink(const std::string& path) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::optional<Link> result;
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(yv::text::ToWide(path).c_str(), STGM_READ))) {
    wchar_t target[MAX_PATH] = L"";
    wchar_t folder[MAX_PATH] = L"";
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetWorkingDirectory(folder, MAX_PATH);
    result = Link{yv::text::FromWide(target), yv::text::FromWide(folder)};
  }
  if (file) file->Release();
  if (link) link->Release();
  CoUninitialize();
  return result;
}

class Shortcuts : public testing::Test {
 protected:
  Shortcuts() : user(HKEY_CURRENT_USER) {}
  void SetUp() override {
    gInstall = yv::wizard::InstallState{};
    gInstall.InstallDir = dir.Folder("app");
    gInstall.ProductName = "Yorvane";
    gInstall.DescFilePath = dir.Path() + "\\install.ini";
  }
  void Describe(const std::string& text) { dir.Write("install.ini", text); }

  ScratchDir dir;
  RegistrySandbox user;
  MessageBoxScript boxes;
};

TEST_F(Shortcuts, GroupDesktopAndUninstallShortcutsPointIntoTheirFolders) {
  const std::string programs = dir.Folder("Start Menu\\Programs");
  const std::string desktop = dir.Folder("Desktop");
  user.SetString(kShellFolders, "Programs", programs);
  user.SetString(kShellFolders, "Desktop", desktop);
  gInstall.ProgramGroup = "Delvrin证券\\行情";  // nested and not there yet
  gInstall.UninstallProgram = "unins.exe";
  // "誠" ends in the byte of '\': the working folder must end before the real one.
  Describe(
      "[ico]\r\nApp=bin\\app.exe\r\nRoot=app.exe\r\nSlash=\\app.exe\r\nBlank=\r\nAPP=other.exe\r\n"
      "行情=行情\\誠.exe\r\n[desktop]\r\nDesk=bin\\app.exe\r\n");
  const std::string& app = gInstall.InstallDir;
  const std::string group = programs + "\\Delvrin证券\\行情";
  const std::string windows = yv::winsys::WindowsFolder().value();
  dir.Write("Start Menu\\Programs\\Delvrin证券\\行情\\Root.lnk", "an older file of the same name");

  ASSERT_TRUE(yv::shell::CreateProgramShortcuts(yv::test::DirectChanges(), app));
  EXPECT_TRUE(boxes.Calls().empty());

  struct Expected {
    std::string link, target, folder;
  };
  const Expected expected[] = {
      {group + "\\App.lnk", app + "\\bin\\app.exe", app + "\\bin"},  // the first of App/APP
      {group + "\\Root.lnk", app + "\\app.exe", app},
      {group + "\\Slash.lnk", app + "\\app.exe", app},
      {group + "\\行情.lnk", app + "\\行情\\誠.exe", app + "\\行情"},
      {desktop + "\\Desk.lnk", app + "\\bin\\app.exe", app + "\\bin"},
      {group + "\\卸载Yorvane.lnk", windows + "\\unins.exe", windows},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.link);
    const auto link = ReadLink(e.link);
    ASSERT_TRUE(link);
    EXPECT_TRUE(yv::text::EqualsIgnoreCase(link->target, e.target)) << link->target;
    EXPECT_EQ(link->folder, e.folder);
  }
  EXPECT_FALSE(yv::platform::PathExists(group + "\\Blank.lnk"));
}

TEST_F(Shortcuts, LongFoldersMissingDesktopAndEmptyGroupUseTheProgramsFolder) {
  // Past the 77 bytes a smaller buffer would hold, within 255.
  const std::string programs = dir.Folder(std::string(150, 'p'));
  ASSERT_GT(programs.size(), 150u);
  user.SetString(kShellFolders, "Programs", programs);
  const std::string longName(255 - programs.size(), 'n');
  Describe("[ico]\r\nShort=a.exe\r\n" + longName + "=a.exe\r\n[desktop]\r\nDesk=a.exe\r\n");

  ASSERT_TRUE(yv::shell::CreateProgramShortcuts(yv::test::DirectChanges(), gInstall.InstallDir));
  EXPECT_TRUE(ReadLink(programs + "\\Short.lnk"));
  EXPECT_TRUE(ReadLink(programs + "\\Desk.lnk"));
  // The shortcut that cannot fit is named.
  EXPECT_EQ(
      boxes.Boxes(),
      (std::vector<MessageBoxScript::Box>{{nullptr, "路径超过255字节，未创建快捷方式：" + longName, kCaption, MB_OK}}));
}

TEST_F(Shortcuts, UnreadableFoldersAndAGroupThatCannotBeMadeStopWithAMessage) {
  Describe("[ico]\r\nA=a.exe\r\n");
  const std::string file = dir.Write("not a folder", "x");
  const std::string programs = dir.Folder("Programs");
  const std::string longGroup(256 - programs.size(), 'g');
  struct Case {
    std::optional<std::string> programs;
    std::string group, message;
  };
  const Case cases[] = {
      {std::nullopt, "G", "安装程序找不到所需系统资源(Win95/98 or WinNT)!\n安装失败!"},
      {std::string(256, 'p'), "G", "安装程序找不到所需系统资源(Win95/98 or WinNT)!\n安装失败!"},
      {file, "G", "不能创建目录 " + file + "\\G!\n安装失败!"},
      {programs, longGroup, "程序组的路径超过255字节，无法创建：\n" + programs + "\\" + longGroup},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    MessageBoxScript script;
    if (c.programs) user.SetString(kShellFolders, "Programs", *c.programs);
    gInstall.ProgramGroup = c.group;
    EXPECT_FALSE(yv::shell::CreateProgramShortcuts(yv::test::DirectChanges(), gInstall.InstallDir));
    EXPECT_EQ(script.Boxes(), (std::vector<MessageBoxScript::Box>{{nullptr, c.message, kCaption, MB_OK}}));
  }
}

}  // namespace
