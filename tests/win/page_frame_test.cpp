// Every page shares one frame: size, picture, maker's name, line and buttons.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "completion/completion_page.h"
#include "install/progress_page.h"
#include "pages/components_page.h"
#include "pages/licence_page.h"
#include "pages/program_group_page.h"
#include "pages/summary_page.h"
#include "pages/user_info_page.h"
#include "win_test_support.h"
#include "wizard/install_state.h"

namespace {

struct ButtonRow {
  const char* name;
  int left;
  const char* caption;
  bool isDefault;
  bool enabled;
  int top = 256;
};

struct PageCase {
  const char* caption;
  std::function<std::unique_ptr<yv::wizard::WizardPage>()> make;
  std::vector<ButtonRow> buttons;
};

RECT ClientRectOf(HWND control) {
  RECT rc;
  GetWindowRect(control, &rc);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

TEST(PageFrame, EveryPageHasTheCommonLayout) {
  yv::test::ScratchDir medium;
  medium.Write("Lics.txt", "");
  yv::wizard::gInstall.SourceDir = medium.Path();
  yv::wizard::gInstall.DescFilePath = medium.Write("install.ini", "[info]\r\nparts=1\r\n");
  const ButtonRow back{"Button1", 160, "< 上一步", false, true};
  const ButtonRow next{"Button2", 280, "下一步 >", true, true};
  const ButtonRow cancel{"Button3", 392, "取消", false, true};
  const ButtonRow cancelAt400{"Button3", 400, "取消", false, true};
  std::vector<PageCase> cases = {
      {"欢迎使用Delvrin软件",
       [] { return std::make_unique<yv::pages::TdlgStep1>(); },
       {{"Button1", 160, "同意", false, true}, {"Button2", 280, "下一步 >", true, false}, cancel}},
      {"用户信息",
       [] { return std::make_unique<yv::pages::TdlgStep2>(yv::test::DirectChanges()); },
       {back, {"Button2", 280, "下一步 >", true, true, 258}, {"Button3", 394, "取消", false, true}}},
      {"安装路径和组件", [] { return std::make_unique<yv::pages::TdlgStep3>(); }, {back, next, cancelAt400}},
      {"安装程序组", [] { return std::make_unique<yv::pages::TdlgStep4>(); }, {back, next, cancelAt400}},
      {"安装信息", [] { return std::make_unique<yv::pages::TdlgStep5>(); }, {back, next, cancelAt400}},
      {"安装", [] { return std::make_unique<yv::install::TdlgStep6>(); }, {cancelAt400}},
      {"安装完成",
       [] { return std::make_unique<yv::completion::TdlgStep7>(yv::test::DirectChanges()); },
       {{"Button3", 264, "完成", true, true}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    auto page = c.make();
    EXPECT_EQ(page->Caption(), c.caption);
    // The components page runs its Next once while it is created.
    EXPECT_EQ(page->StepDelta, std::string(c.caption) == "安装路径和组件" ? 1 : 0);
    RECT client;
    GetClientRect(page->Handle(), &client);
    EXPECT_EQ(client.right, 492);
    EXPECT_EQ(client.bottom, 293);
    LONG style = GetWindowLongW(page->Handle(), GWL_STYLE);
    EXPECT_FALSE(style & WS_SYSMENU);
    RECT image = ClientRectOf((*page)["Image3"].Handle());
    EXPECT_EQ(image.left, 0);
    EXPECT_EQ(image.right, 120);
    EXPECT_EQ(image.bottom, 293);
    EXPECT_EQ((*page)["Label4"].Text(), "Delvrin软件");
    EXPECT_FALSE((*page)["Label4"].Enabled());
    RECT bevel = ClientRectOf((*page)["Bevel1"].Handle());
    EXPECT_EQ(bevel.left, 136);
    EXPECT_EQ(bevel.top, 240);
    EXPECT_EQ(bevel.right - bevel.left, 350);
    int buttons = 0;
    for (const auto& control : page->Controls()) {  // along the bottom, not inside a group box
      buttons += control->GetKind() == yv::ui::Kind::Button && GetParent(control->Handle()) == page->Handle();
    }
    EXPECT_EQ(buttons, static_cast<int>(c.buttons.size()));
    for (const auto& b : c.buttons) {
      SCOPED_TRACE(b.name);
      auto& button = (*page)[b.name];
      RECT rc = ClientRectOf(button.Handle());
      EXPECT_EQ(rc.left, b.left);
      EXPECT_EQ(rc.top, b.top);
      EXPECT_EQ(rc.right - rc.left, 75);
      EXPECT_EQ(rc.bottom - rc.top, 25);
      EXPECT_EQ(button.Text(), b.caption);
      EXPECT_EQ(button.Enabled(), b.enabled);
      EXPECT_EQ((GetWindowLongW(button.Handle(), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON, b.isDefault);
    }
  }
}

TEST(PageFrame, ButtonProtocol) {
  yv::pages::TdlgStep2 page(yv::test::DirectChanges());
  page.Button1Click();
  EXPECT_EQ(page.StepDelta, -1);
  EXPECT_EQ(page.modalResult, 1);

  yv::wizard::gInstall.ProgramGroup = "组";
  yv::pages::TdlgStep4 next;
  next["Button2"].Click();
  EXPECT_EQ(next.StepDelta, 1);
  EXPECT_EQ(next.modalResult, 1);

  // Cancel: the button's modal result 2 is in force when the handler asks.
  yv::pages::TdlgStep5 cancel;
  int resultDuringQuestion = -1;
  yv::ui::SetMessageBoxResponder([&](const yv::ui::MessageBoxCall&) {
    resultDuringQuestion = cancel.modalResult;
    return IDOK;
  });
  cancel["Button3"].Click();
  yv::ui::SetMessageBoxResponder(yv::test::UnscriptedBoxes());
  EXPECT_EQ(resultDuringQuestion, 2);
  EXPECT_EQ(cancel.modalResult, 2);
}

TEST(PageFrame, ClosingAPageFromOutsideIsItsCancel) {
  yv::pages::TdlgStep5 page;
  {
    yv::test::MessageBoxScript boxes({IDCANCEL});
    SendMessageW(page.Handle(), WM_CLOSE, 0, 0);
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, "安装程序未完成，请确认要退出。");
    EXPECT_EQ(page.modalResult, 0);
    EXPECT_NE(page.Handle(), nullptr);
  }
  yv::test::MessageBoxScript boxes({IDOK});
  SendMessageW(page.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(page.modalResult, 2);

  // The completion page has no Cancel: it stays.
  yv::completion::TdlgStep7 last(yv::test::DirectChanges());
  SendMessageW(last.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(last.modalResult, 0);
  EXPECT_NE(last.Handle(), nullptr);
}

TEST(PageFrame, ProgressCancelOnlyClearsTheRunFlag) {
  yv::install::TdlgStep6 page;
  EXPECT_FALSE(page.InstallOk);
  page.InstallOk = true;  // as the run starts
  {
    yv::test::MessageBoxScript boxes({IDCANCEL});
    page["Button3"].Click();
    EXPECT_TRUE(page.InstallOk);
    EXPECT_EQ(page.modalResult, 0);
  }
  yv::test::MessageBoxScript boxes({IDOK});
  page["Button3"].Click();
  EXPECT_FALSE(page.InstallOk);
}

}  // namespace
