// The keyboard roles of the buttons (Enter, Esc) and Back, as a person uses them. The walk
// through every page to the end is the interactive installation (install_test.cpp).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "driver/actions.h"
#include "driver/dump.h"
#include "driver/wait.h"
#include "driver/window_list.h"
#include "support/setup_run.h"

namespace yv::e2e {
namespace {

const char kTitle[] = "演示安装";
const char kLicence[] = "欢迎使用Delvrin软件";
const char kUser[] = "用户信息";
const char kAgree[] = "同意";
const char kNext[] = "下一步 >";
const char kBack[] = "< 上一步";

class WalkScenario : public SetupScenario {
 protected:
  const ControlInfo* Button(const WindowInfo& page, const char* caption) {
    const ControlInfo* c = page.FindControl(caption, "Button");
    if (!c) ADD_FAILURE() << "no button " << caption << "\n" << Describe(page);
    return c;
  }
  // The page as it is now (controls change while it is open).
  WindowInfo Now(const WindowInfo& page) { return ReadWindow(page.hwnd, true); }
};

TEST_F(WalkScenario, EnterAndEscAndBackAsAPersonUsesThem) {
  ASSERT_TRUE(WriteStartableMedium(kTitle));
  ASSERT_TRUE(StartSetup());
  auto licence = ExpectWindow(kLicence);
  ASSERT_TRUE(licence);

  // Enter while Next is disabled does nothing.
  ASSERT_TRUE(PressKey(licence->hwnd, VK_RETURN));
  Sleep(500);
  EXPECT_TRUE(FindWindowsByCaption(Pid(), kUser, false).empty()) << DumpWindows(Pid());

  // Esc asks the cancel confirmation; Cancel there keeps the page.
  ASSERT_TRUE(PressKey(licence->hwnd, VK_ESCAPE));
  ASSERT_TRUE(ExpectMessageBox("安装程序未完成，请确认要退出。"));
  Answer("Cancel");

  // After "同意" the focus is on Next, and Enter goes on.
  Press(licence->hwnd, kAgree);
  const ControlInfo* next = Button(*licence, kNext);
  ASSERT_TRUE(next);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(next->hwnd) != FALSE; }, kBoxTimeoutMs));
  ASSERT_TRUE(PressKey(licence->hwnd, VK_RETURN));
  auto user = ExpectWindow(kUser);
  ASSERT_TRUE(user);

  // Back opens the licence afresh: Next is disabled again.
  Press(user->hwnd, kBack);
  auto again = ExpectWindow(kLicence);
  ASSERT_TRUE(again);
  const ControlInfo* nextAgain = Button(Now(*again), kNext);
  ASSERT_TRUE(nextAgain);
  EXPECT_FALSE(nextAgain->enabled);

  ASSERT_TRUE(PressKey(again->hwnd, VK_ESCAPE));
  ASSERT_TRUE(ExpectMessageBox("安装程序未完成，请确认要退出。"));
  Answer("OK");
  EXPECT_EQ(ExpectExit(), 0u);
}

}  // namespace
}  // namespace yv::e2e
