// Whole-wizard scenarios of the start: what setup.exe does, started from a medium,
// before and at the first page, and how a page's Cancel ends it or not.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "driver/dump.h"
#include "driver/wait.h"
#include "driver/window_list.h"
#include "support/setup_run.h"
#include "support/windows_views.h"
#include "text/cp936.h"

namespace yv::e2e {
namespace {

const char kTitle[] = "Delvrin证券分析系统 安装程序";
const char kFirstPage[] = "欢迎使用Delvrin软件";
const char kCancelButton[] = "取消";
const char kConfirmText[] = "安装程序未完成，请确认要退出。";
const char kConfirmCaption[] = "提示";
const char kBadMedium[] = "安装文件不正确！";

class StartupScenario : public SetupScenario {
 protected:
  // The backdrop: setup.exe's visible top-level window that is maximised and no box.
  std::optional<WindowInfo> ExpectBackdrop() {
    auto w = WaitForWindowWhere(
        Pid(), [](const WindowInfo& x) { return x.maximised && x.className != "#32770"; }, kWindowTimeoutMs);
    if (!w) ADD_FAILURE() << "no maximised backdrop\n" << DumpWindows(Pid());
    return w;
  }

  // Cancel on the page, and the confirmation it asks for.
  std::optional<MessageBoxInfo> CancelPage(const WindowInfo& page) {
    Press(page.hwnd, kCancelButton);
    return ExpectMessageBox(kConfirmText);
  }
};

TEST_F(StartupScenario, WithoutSetupIniEndsAtOnceWithoutAnyWindow) {
  ASSERT_TRUE(medium_.Write("install.ini", DescriptionIni(kTitle)));
  ASSERT_TRUE(StartSetup());
  std::string seen;
  // Watch the whole life of the process: not one window may show.
  bool ended = WaitUntil(
      [&] {
        for (const WindowInfo& w : ListWindows(Pid(), false)) seen += Describe(w);
        return !setup_->Running();
      },
      kExitTimeoutMs);
  ASSERT_TRUE(ended) << DumpWindows(Pid());
  EXPECT_LT(SinceStart(), 5000u);
  EXPECT_EQ(seen, "");
  EXPECT_EQ(setup_->ExitCode(), 0u);
}

TEST_F(StartupScenario, WithoutAUsableDescriptionFileSaysSoAndEnds) {
  ASSERT_TRUE(medium_.Write("setup.ini", PlainSetupIni()));
  ASSERT_TRUE(StartSetup());
  auto box = ExpectMessageBox(kBadMedium);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, "Setup");
  EXPECT_EQ(box->ButtonIds(), std::vector<int>{IDOK});
  EXPECT_FALSE(box->hasIcon);
  // Nothing but the box: no backdrop for a medium that cannot be installed.
  auto windows = ListWindows(Pid(), false);
  EXPECT_EQ(windows.size(), 1u) << Describe(windows);

  Answer("OK");
  EXPECT_EQ(ExpectExit(), 0u);

  // An uninstaller that is not a plain file name would put the log where others may
  // write: the description counts as broken, and nothing is written for it.
  ASSERT_TRUE(medium_.Write("install.ini",
                            IniText({{"info", {{"title", "卸载程序位置"}, {"uninst", "..\\Temp\\yv-e2e-x.exe"}}}})));
  ASSERT_TRUE(StartSetup());
  ASSERT_TRUE(ExpectMessageBox(kBadMedium));
  Answer("OK");
  EXPECT_EQ(ExpectExit(), 0u);
  EXPECT_EQ(GetFileAttributesW(L"C:\\windows\\Temp\\yv-e2e-x.log"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(StartupScenario, BackdropThenFirstPageAfterTwoSecondsAndConfirmedCancelEnds) {
  ASSERT_TRUE(WriteStartableMedium(kTitle));
  ASSERT_TRUE(StartSetup());

  auto backdrop = ExpectWindow(kTitle);
  ASSERT_TRUE(backdrop);
  const ULONGLONG backdropShown = SinceStart();
  EXPECT_TRUE(backdrop->maximised) << Describe(*backdrop);
  // No border icons: no system menu, hence no close, minimise or maximise button.
  EXPECT_FALSE(backdrop->HasStyle(WS_SYSMENU)) << Describe(*backdrop);
  EXPECT_FALSE(backdrop->HasStyle(WS_MINIMIZEBOX));
  EXPECT_FALSE(backdrop->HasStyle(WS_MAXIMIZEBOX));
  EXPECT_TRUE(FindWindowsByCaption(Pid(), kFirstPage, false).empty()) << "the first page came with the backdrop";

  auto page = ExpectWindow(kFirstPage);
  ASSERT_TRUE(page);
  const ULONGLONG pageShown = SinceStart();
  // The page loop starts at the backdrop's second timer tick, about two seconds on.
  EXPECT_GE(pageShown - backdropShown, 1000u) << "backdrop at " << backdropShown << " ms";
  EXPECT_LE(pageShown - backdropShown, 4000u) << "backdrop at " << backdropShown << " ms";
  RecordProperty("backdrop_ms", static_cast<int>(backdropShown));
  RecordProperty("first_page_ms", static_cast<int>(pageShown));
  EXPECT_TRUE(ReadWindow(backdrop->hwnd, false).maximised);

  auto confirm = CancelPage(*page);
  ASSERT_TRUE(confirm);
  EXPECT_EQ(confirm->caption, kConfirmCaption);
  EXPECT_EQ(confirm->ButtonIds(), (std::vector<int>{IDOK, IDCANCEL}));
  EXPECT_TRUE(confirm->hasIcon);
  EXPECT_EQ(confirm->owner, nullptr) << Describe(*confirm);  // a box of its own, no owner

  Answer("OK");
  EXPECT_EQ(ExpectExit(), 0u);
}

TEST_F(StartupScenario, CancelledConfirmationKeepsThePageOpen) {
  ASSERT_TRUE(WriteStartableMedium(kTitle));
  ASSERT_TRUE(StartSetup());
  auto page = ExpectWindow(kFirstPage);
  ASSERT_TRUE(page);
  auto confirm = CancelPage(*page);
  ASSERT_TRUE(confirm);

  Answer("Cancel");
  ASSERT_TRUE(WaitForWindowGone(confirm->hwnd, kBoxTimeoutMs)) << DumpWindows(Pid());
  // Give a wrongly closing page the time to go before looking.
  Sleep(500);
  EXPECT_TRUE(setup_->Running());
  EXPECT_TRUE(IsWindow(page->hwnd) && IsWindowVisible(page->hwnd)) << DumpWindows(Pid());
  EXPECT_TRUE(IsResponsive(page->hwnd));
  EXPECT_EQ(ReadText(page->hwnd), kFirstPage);

  // The page still works: a second Cancel asks again, and OK ends the program.
  ASSERT_TRUE(CancelPage(*page));
  Answer("OK");
  EXPECT_EQ(ExpectExit(), 0u);
}

TEST_F(StartupScenario, AnErrorOnTheFirstPageIsReportedAndEndsTheProgram) {
  ASSERT_TRUE(medium_.Write("setup.ini", PlainSetupIni()));
  ASSERT_TRUE(medium_.Write("install.ini", DescriptionIni(kTitle)));  // no Lics.txt
  ASSERT_TRUE(StartSetup());
  auto box = WaitForMessageBox(Pid(), kWindowTimeoutMs);
  ASSERT_TRUE(box) << DumpWindows(Pid());
  EXPECT_NE(box->text.find("Lics.txt"), std::string::npos) << Describe(*box);
  EXPECT_TRUE(FindWindowsByCaption(Pid(), kFirstPage, false).empty());
  Answer("OK");
  // The backdrop has no close button: the program must close it itself.
  EXPECT_EQ(ExpectExit(), 0u);
}

TEST_F(StartupScenario, EmptyTitleGivesABackdropWithoutCaption) {
  ASSERT_TRUE(WriteStartableMedium(""));
  ASSERT_TRUE(StartSetup());
  auto backdrop = ExpectBackdrop();
  ASSERT_TRUE(backdrop);
  EXPECT_EQ(backdrop->caption, "");
  for (const ControlInfo& c : backdrop->controls)
    EXPECT_EQ(c.text, "") << "the backdrop shows a text: " << Describe(*backdrop);

  auto page = ExpectWindow(kFirstPage);
  ASSERT_TRUE(page);
  ASSERT_TRUE(CancelPage(*page));
  Answer("OK");
  EXPECT_EQ(ExpectExit(), 0u);
}

// A string value under HKEY_LOCAL_MACHINE in one registry view, set for a scenario and
// deleted with it, together with the keys the scenario had to create for it.
class ScopedMachineValue {
 public:
  ScopedMachineValue(REGSAM view, const std::string& key, const char* name, const std::string& data) : view_(view) {
    const std::wstring path = text::ToWide(key);
    // The first level of the path that does not exist yet is what the scenario adds.
    for (std::size_t end = path.find(L'\\'); created_.empty(); end = path.find(L'\\', end + 1)) {
      const std::wstring level = path.substr(0, end);
      HKEY probe = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, level.c_str(), 0, KEY_READ | view, &probe) == ERROR_SUCCESS) {
        RegCloseKey(probe);
        if (end == std::wstring::npos) break;
      } else {
        created_ = level;
      }
    }
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS ||
        RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1)) != ERROR_SUCCESS) {
      ADD_FAILURE() << "cannot set the value";
    }
    if (handle) RegCloseKey(handle);
    if (created_.empty()) value_ = {path, text::ToWide(name)};
  }
  ~ScopedMachineValue() {
    if (!created_.empty()) {
      const std::size_t slash = created_.rfind(L'\\');
      HKEY parent = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, created_.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS | view_, &parent) ==
          ERROR_SUCCESS) {
        RegDeleteTreeW(parent, created_.substr(slash + 1).c_str());
        RegCloseKey(parent);
      }
    } else if (HKEY key = nullptr;
               !value_.first.empty() && RegOpenKeyExW(HKEY_LOCAL_MACHINE, value_.first.c_str(), 0,
                                                      KEY_SET_VALUE | view_, &key) == ERROR_SUCCESS) {
      RegDeleteValueW(key, value_.second.c_str());
      RegCloseKey(key);
    }
  }
  ScopedMachineValue(const ScopedMachineValue&) = delete;
  ScopedMachineValue& operator=(const ScopedMachineValue&) = delete;

 private:
  REGSAM view_;
  std::wstring created_;                         // the topmost key the scenario created
  std::pair<std::wstring, std::wstring> value_;  // else the value it set in an existing key
};

// An earlier installation as the 32-bit installer before us recorded it: App Paths
// "Path" and the product key's "Name" in the 32-bit view, FourToSix=1 in the folder's
// "\cfg\system.dft", which selects install6.ini. The 64-bit view holds another name,
// which a 64-bit setup.exe would have shown.
TEST_F(StartupScenario, FindsTheEarlierInstallationWhereA32BitInstallerRecordedIt) {
  if (kProductBitness == Bitness::k64) GTEST_SKIP() << "a 64-bit setup.exe reads the other view";
  Medium installed;
  const std::string mainProgram = "yv-e2e-" + std::to_string(GetCurrentProcessId()) + ".exe";
  ASSERT_TRUE(installed.Write("cfg\\system.dft", "[PARAMETER]\r\nFourToSix=1\r\n"));
  ASSERT_TRUE(medium_.Write("setup.ini", IniText({{"info", {{"name", mainProgram}, {"product", "Yorvane"}}}})) &&
              medium_.Write("install.ini", DescriptionIni("四版安装")) &&
              medium_.Write("install6.ini", DescriptionIni("六版安装")) && medium_.Write("Lics.txt", "协议\r\n"));
  const std::string productKey = "SOFTWARE\\Orvanet\\Delvrin证券分析系统\\3.0";
  ScopedMachineValue path(KEY_WOW64_32KEY, "SoftWare\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + mainProgram,
                          "Path", text::FromWide(installed.Path()) + "\\");
  ScopedMachineValue name32(KEY_WOW64_32KEY, productKey, "Name", "王小明");
  ScopedMachineValue name64(KEY_WOW64_64KEY, productKey, "Name", "六十四位视图");
  ASSERT_TRUE(StartSetup());
  ASSERT_TRUE(ExpectWindow("六版安装")) << "the registered folder's system.dft chose the description";
  auto licence = ExpectWindow(kFirstPage);
  ASSERT_TRUE(licence);
  Press(licence->hwnd, "同意");
  Press(licence->hwnd, "下一步 >");
  auto user = ExpectWindow("用户信息");
  ASSERT_TRUE(user);
  EXPECT_TRUE(user->FindControl("王小明", "Edit")) << Describe(*user);
  ASSERT_TRUE(CancelPage(*user));
  Answer("OK");
  EXPECT_EQ(ExpectExit(), 0u);
}

}  // namespace
}  // namespace yv::e2e
