// The main window and its page loop, walked through real pages: the modal observer
// presses their buttons as a user would, message boxes are scripted.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "app/wizard.h"
#include "completion/completion_page.h"
#include "pages/components_page.h"
#include "pages/summary_page.h"
#include "ui/application.h"
#include "win_test_support.h"
#include "wizard/install_state.h"

using yv::app::TfmWizard;
using yv::test::MessageBoxScript;
using yv::test::ScratchDir;
using yv::wizard::gInstall;

namespace {

const char kLicence[] = "欢迎使用Delvrin软件";
const char kUser[] = "用户信息";
const char kComponents[] = "安装路径和组件";
const char kGroup[] = "安装程序组";
const char kSummary[] = "安装信息";
const char kCompletion[] = "安装完成";
const char kConfirm[] = "安装程序未完成，请确认要退出。";

// What the user does on a page, by the page's caption; each showing takes the next
// action of that page's queue (the default: agree where needed, then Next).
using Action = std::function<void(yv::ui::Form&)>;
void Press(yv::ui::Form& page, const char* button) {
  page[button].Click();
}
const Action kNext = [](yv::ui::Form& p) {
  if (p.Caption() == kLicence) Press(p, "Button1");
  Press(p, p.Caption() == kCompletion ? "Button3" : "Button2");
};
const Action kBack = [](yv::ui::Form& p) { Press(p, "Button1"); };
const Action kCancel = [](yv::ui::Form& p) { Press(p, "Button3"); };

class Wizard : public testing::Test {
 protected:
  void SetUp() override {
    gInstall = yv::wizard::InstallState{};
    gInstall.SourceDir = medium.Path();
    gInstall.DescFilePath = medium.Write("install.ini", description);
    medium.Write("Lics.txt", "第一行\r\n第二行\r\n");
    user.SetString("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Programs",
                   medium.Folder("Programs"));
    yv::ui::SetModalObserver([this](yv::ui::Form& page) {
      shown.push_back(page.Caption());
      auto& queue = script[page.Caption()];
      Action action = kNext;
      if (!queue.empty()) {
        action = queue.front();
        queue.erase(queue.begin());
      }
      // A page still open after its action would wait for a user: fail instead.
      action(page);
      if (page.modalResult == yv::ui::mrNone) {
        if (++stuck > 20) {
          ADD_FAILURE() << "page stays open: " << page.Caption();
          page.modalResult = yv::ui::mrCancel;
        }
        action = kNext;
        action(page);
      }
    });
  }
  void TearDown() override { yv::ui::SetModalObserver({}); }

  // Creates the main window with its pages, the installation run and the program
  // start replaced by recorders, and runs the loop once.
  std::unique_ptr<TfmWizard> Run(bool installOk = true) {
    auto wizard = std::make_unique<TfmWizard>();
    wizard->pageClasses.runInstallation = [this, installOk](yv::install::TdlgStep6& page) {
      ++installations;
      shown.push_back(page.Caption());
      page.InstallOk = installOk;
    };
    wizard->pageClasses.startProgram = [this](const std::string& command, const std::string& dir) {
      started.push_back(command + "|" + dir);
    };
    // The last page's programs are answered as started and ended, and none is started.
    wizard->pageClasses.page[yv::app::kCompletionPage] = [] {
      auto page = std::make_unique<yv::completion::TdlgStep7>(yv::test::DirectChanges());
      page->starter.runAndAwait = [](const std::string&, const std::string&, const std::string&) {
        return std::optional(yv::winsys::ProcessOutcome{yv::winsys::ProcessEnd::kEnded});
      };
      page->starter.start = [](const std::string&, const std::string&) { return true; };
      return page;
    };
    customize(*wizard);
    yv::ui::SetExitCode(0);
    wizard->RunWizardPages();
    return wizard;
  }

  // The pages record in the registry: keep it out of the machine's.
  yv::test::RegistrySandbox machine;
  yv::test::RegistrySandbox user{HKEY_CURRENT_USER};
  std::string description =
      "[info]\r\ntitle=\"Delvrin证券分析系统\"\r\ngroup=组\r\nuninst=unins.exe\r\nparts=1\r\npart0=主程序\r\n";
  ScratchDir medium;
  std::map<std::string, std::vector<Action>> script;
  std::vector<std::string> shown;
  std::vector<std::string> started;
  std::function<void(TfmWizard&)> customize = [](TfmWizard&) {};
  int installations = 0;
  int stuck = 0;
};

int ExitCode() {
  yv::ui::SetMainForm(nullptr);
  // RunMessageLoop would return it; read it the same way without a loop.
  PostQuitMessage(0);
  return yv::ui::RunMessageLoop();
}

TEST_F(Wizard, CreationCompletesTheStateFromTheDescription) {
  gInstall.PartSelected.fill(true);
  TfmWizard wizard;
  EXPECT_EQ(gInstall.WizardTitle, "Delvrin证券分析系统");  // quotes removed
  EXPECT_EQ(wizard.Caption(), gInstall.WizardTitle);
  EXPECT_EQ(wizard["Label1"].Text(), gInstall.WizardTitle);
  EXPECT_EQ(gInstall.InstallDir, "C:\\kv58");
  EXPECT_EQ(gInstall.ProgramGroup, "组");
  EXPECT_EQ(gInstall.UninstallProgram, "unins.exe");
  EXPECT_EQ(gInstall.PartSelected, (std::array<bool, 5>{}));
  EXPECT_EQ(wizard.PageIndex, 0);
  EXPECT_EQ(wizard.TickCount, 0);
}

TEST_F(Wizard, AnEmptyTitleLeavesCaptionAndTitleLineEmpty) {
  medium.Write("install.ini", "[info]\r\npath=D:\\kv\r\n");
  gInstall.InstallDir = "E:\\earlier";
  TfmWizard wizard;
  EXPECT_EQ(wizard.Caption(), "");
  EXPECT_EQ(wizard["Label1"].Text(), "");
  EXPECT_EQ(gInstall.InstallDir, "E:\\earlier");  // "path" only fills an empty folder
  EXPECT_EQ(gInstall.ProgramGroup, "Delvrin证券分析系统");
  EXPECT_EQ(gInstall.UninstallProgram, "");
}

TEST_F(Wizard, BackdropIsAMaximisedNavyWindowWithoutBorderIcons) {
  TfmWizard wizard;
  wizard.Show();
  HWND h = wizard.Handle();
  LONG style = GetWindowLongW(h, GWL_STYLE);
  EXPECT_TRUE(IsZoomed(h));
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  RECT label;
  GetWindowRect(wizard["Label1"].Handle(), &label);
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(label.bottom - label.top, 29);
  EXPECT_EQ(label.right - label.left, client.right);
}

TEST_F(Wizard, AllNextWalksEveryPageAndInstallsOnce) {
  auto wizard = Run();
  std::vector<std::string> expected = {kLicence, kUser, kComponents, kGroup, kSummary, "安装", kCompletion};
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(installations, 1);
  EXPECT_EQ(wizard->PageIndex, 6);
  EXPECT_EQ(wizard->Handle(), nullptr);  // the main window closed
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Wizard, BackMovesOneIndexDownAndTheLicenceMustBeAgreedAgain) {
  bool nextDisabledAgain = false;
  script[kUser] = {kBack};
  script[kLicence] = {kNext, [&](yv::ui::Form& p) {
                        nextDisabledAgain = !p["Button2"].Enabled();
                        kNext(p);
                      }};
  script[kSummary] = {kBack};
  script[kGroup] = {kNext, kBack};
  auto wizard = Run();
  std::vector<std::string> expected = {kLicence, kUser,       kLicence, kUser,    kComponents, kGroup,     kSummary,
                                       kGroup,   kComponents, kGroup,   kSummary, "安装",      kCompletion};
  EXPECT_EQ(shown, expected);
  EXPECT_TRUE(nextDisabledAgain);
  EXPECT_EQ(wizard->PageIndex, 6);
}

TEST_F(Wizard, ConfirmedCancelEndsTheWizardOnAnyPage) {
  for (const char* page : {kLicence, kUser, kComponents, kGroup, kSummary}) {
    shown.clear();
    script.clear();
    script[page] = {kCancel};
    MessageBoxScript boxes({IDOK});
    auto wizard = Run();
    EXPECT_EQ(shown.back(), page);
    EXPECT_EQ(wizard->PageIndex, 7) << page;
    EXPECT_EQ(installations, 0);
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, kConfirm);
    EXPECT_EQ(boxes.Calls()[0].caption, "提示");
    EXPECT_EQ(boxes.Calls()[0].owner, nullptr);
    EXPECT_EQ(boxes.Calls()[0].style, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION | MB_TOPMOST));
  }
}

TEST_F(Wizard, DeclinedCancelKeepsThePageWithItsState) {
  bool agreedStillHolds = false;
  script[kLicence] = {[&](yv::ui::Form& p) {
    Press(p, "Button1");  // agree
    Press(p, "Button3");  // cancel, declined below
    EXPECT_EQ(p.modalResult, yv::ui::mrNone);
    agreedStillHolds = p["Button2"].Enabled();
    Press(p, "Button2");
  }};
  MessageBoxScript boxes({IDCANCEL});
  auto wizard = Run();
  EXPECT_TRUE(agreedStillHolds);
  EXPECT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(wizard->PageIndex, 6);
}

TEST_F(Wizard, FailedInstallationEndsWithoutTheCompletionPage) {
  auto wizard = Run(false);
  EXPECT_EQ(shown.back(), "安装");
  EXPECT_EQ(wizard->PageIndex, 7);
  EXPECT_EQ(ExitCode(), 0);  // an interactive installation always ends with 0
}

TEST_F(Wizard, UnreadableLicenceIsReportedAndTheProgramEnds) {
  ScratchDir empty;
  gInstall.SourceDir = empty.Path();
  MessageBoxScript boxes;
  auto wizard = Run();
  EXPECT_TRUE(shown.empty());
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, "Cannot open file " + empty.Path() + "\\Lics.txt");
  EXPECT_EQ(wizard->PageIndex, 7);
  EXPECT_EQ(wizard->Handle(), nullptr);
}

class Upgrade : public Wizard {
 protected:
  void SetUp() override {
    Wizard::SetUp();
    gInstall.UpgradeMode = true;
    gInstall.InstallDir = "D:\\dravk";
  }
};

TEST_F(Upgrade, AnswersItsPagesUnseenThenReportsAndStartsTheProgram) {
  MessageBoxScript boxes;
  auto wizard = Run();
  EXPECT_EQ(shown, std::vector<std::string>{"安装"});  // only the progress page shows
  EXPECT_EQ(installations, 1);
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, "升级成功");
  EXPECT_EQ(boxes.Calls()[0].caption, "信息");
  EXPECT_EQ(boxes.Calls()[0].style, static_cast<UINT>(MB_OK));
  EXPECT_EQ(boxes.Calls()[0].owner, nullptr);
  EXPECT_EQ(started, std::vector<std::string>{"D:\\dravk\\dravk.exe|D:\\dravk"});
  EXPECT_EQ(wizard->PageIndex, 6);
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Upgrade, FailedInstallationEndsWithExitCodeOne) {
  MessageBoxScript boxes;
  auto wizard = Run(false);
  EXPECT_TRUE(boxes.Calls().empty());
  EXPECT_TRUE(started.empty());
  EXPECT_EQ(wizard->PageIndex, 7);
  EXPECT_EQ(ExitCode(), 1);
}

// A components page whose Next refuses, as a page does when the user declines a question.
class RefusingComponents : public yv::pages::TdlgStep3 {
 protected:
  bool AcceptNext() override { return false; }
};

TEST_F(Upgrade, RefusedNextEndsTheUpgradeWithExitCodeOne) {
  customize = [](TfmWizard& w) { w.pageClasses.page[2] = [] { return std::make_unique<RefusingComponents>(); }; };
  MessageBoxScript boxes;
  auto wizard = Run();
  EXPECT_EQ(installations, 0);
  EXPECT_TRUE(boxes.Calls().empty());
  EXPECT_EQ(wizard->PageIndex, 7);
  EXPECT_EQ(ExitCode(), 1);
}

TEST_F(Upgrade, FolderTooLongForTheCommandLineStartsNothing) {
  gInstall.InstallDir = "C:\\" + std::string(499, 'x');  // 502 bytes
  MessageBoxScript boxes;
  Run();
  EXPECT_EQ(boxes.Calls().size(), 1u);
  EXPECT_TRUE(started.empty());
  started.clear();
  gInstall.InstallDir = "C:\\" + std::string(498, 'x');  // 501 bytes: exactly fits
  Run();
  EXPECT_EQ(started.size(), 1u);
}

TEST_F(Wizard, TimerRunsTheLoopOnceAtTheSecondTick) {
  script[kLicence] = {kCancel};
  MessageBoxScript boxes({IDOK});
  TfmWizard wizard;
  DWORD start = GetTickCount();
  DWORD firstPage = 0;
  yv::ui::SetModalObserver([&](yv::ui::Form& page) {
    firstPage = GetTickCount() - start;
    kCancel(page);
  });
  while (wizard.Handle() && GetTickCount() - start < 5000) {
    yv::ui::ProcessMessages();
    Sleep(10);
  }
  EXPECT_EQ(wizard.Handle(), nullptr);
  EXPECT_GE(firstPage, 1800u);
  EXPECT_LE(firstPage, 3000u);
  EXPECT_EQ(boxes.Calls().size(), 1u);
}

TEST_F(Wizard, ConfirmCancelMessageAsksOnBehalfOfTheMainWindow) {
  TfmWizard wizard;
  for (UINT msg : {yv::app::WM_CONFIRM_CANCEL, static_cast<UINT>(WM_CLOSE)}) {
    MessageBoxScript boxes({IDCANCEL});
    SendMessageW(wizard.Handle(), msg, 0, 0);
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].owner, wizard.Handle());
    EXPECT_EQ(boxes.Calls()[0].text, kConfirm);
    EXPECT_NE(wizard.Handle(), nullptr);
  }
  gInstall.PartCaptions = std::vector<std::string>{"a"};
  gInstall.CardList = std::vector<std::string>{"b"};
  MessageBoxScript boxes({IDOK});
  SendMessageW(wizard.Handle(), yv::app::WM_CONFIRM_CANCEL, 0, 0);
  EXPECT_EQ(wizard.Handle(), nullptr);
  EXPECT_FALSE(gInstall.PartCaptions.has_value());  // released when the window went
  EXPECT_FALSE(gInstall.CardList.has_value());
}

}  // namespace
