// The UI driver against a window program of its own (fixture_app.exe): what the
// scenarios rely on (listing, states, message boxes, typing Chinese, posted clicks,
// waits that give up, exit codes) is shown to work before it is trusted with setup.exe.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "driver/actions.h"
#include "driver/dump.h"
#include "driver/process.h"
#include "driver/wait.h"
#include "driver/window_list.h"
#include "support/medium.h"

namespace yv::e2e {
namespace {

constexpr DWORD kTimeoutMs = 15000;
const char kFixtureCaption[] = "驱动测试窗口";

std::wstring FixtureProgram() { return ProgramFolder() + L"\\fixture_app.exe"; }

class DriverTest : public ::testing::Test {
 protected:
  // Starts the fixture and waits for its window.
  std::optional<WindowInfo> StartFixture(const std::vector<std::wstring>& args = {},
                                         std::string_view caption = kFixtureCaption) {
    std::string error;
    fixture_ = Process::Start(FixtureProgram(), args, medium_.Path(), &error);
    if (!fixture_) {
      ADD_FAILURE() << error;
      return std::nullopt;
    }
    auto w = WaitForWindow(fixture_->pid(), caption, kTimeoutMs);
    if (!w) ADD_FAILURE() << "fixture window did not appear\n" << DumpWindows(0);
    return w;
  }

  Medium medium_;
  std::optional<Process> fixture_;
};

TEST_F(DriverTest, ListsControlsWithTextPositionAndState) {
  auto w = StartFixture();
  ASSERT_TRUE(w);
  EXPECT_EQ(w->pid, fixture_->pid());
  EXPECT_EQ(w->className, "YvDriverFixture");
  EXPECT_EQ(w->client.cx, 400);
  EXPECT_EQ(w->client.cy, 200);
  EXPECT_FALSE(w->maximised);
  EXPECT_TRUE(w->HasStyle(WS_SYSMENU));
  EXPECT_FALSE(w->IsMessageBox());

  const ControlInfo* show = w->FindControl("显示消息", "Button");
  ASSERT_NE(show, nullptr) << Describe(*w);
  EXPECT_EQ(show->id, 101);
  EXPECT_EQ(show->rect.left, 10);
  EXPECT_EQ(show->rect.top, 10);
  EXPECT_EQ(show->Width(), 100);
  EXPECT_EQ(show->Height(), 25);
  EXPECT_TRUE(show->enabled);
  EXPECT_TRUE(show->visible);
  EXPECT_TRUE(show->IsPushButton());
  EXPECT_EQ(show->checked, -1);

  const ControlInfo* edit = w->FindControlById(102);
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(edit->IsEdit());
  EXPECT_EQ(edit->text, "初始");
  EXPECT_EQ(edit->rect.top, 45);

  const ControlInfo* check = w->FindControl("选项");
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(check->checked, BST_CHECKED);
  EXPECT_FALSE(check->IsPushButton());

  const ControlInfo* disabled = w->FindControl("禁用");
  ASSERT_NE(disabled, nullptr);
  EXPECT_FALSE(disabled->enabled);

  // Other processes' windows are not listed under this pid, but are under "all".
  auto all = ListWindows(0, false);
  EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                          [&](const WindowInfo& x) { return x.hwnd == w->hwnd; }));
  EXPECT_TRUE(ListWindows(GetCurrentProcessId(), false).empty());
}

TEST_F(DriverTest, TypedChineseReachesTheProgramAndItsMessageBox) {
  auto w = StartFixture();
  ASSERT_TRUE(w);
  Outcome typed = TypeText(w->hwnd, "1", "你好，世界", kTimeoutMs);
  ASSERT_TRUE(typed) << typed.message;
  EXPECT_EQ(ReadText(w->FindControlById(102)->hwnd), "你好，世界");

  // The click opens a modal box; the posted click must not block the driver.
  ASSERT_TRUE(PressButton(w->hwnd, "显示消息", kTimeoutMs));
  auto box = WaitForMessageBox(fixture_->pid(), kTimeoutMs);
  ASSERT_TRUE(box) << DumpWindows(fixture_->pid());
  EXPECT_EQ(box->caption, "消息");
  EXPECT_EQ(box->text, "你好，世界");
  EXPECT_EQ(box->ButtonIds(), (std::vector<int>{IDOK, IDCANCEL}));
  EXPECT_TRUE(box->hasIcon);
  EXPECT_EQ(box->owner, w->hwnd);

  // Cancel keeps the window; it still answers and its box can be opened again.
  ASSERT_TRUE(AnswerMessageBox(fixture_->pid(), "Cancel", kTimeoutMs));
  ASSERT_TRUE(WaitForWindowGone(box->hwnd, kTimeoutMs));
  EXPECT_TRUE(IsResponsive(w->hwnd));
  EXPECT_TRUE(fixture_->Running());

  ASSERT_TRUE(PressButton(w->hwnd, "显示消息", kTimeoutMs));
  ASSERT_TRUE(WaitForMessageBox(fixture_->pid(), kTimeoutMs, std::string_view("你好，世界")));
  // By the caption as shown this time.
  Outcome ok = AnswerMessageBox(fixture_->pid(), "确定", kTimeoutMs);
  ASSERT_TRUE(ok) << ok.message;
  ASSERT_TRUE(fixture_->WaitExit(kTimeoutMs));
  EXPECT_EQ(fixture_->ExitCode(), 3u);
}

TEST_F(DriverTest, MessageBoxWithoutIconAndOwner) {
  auto w = StartFixture();
  ASSERT_TRUE(w);
  ASSERT_TRUE(PressButton(w->hwnd, "无图标", kTimeoutMs));
  auto box = WaitForMessageBox(fixture_->pid(), kTimeoutMs);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, "Setup");
  EXPECT_EQ(box->text, "无图标的消息");
  EXPECT_EQ(box->ButtonIds(), std::vector<int>{IDOK});
  EXPECT_FALSE(box->hasIcon);
  EXPECT_EQ(box->owner, nullptr);
  EXPECT_TRUE(AnswerMessageBox(fixture_->pid(), "OK", kTimeoutMs));
  EXPECT_TRUE(WaitForWindowGone(box->hwnd, kTimeoutMs));
}

TEST_F(DriverTest, ActionsOnMissingOrDisabledTargetsFailWithADump) {
  auto w = StartFixture();
  ASSERT_TRUE(w);
  Outcome disabled = PressButton(w->hwnd, "禁用", 200);
  EXPECT_FALSE(disabled);
  EXPECT_NE(disabled.message.find("disabled"), std::string::npos);
  // The dump names what was there.
  EXPECT_NE(disabled.message.find(Utf8("显示消息")), std::string::npos) << disabled.message;

  EXPECT_FALSE(PressButton(w->hwnd, "没有这个按钮", 200));
  EXPECT_FALSE(PressButton(fixture_->pid(), "没有这个窗口", "显示消息", 200));
  EXPECT_FALSE(TypeText(w->hwnd, "2", "x", 200));  // only one edit control
  EXPECT_FALSE(AnswerMessageBox(fixture_->pid(), "OK", 200));  // no box open
  EXPECT_TRUE(fixture_->Running());
}

TEST_F(DriverTest, ABusyProgramIsListedWithoutWaitingForEachControl) {
  auto w = StartFixture();
  ASSERT_TRUE(w);
  ASSERT_TRUE(PressButton(w->hwnd, "忙碌", kTimeoutMs));
  Sleep(300);  // let it start sleeping
  ULONGLONG start = GetTickCount64();
  WindowInfo busy = ReadWindow(w->hwnd, true);
  EXPECT_LT(GetTickCount64() - start, 2500u);
  EXPECT_FALSE(IsResponsive(w->hwnd, 100));
  EXPECT_EQ(busy.caption, kFixtureCaption);
  ASSERT_NE(busy.FindControl("显示消息"), nullptr) << Describe(busy);
  EXPECT_TRUE(WaitUntil([&] { return IsResponsive(w->hwnd, 100); }, kTimeoutMs));
}

TEST_F(DriverTest, WaitsGiveUpAfterTheirTimeout) {
  ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(WaitForWindow(0, "从不出现的窗口", 400));
  ULONGLONG spent = GetTickCount64() - start;
  EXPECT_GE(spent, 400u);
  EXPECT_LT(spent, 3000u);
  EXPECT_FALSE(WaitForMessageBox(GetCurrentProcessId(), 100));
}

TEST_F(DriverTest, WaitsForAWindowThatComesLate) {
  std::string error;
  fixture_ = Process::Start(FixtureProgram(), {L"--delay", L"800"}, medium_.Path(), &error);
  ASSERT_TRUE(fixture_) << error;
  ULONGLONG start = GetTickCount64();
  auto w = WaitForWindow(fixture_->pid(), kFixtureCaption, kTimeoutMs);
  ASSERT_TRUE(w) << DumpWindows(0);
  EXPECT_GE(GetTickCount64() - start, 800u);
  // The destructor ends what the test left running, through the process handle.
  HANDLE handle = fixture_->handle();
  fixture_->Kill();
  EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(WaitForWindowGone(w->hwnd, kTimeoutMs));
}

TEST_F(DriverTest, MaximisedWindowStateAndChineseCaptionFromArguments) {
  auto w = StartFixture({L"--maximised"});
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->maximised);
  EXPECT_TRUE(w->HasStyle(WS_CAPTION));
  EXPECT_FALSE(w->HasStyle(WS_SYSMENU));
  RECT screen{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
  EXPECT_GT(w->client.cx, 400);
  EXPECT_LE(w->client.cx, screen.right - screen.left);
}

// uidriver.exe, as a script uses it: output captured from its stdout.
struct CommandResult {
  DWORD exitCode = 0;
  std::string output;  // UTF-8, stdout and stderr
};

std::optional<CommandResult> RunUidriver(const std::vector<std::wstring>& args,
                                         const std::wstring& dir) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return std::nullopt;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  std::wstring commandLine = QuoteArgument(ProgramFolder() + L"\\uidriver.exe");
  for (const auto& a : args) commandLine += L" " + QuoteArgument(a);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;  // complaints and dumps land in output too
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION info{};
  BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                dir.c_str(), &startup, &info);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return std::nullopt;
  }
  CommandResult result;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got > 0) result.output.append(buf, got);
  CloseHandle(readEnd);
  WaitForSingleObject(info.hProcess, kTimeoutMs);
  GetExitCodeProcess(info.hProcess, &result.exitCode);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return result;
}

TEST_F(DriverTest, CommandLineDriverListsPressesAndReportsExitCodes) {
  // A Chinese caption that reached the program through its command line.
  auto named = StartFixture({L"--title", L"命令行测试"}, "命令行测试");
  ASSERT_TRUE(named);

  auto list = RunUidriver({L"list", std::to_wstring(fixture_->pid())}, medium_.Path());
  ASSERT_TRUE(list);
  EXPECT_EQ(list->exitCode, 0u);
  EXPECT_NE(list->output.find(Utf8("\"命令行测试\"")), std::string::npos) << list->output;
  EXPECT_NE(list->output.find(Utf8("\"显示消息\" at 10,10 size 100x25")), std::string::npos)
      << list->output;

  auto typed = RunUidriver({L"type", L"命令行测试", L"#102", L"中文输入"}, medium_.Path());
  ASSERT_TRUE(typed);
  EXPECT_EQ(typed->exitCode, 0u) << typed->output;
  EXPECT_EQ(ReadText(named->FindControlById(102)->hwnd), "中文输入");

  auto press = RunUidriver({L"press", L"命令行测试", L"显示消息"}, medium_.Path());
  ASSERT_TRUE(press);
  EXPECT_EQ(press->exitCode, 0u) << press->output;
  auto answer = RunUidriver({L"answer", L"确定"}, medium_.Path());
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->exitCode, 0u);
  EXPECT_NE(answer->output.find(Utf8("中文输入")), std::string::npos) << answer->output;
  EXPECT_TRUE(fixture_->WaitExit(kTimeoutMs));

  auto missing = RunUidriver({L"wait-window", L"从不出现的窗口", L"200"}, medium_.Path());
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->exitCode, 1u);
  auto usage = RunUidriver({L"press", L"only-one-argument"}, medium_.Path());
  ASSERT_TRUE(usage);
  EXPECT_EQ(usage->exitCode, 2u);
}

TEST_F(DriverTest, RunWaitStartsInTheGivenFolderAndReturnsTheExitCode) {
  ASSERT_TRUE(medium_.Write("marker.txt", "x"));
  // The program is looked for relative to uidriver's own folder here, and runs in the medium.
  auto found = RunUidriver({L"run-wait", medium_.Path(), FixtureProgram(), L"--exit-if-file",
                            L"marker.txt"},
                           ProgramFolder());
  ASSERT_TRUE(found);
  EXPECT_EQ(found->exitCode, 0u) << found->output;
  EXPECT_EQ(found->output, "exit 0\n");
  auto absent = RunUidriver({L"run-wait", ProgramFolder(), FixtureProgram(), L"--exit-if-file",
                             L"marker.txt"},
                            medium_.Path());
  ASSERT_TRUE(absent);
  EXPECT_EQ(absent->exitCode, 1u) << absent->output;
  auto code = RunUidriver({L"run-wait", medium_.Path(), FixtureProgram(), L"--exit", L"42"},
                          medium_.Path());
  ASSERT_TRUE(code);
  EXPECT_EQ(code->exitCode, 42u);
  EXPECT_EQ(code->output, "exit 42\n");
}

TEST(CaptionMatchesTest, IgnoresAcceleratorMarks) {
  EXPECT_TRUE(CaptionMatches("确定", "确定"));
  EXPECT_TRUE(CaptionMatches("&OK", "OK"));
  EXPECT_TRUE(CaptionMatches("是(&Y)", "是"));
  EXPECT_TRUE(CaptionMatches("是(&Y)", "是(Y)"));
  EXPECT_FALSE(CaptionMatches("确定", "取消"));
  EXPECT_FALSE(CaptionMatches("< 上一步", "上一步"));
  EXPECT_EQ(StandardButtonId("Cancel"), IDCANCEL);
  EXPECT_EQ(StandardButtonId("取消"), 0);
}

TEST(QuoteArgumentTest, RoundTripsThroughTheWindowsCommandLineRules) {
  EXPECT_EQ(QuoteArgument(L"plain"), L"plain");
  EXPECT_EQ(QuoteArgument(L""), L"\"\"");
  EXPECT_EQ(QuoteArgument(L"C:\\a b\\"), L"\"C:\\a b\\\\\"");
  EXPECT_EQ(QuoteArgument(L"say \"hi\""), L"\"say \\\"hi\\\"\"");
}

}  // namespace
}  // namespace yv::e2e
