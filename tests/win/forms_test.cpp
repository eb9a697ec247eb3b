// The forms layer: modal loop, keyboard roles of the buttons, ProcessMessages.
#include <gtest/gtest.h>

#include "ui/application.h"
#include "ui/form.h"

namespace {

using yv::ui::ControlSpec;
using yv::ui::Form;
using yv::ui::Kind;

const yv::ui::FontSpec kFont{"宋体", -12};

std::vector<ControlSpec> Layout(unsigned okFlags) {
  return {
      {Kind::Edit, "Edit1", 10, 10, 100, 21, "输入"},
      {Kind::Button, "Ok", 10, 40, 75, 25, "确定", yv::ui::kDefault | okFlags, yv::ui::mrOk},
      {Kind::Button, "Cancel", 90, 40, 75, 25, "取消", yv::ui::kCancel, yv::ui::mrCancel},
  };
}

Form MakeForm(unsigned okFlags = 0) {
  return Form({"测试", 200, 80, yv::ui::Border::Dialog, yv::ui::SysColor(COLOR_BTNFACE), kFont}, Layout(okFlags));
}

void Key(const Form& form, WPARAM key) {
  PostMessageW(GetFocus() ? GetFocus() : form.Handle(), WM_KEYDOWN, key, 0);
}

TEST(Forms, EnterPressesTheDefaultButtonAndEscTheCancelButton) {
  for (WPARAM key : {static_cast<WPARAM>(VK_RETURN), static_cast<WPARAM>(VK_ESCAPE)}) {
    Form form = MakeForm();
    yv::ui::SetModalObserver([&](Form& f) {
      f["Edit1"].SetFocus();
      Key(f, key);
    });
    EXPECT_EQ(form.ShowModal(), key == VK_RETURN ? yv::ui::mrOk : yv::ui::mrCancel);
    yv::ui::SetModalObserver({});
  }
}

TEST(Forms, EnterDoesNothingWhileTheDefaultButtonIsDisabled) {
  Form form = MakeForm(yv::ui::kDisabled);
  int clicks = 0;
  form["Cancel"].onClick = [&] { ++clicks; };
  yv::ui::SetModalObserver([&](Form& f) {
    f["Edit1"].SetFocus();
    Key(f, VK_RETURN);
    // Esc comes after Enter: the loop ends only through it.
    Key(f, VK_ESCAPE);
  });
  EXPECT_EQ(form.ShowModal(), yv::ui::mrCancel);
  EXPECT_EQ(clicks, 1);
  yv::ui::SetModalObserver({});
}

TEST(Forms, ModalResultIsSetBeforeTheHandlerWhichMayTakeItBack) {
  Form form = MakeForm();
  int seen = -1;
  form["Cancel"].onClick = [&] {
    seen = form.modalResult;
    form.modalResult = yv::ui::mrNone;
  };
  form["Cancel"].Click();
  EXPECT_EQ(seen, yv::ui::mrCancel);
  EXPECT_EQ(form.modalResult, yv::ui::mrNone);
}

TEST(Forms, ShowModalDisablesOtherWindowsAndRestoresThem) {
  Form other = MakeForm();
  other.Show();
  Form form = MakeForm();
  bool otherEnabledDuringLoop = true;
  yv::ui::SetModalObserver([&](Form& f) {
    otherEnabledDuringLoop = IsWindowEnabled(other.Handle()) != 0;
    // A real click arrives as a message, through the loop.
    PostMessageW(f["Ok"].Handle(), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(form.ShowModal(), yv::ui::mrOk);
  yv::ui::SetModalObserver({});
  EXPECT_FALSE(otherEnabledDuringLoop);
  EXPECT_TRUE(IsWindowEnabled(other.Handle()));
  EXPECT_FALSE(form.Showing());
}

TEST(Forms, TabOrderAsDeclared) {
  Form form = MakeForm();
  auto next = [&](const char* from) { return GetNextDlgTabItem(form.Handle(), form[from].Handle(), FALSE); };
  EXPECT_EQ(next("Edit1"), form["Ok"].Handle());  // row order by default
  form.SetTabOrder({"Cancel", "Edit1", "Ok"});
  EXPECT_EQ(next("Cancel"), form["Edit1"].Handle());
  EXPECT_EQ(next("Edit1"), form["Ok"].Handle());
  EXPECT_EQ(next("Ok"), form["Cancel"].Handle());
}

TEST(Forms, TextsKeepGbkBytes) {
  Form form = MakeForm();
  const std::string text = "\xD5\x5C\xAA\x41誠";  // trail bytes '\' and 'A'
  form["Edit1"].SetText(text);
  EXPECT_EQ(form["Edit1"].Text(), text);
  form.SetCaption("安装");
  EXPECT_EQ(form.Caption(), "安装");
}

TEST(Forms, ProcessMessagesServicesPendingClicks) {
  Form form = MakeForm();
  form.Show();
  int clicks = 0;
  form["Ok"].onClick = [&] { ++clicks; };
  PostMessageW(form["Ok"].Handle(), BM_CLICK, 0, 0);
  yv::ui::ProcessMessages();
  EXPECT_EQ(clicks, 1);
}

}  // namespace
