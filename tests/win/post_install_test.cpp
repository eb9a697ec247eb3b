// The actions after an installation: real programs started and awaited (the probe
// programs built beside the tests, a real import through the system's regedit.exe), and
// a stand-in starter for the outcomes a real program cannot produce on demand.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "completion/post_install.h"
#include "platform/file_io.h"
#include "text/cp936.h"
#include "win_test_support.h"
#include "winsys/registry.h"
#include "winsys/system_folders.h"
#include "wizard/install_state.h"

using yv::test::MessageBoxScript;
using yv::test::RegistrySandbox;
using yv::test::ScratchDir;
using yv::wizard::gInstall;

namespace {

using yv::test::kAppPaths;
using yv::test::kShellFolders;

std::string Probe(const char* name) {
  return yv::test::ProgramBeside(name);
}

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  const std::string text = yv::platform::ReadWholeFile(path).value_or("");
  for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

// Waits up to 20 s until the run log holds `count` lines.
std::vector<std::string> AwaitLines(const std::string& path, std::size_t count) {
  for (int i = 0; i < 200 && Lines(path).size() < count; ++i) Sleep(100);
  return Lines(path);
}

class PostInstall : public testing::Test {
 protected:
  void SetUp() override {
    gInstall = yv::wizard::InstallState{};
    gInstall.SourceDir = dir.Folder("medium");
    gInstall.InstallDir = dir.Folder("app");
    gInstall.DescFilePath = gInstall.SourceDir + "\\install.ini";
    gInstall.MainProgram = "dravkp.exe";
    gInstall.ProgramGroup = "G";
    log = dir.Path() + "\\run.log";
    SetEnvironmentVariableW(L"YV_RUN_LOG", yv::text::ToWide(log).c_str());
  }
  void TearDown() override { SetEnvironmentVariableW(L"YV_RUN_LOG", nullptr); }
  void Copy(const char* probe, const std::string& to) {
    dir.Write(to, yv::platform::ReadWholeFile(Probe(probe)).value());
  }

  ScratchDir dir;
  std::string log;
  MessageBoxScript boxes;
};

TEST_F(PostInstall, RegistersImportsAndRunsEachProgramInOrderInItsFolder) {
  const std::string& source = gInstall.SourceDir;
  const std::string& app = gInstall.InstallDir;
  const std::string importKey = "Software\\YvTest\\import_" + std::to_string(GetCurrentProcessId());
  dir.Write("medium\\install.ini",
            "[ico]\r\nA=a.exe\r\n"
            "[reg]\r\nWPATH1=yv.reg\r\nIPATH1=missing.reg\r\nwpath2=yv.reg\r\n"
            "[run]\r\nIPATH1=bin\\gui_probe.exe --exit=7 \"a b\" c\\d\r\nIPATH2=bin\\missing.exe\r\n"
            "WPATH3=console_probe.exe --ms=6000\r\nOTHER=bin\\gui_probe.exe other\r\nIPATH4=bin\\gui_probe.exe 2\r\n");
  dir.Write("medium\\yv.reg",
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + importKey + "]\r\n\"Value\"=\"imported\"\r\n\r\n");
  Copy("gui_probe.exe", "app\\bin\\gui_probe.exe");
  Copy("console_probe.exe", "medium\\console_probe.exe");
  Copy("gui_probe.exe", "medium\\hinstall.exe");
  Copy("gui_probe.exe", "medium\\insBDE\\setup.exe");
  {
    RegistrySandbox machine;
    RegistrySandbox user(HKEY_CURRENT_USER);
    user.SetString(kShellFolders, "Programs", dir.Folder("Programs"));
    ASSERT_TRUE(yv::completion::RunPostInstallActions(nullptr, yv::test::DirectChanges()));
    const yv::winsys::RegistryKey appPath(HKEY_LOCAL_MACHINE, kAppPaths);
    EXPECT_EQ(appPath.ReadString("Path"), app);
    EXPECT_EQ(appPath.ReadString("PrgGrp"), "G");
  }
  EXPECT_TRUE(boxes.Calls().empty());
  EXPECT_TRUE(yv::platform::PathExists(dir.Path() + "\\Programs\\G\\A.lnk"));
  // regedit.exe was awaited: the value is there as soon as the actions return.
  EXPECT_EQ(yv::winsys::RegistryKey(HKEY_CURRENT_USER, importKey).ReadString("Value"), "imported");
  RegDeleteTreeW(HKEY_CURRENT_USER, yv::text::ToWide(importKey).c_str());

  // The window programs ran one after the other, each to its end; the console program
  // (never idle for input) was left running; the BDE installer is not awaited.
  // Read at once: the awaited programs' lines are there, in order. The console program
  // is not awaited, so its own line may stand anywhere among them, or come later.
  std::vector<std::string> done = Lines(log);
  const std::string probe = app + "\\bin\\gui_probe.exe";
  const std::string consoleStart = "start " + source + "\\console_probe.exe --ms=6000|" + source;
  done.erase(std::remove(done.begin(), done.end(), consoleStart), done.end());
  const std::vector<std::string> expected = {
      "start " + probe + " --exit=7 \"a b\" c\\d|" + app + "\\bin",
      "end " + probe + " --exit=7 \"a b\" c\\d",
      "start " + probe + " 2|" + app + "\\bin",
      "end " + probe + " 2",
      "start \"" + source + "\\hinstall.exe\" -i -autodetect=y|" + source,
      "end \"" + source + "\\hinstall.exe\" -i -autodetect=y",
  };
  ASSERT_GE(done.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(done.begin(), done.begin() + 6), expected);
  const std::vector<std::string> all = AwaitLines(log, 10);
  EXPECT_NE(std::find(all.begin(), all.end(), consoleStart), all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), "start \"" + source + "\\insBDE\\setup.exe\"|" + source + "\\insBDE"),
            all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), "end " + source + "\\console_probe.exe --ms=6000"), all.end());
}

// The main program after an upgrade: in a folder with a blank, beside a program of the
// shorter name, the program named is started, quoted, in its folder; a missing one is not.
// (Wine shows no desktop shell to hand the start to: this is the start as a child.)
TEST_F(PostInstall, TheMainProgramIsStartedByItsFullPath) {
  Copy("gui_probe.exe", "Yv Sec\\dravk.exe");
  Copy("gui_probe.exe", "Yv.exe");
  const std::string folder = dir.Path() + "\\Yv Sec";
  EXPECT_FALSE(yv::winsys::StartAsUser(folder + "\\missing.exe", folder));
  ASSERT_TRUE(yv::winsys::StartAsUser(folder + "\\dravk.exe", folder));
  EXPECT_EQ(AwaitLines(log, 2), (std::vector<std::string>{"start \"" + folder + "\\dravk.exe\"|" + folder,
                                                          "end \"" + folder + "\\dravk.exe\""}));
}

TEST(ProcessWait, WindowProgramsAreAwaitedToTheirExitCodeAndConsoleProgramsAreNot) {
  struct Case {
    std::string command;
    std::optional<yv::winsys::ProcessEnd> end;
    DWORD exitCode;
  };
  const Case cases[] = {
      {"\"" + Probe("gui_probe.exe") + "\" --exit=7", yv::winsys::ProcessEnd::kEnded, 7},
      {"\"" + Probe("gui_probe.exe") + "\" --exit=259", yv::winsys::ProcessEnd::kEnded, 259},  // STILL_ACTIVE
      {"\"" + Probe("console_probe.exe") + "\" --ms=100", yv::winsys::ProcessEnd::kNotAwaited, 0},
      {"\"" + Probe("missing.exe") + "\"", std::nullopt, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    const auto outcome = yv::winsys::RunAndAwait(c.command, yv::winsys::WindowsFolder().value());
    ASSERT_EQ(outcome.has_value(), c.end.has_value());
    if (!outcome) continue;
    EXPECT_EQ(outcome->end, *c.end);
    EXPECT_EQ(outcome->exitCode, c.exitCode);
  }
}

// A stand-in starter: records each start as "command|folder|application" ("(not
// awaited)" in place of the application for a program left running) and answers from
// a script: ended, unless told otherwise.
struct StandIn {
  yv::completion::ProgramStarter Starter() {
    yv::completion::ProgramStarter starter;
    starter.runAndAwait = [this](const std::string& command, const std::string& folder, const std::string& app) {
      started.push_back(command + "|" + folder + "|" + app);
      auto answer = answers.empty() ? Ended() : answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      return answer;
    };
    starter.start = [this](const std::string& command, const std::string& folder) {
      started.push_back(command + "|" + folder + "|(not awaited)");
      return bdeStarts;
    };
    return starter;
  }
  static std::optional<yv::winsys::ProcessOutcome> Ended() { return yv::winsys::ProcessOutcome{}; }

  std::vector<std::optional<yv::winsys::ProcessOutcome>> answers;
  bool bdeStarts = true;
  std::vector<std::string> started;
};

TEST_F(PostInstall, FailuresAreReportedAndAnUnreadableExitCodeEndsTheActions) {
  dir.Write("medium\\install.ini",
            "[reg]\r\nWPATH1=a.reg\r\n[run]\r\nWPATH1=p1.exe\r\nWPATH2=p2.exe\r\nWPATH3=p3.exe\r\n");
  for (const char* name : {"a.reg", "p1.exe", "p2.exe", "p3.exe"}) dir.Write(std::string("medium\\") + name, "x");
  StandIn programs;  // regedit ends, p1 cannot start, p2's exit code cannot be read
  programs.answers = {StandIn::Ended(), std::nullopt,
                      yv::winsys::ProcessOutcome{yv::winsys::ProcessEnd::kExitCodeUnreadable}};
  HWND const page = reinterpret_cast<HWND>(0x7777);
  RegistrySandbox machine(HKEY_LOCAL_MACHINE, true);  // refuses the App Paths key
  RegistrySandbox user(HKEY_CURRENT_USER);            // no Shell Folders: no shortcuts

  EXPECT_FALSE(yv::completion::RunPostInstallActions(page, yv::test::DirectChanges(), programs.Starter()));
  const std::string& source = gInstall.SourceDir;
  const std::string windows = yv::winsys::WindowsFolder().value();
  // p3 and the follow-up installers are never started.
  // The system folder's editor: for a 32-bit program the 32-bit one. A prefix without
  // 32-bit support has one in the Windows folder only.
  const std::string systemEditor = yv::winsys::SystemFolder().value() + "\\regedit.exe";
  const std::string editor = yv::platform::PathExists(systemEditor) ? systemEditor : windows + "\\regedit.exe";
  EXPECT_EQ(programs.started,
            (std::vector<std::string>{"regedit.exe \"" + source + "\\a.reg\"|" + windows + "|" + editor,
                                      // A listed program is named as the application.
                                      source + "\\p1.exe|" + source + "|" + source + "\\p1.exe",
                                      source + "\\p2.exe|" + source + "|" + source + "\\p2.exe"}));
  EXPECT_EQ(boxes.Boxes(),
            (std::vector<MessageBoxScript::Box>{
                {page, "注册失败!", "", MB_OK | MB_TOPMOST},
                {nullptr, "安装程序找不到所需系统资源(Win95/98 or WinNT)!\n安装失败!", "安装信息", MB_OK},
                {page, "未完成安装程序,图标未创建!", "", MB_OK},
                {page, "无法执行p1.exe！", "Setup", MB_OK},
                {page, "无法执行p2.exe！", "Setup", MB_OK},
            }));
}

TEST_F(PostInstall, TheBdeInstallerFollowsOnlyAStartedHinstall) {
  dir.Write("medium\\insBDE\\setup.exe", "x");
  RegistrySandbox machine;
  RegistrySandbox user(HKEY_CURRENT_USER);
  user.SetString(kShellFolders, "Programs", dir.Folder("Programs"));
  const std::string& source = gInstall.SourceDir;
  const std::string hinstall = "\"" + source + "\\hinstall.exe\" -i -autodetect=y|" + source + "|";
  const std::string bde = "\"" + source + "\\insBDE\\setup.exe\"|" + source + "\\insBDE|(not awaited)";
  struct Case {
    bool hinstallStarts, bdeStarts;
    std::vector<std::string> messages, started;
  };
  const Case cases[] = {
      {false, true, {"无法执行Windows版安装程序！"}, {hinstall}},
      {true, true, {}, {hinstall, bde}},
      {true, false, {"无法执行BDE安装程序！"}, {hinstall, bde}},
  };
  for (const Case& c : cases) {
    MessageBoxScript script;
    StandIn programs;
    if (!c.hinstallStarts) programs.answers = {std::nullopt};
    programs.bdeStarts = c.bdeStarts;
    EXPECT_TRUE(yv::completion::RunPostInstallActions(nullptr, yv::test::DirectChanges(), programs.Starter()));
    EXPECT_EQ(script.Texts(), c.messages);
    EXPECT_EQ(programs.started, c.started);
  }
}

}  // namespace
