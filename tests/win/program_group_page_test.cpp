// The program group page over a real Programs folder named in a redirected registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pages/program_group_page.h"
#include "text/cp936.h"
#include "ui/list_controls.h"
#include "win_test_support.h"
#include "wizard/install_state.h"

using yv::test::MessageBoxScript;
using yv::test::RegistrySandbox;
using yv::test::ScratchDir;
using yv::wizard::gInstall;

namespace {

using yv::test::kShellFolders;

// Selects an item as a user's click does: the list box notifies the page.
void ClickItem(yv::pages::TdlgStep4& page, const std::string& text) {
  const auto& list = page.Get<yv::ui::ListBox>("ListBox1");
  int index = 0;
  while (index < list.Count() && list.ItemText(index) != text) ++index;
  ASSERT_LT(index, list.Count()) << text;
  SendMessageW(list.Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(page.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list.Handle()), LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list.Handle()));
}

class ProgramGroupPage : public testing::Test {
 protected:
  ProgramGroupPage() : user(HKEY_CURRENT_USER) {}
  void SetUp() override {
    gInstall = yv::wizard::InstallState{};
    gInstall.ProgramGroup = "Delvrin证券分析系统";
  }
  ScratchDir dir;
  RegistrySandbox user;
};

TEST_F(ProgramGroupPage, ListsThePlainFoldersBelowProgramsAndTakesAPickedOne) {
  const std::string programs = dir.Folder("Programs");
  for (const char* folder : {"A\\A1\\A2", "行情", "H\\below hidden", "S\\below system"}) {
    dir.Folder(std::string("Programs\\") + folder);
  }
  dir.Write("Programs\\file.txt", "a file is no folder");
  // Hidden and system folders are neither listed nor entered. (Wine keeps no archive or
  // read-only attribute on a folder: those cases cannot be made here.)
  for (const auto& [name, attribute] : {std::pair{"H", FILE_ATTRIBUTE_HIDDEN}, {"S", FILE_ATTRIBUTE_SYSTEM}}) {
    const std::wstring path = yv::text::ToWide(programs + "\\" + name);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attribute | FILE_ATTRIBUTE_DIRECTORY));
  }
  user.SetString(kShellFolders, "Programs", programs);
  MessageBoxScript boxes;
  yv::pages::TdlgStep4 page;
  const auto& list = page.Get<yv::ui::ListBox>("ListBox1");
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.ItemText(i));
  // In the file system's order, each folder directly followed by what lies below it.
  const auto a = std::find(items.begin(), items.end(), "A");
  ASSERT_LE(a + 3, items.end());
  EXPECT_EQ(std::vector<std::string>(a, a + 3), (std::vector<std::string>{"A", "A\\A1", "A\\A1\\A2"}));
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, (std::vector<std::string>{"A", "A\\A1", "A\\A1\\A2", "行情"}));
  EXPECT_EQ(page["Edit1"].Text(), "Delvrin证券分析系统");

  ClickItem(page, "A\\A1");
  EXPECT_EQ(page["Edit1"].Text(), "A\\A1");
  page["Button2"].Click();
  EXPECT_EQ(gInstall.ProgramGroup, "A\\A1");
  EXPECT_EQ(page.StepDelta, 1);
  EXPECT_TRUE(boxes.Calls().empty());
}

TEST_F(ProgramGroupPage, AnEmptyNameIsRefusedAndBlanksPass) {
  user.SetString(kShellFolders, "Programs", dir.Folder("Programs"));
  struct Case {
    const char* typed;
    bool accepted;
  };
  for (const Case& c : {Case{"", false}, Case{" ", true}, Case{" 组 ", true}}) {
    SCOPED_TRACE(std::string("[") + c.typed + "]");
    gInstall.ProgramGroup = "before";
    MessageBoxScript boxes;
    yv::pages::TdlgStep4 page;
    page["Edit1"].SetText(c.typed);
    page["Button2"].Click();
    EXPECT_EQ(page.modalResult, c.accepted ? 1 : 0);
    EXPECT_EQ(gInstall.ProgramGroup, c.accepted ? c.typed : "before");
    std::vector<MessageBoxScript::Box> refused = {{page.Handle(), "您没有输入程序组的名称！", "Setup", MB_OK}};
    EXPECT_EQ(boxes.Boxes(), c.accepted ? std::vector<MessageBoxScript::Box>{} : refused);
  }
}

TEST_F(ProgramGroupPage, WithoutTheShellFoldersKeyThePageOpensEmpty) {
  MessageBoxScript boxes;
  yv::pages::TdlgStep4 page;
  EXPECT_EQ(page.Get<yv::ui::ListBox>("ListBox1").Count(), 0);
  EXPECT_EQ(page["Edit1"].Text(), "");
  EXPECT_EQ(boxes.Boxes(), (std::vector<MessageBoxScript::Box>{
                               {page.Handle(), "注册表已损坏,无法创建程序组。", "提示", MB_OK | MB_ICONINFORMATION}}));
}

}  // namespace
