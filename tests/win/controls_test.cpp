// The kinds of controls of the forms layer: creation and geometry from rows, events
// routed from inside group boxes, the keys a focused control keeps, the folder lists.
#include <gtest/gtest.h>

#include <algorithm>

#include "text/cp936.h"
#include "ui/application.h"
#include "ui/folder_controls.h"
#include "ui/form.h"
#include "ui/group_controls.h"
#include "ui/list_controls.h"
#include "win_test_support.h"

namespace {

using namespace yv::ui;

const FontSpec kFont{"宋体", -12};

const std::vector<ControlSpec> kRows = {
    {Kind::GroupBox, "GroupBox1", 10, 10, 200, 100, "组"},
    Inside("GroupBox1", {Kind::Label, "Label1", 16, 34, 60, 12, "标签"}),
    Inside("GroupBox1", {Kind::ListBox, "ListBox1", 16, 50, 150, 40}),
    {Kind::ComboBox, "ComboBox1", 220, 10, 120, 20},
    {Kind::ComboBox, "ComboBox2", 220, 40, 120, 20, "", kDropDownList},
    {Kind::RadioGroup, "RadioGroup1", 10, 120, 240, 80, "接收卡"},
    {Kind::DirectoryList, "DirectoryList1", 260, 70, 160, 147},
    {Kind::DriveList, "DriveList1", 260, 220, 160, 18},
    {Kind::Memo, "Memo1", 10, 210, 240, 40, "", kReadOnly | kVScroll | kHScroll | kNoBorder},
    {Kind::Button, "Ok", 350, 10, 75, 25, "确定", kDefault, mrOk},
    {Kind::Button, "Cancel", 350, 40, 75, 25, "取消", kCancel, mrCancel},
};

class ControlsTest : public ::testing::Test {
 protected:
  ControlsTest() : form_({"控件", 440, 260, Border::Dialog, SysColor(COLOR_BTNFACE), kFont}, kRows) {
    form_["Ok"].onClick = [this] { ++okClicks_; };
    form_["Cancel"].onClick = [this] { ++cancelClicks_; };
    form_.Show();
  }
  ~ControlsTest() override { form_.Hide(); }

  // A key pressed on the focused window, through the application's dispatch.
  void Press(WPARAM key) {
    MSG msg{GetFocus(), WM_KEYDOWN, key, 0, 0, {}};
    DispatchOne(msg);
  }
  RECT InParent(HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
  }

  Form form_;
  int okClicks_ = 0, cancelClicks_ = 0;
};

TEST_F(ControlsTest, RowsMakeControlsOfTheirKindWhereTheRowsSay) {
  struct Expect {
    const char* name;
    const char* parent;  // nullptr: the form
    const wchar_t* cls;
    DWORD style;  // bits that must be set
  };
  const Expect expected[] = {
      {"GroupBox1", nullptr, L"Button", BS_GROUPBOX},
      {"Label1", "GroupBox1", L"Static", 0},
      {"ListBox1", "GroupBox1", L"ListBox", LBS_NOTIFY},
      {"ComboBox1", nullptr, L"ComboBox", CBS_DROPDOWN},
      {"ComboBox2", nullptr, L"ComboBox", CBS_DROPDOWNLIST},
      {"DirectoryList1", nullptr, L"ListBox", LBS_OWNERDRAWFIXED | LBS_HASSTRINGS},
      {"DriveList1", nullptr, L"ComboBox", CBS_DROPDOWNLIST},
      {"Memo1", nullptr, L"Edit", ES_MULTILINE | ES_READONLY | WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(e.name);
    HWND h = form_[e.name].Handle();
    wchar_t cls[32];
    GetClassNameW(h, cls, 32);
    EXPECT_EQ(_wcsicmp(cls, e.cls), 0);
    EXPECT_EQ(GetParent(h), e.parent ? form_[e.parent].Handle() : form_.Handle());
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)) & e.style, e.style);
    const ControlSpec& row =
        *std::find_if(kRows.begin(), kRows.end(), [&](const ControlSpec& r) { return std::string(r.name) == e.name; });
    RECT rc = InParent(h);
    EXPECT_EQ(rc.left, row.left);
    EXPECT_EQ(rc.top, row.top);
  }
  EXPECT_FALSE(GetWindowLongW(form_["Memo1"].Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  // Each row gives an object of its kind's type.
  EXPECT_NO_THROW(form_.Get<ListBox>("ListBox1"));
  EXPECT_NO_THROW(form_.Get<DriveList>("DriveList1"));
  EXPECT_NO_THROW(form_.Get<RadioGroup>("RadioGroup1"));
  EXPECT_THROW(form_.Get<ListBox>("ComboBox1"), std::logic_error);

  // A check box added at run time inside the group box; its click reaches its handler.
  Control& box = form_.AddControl(Inside("GroupBox1", {Kind::CheckBox, "CheckBox1", 24, 13, 150, 17, "组件"}));
  EXPECT_EQ(GetParent(box.Handle()), form_["GroupBox1"].Handle());
  EXPECT_EQ(InParent(box.Handle()).top, 13);
  int clicks = 0;
  box.onClick = [&] { ++clicks; };
  SendMessageW(box.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(box.Checked());
}

TEST_F(ControlsTest, ListAndComboNotificationsReachTheirControl) {
  auto& list = form_.Get<ListBox>("ListBox1");  // inside the group box
  list.SetItems({"甲", "乙", "丙"});
  list.SetItemIndex(0);
  int listClicks = 0;
  list.onClick = [&] { ++listClicks; };
  list.SetFocus();
  Press(VK_DOWN);
  EXPECT_EQ(listClicks, 1);
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(list.ItemText(2), "丙");

  auto& combo = form_.Get<ComboBox>("ComboBox2");
  combo.SetItems({"一", "二"});
  int changes = 0;
  combo.onChange = [&] { ++changes; };
  combo.SetFocus();
  Press(VK_DOWN);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(combo.Text(), "一");

  auto& memo = form_.Get<Edit>("Memo1");
  int edits = 0;
  memo.onChange = [&] { ++edits; };
  std::wstring typed = L"行";
  SendMessageW(memo.Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed.c_str()));
  EXPECT_EQ(edits, 1);
  EXPECT_EQ(memo.Text(), "行");
}

TEST_F(ControlsTest, RadioGroupFillsColumnsAndArrowsMoveWithinIt) {
  auto& group = form_.Get<RadioGroup>("RadioGroup1");
  group.SetColumns(2);
  group.SetItems({"甲卡", "乙卡", "丙卡", "丁卡", "戊卡"});
  EXPECT_EQ(group.ItemIndex(), -1);
  // Five items in two columns: three in the first, two in the second.
  RECT first = InParent(group.ItemHandle(0)), third = InParent(group.ItemHandle(2)),
       fourth = InParent(group.ItemHandle(3));
  EXPECT_EQ(fourth.top, first.top);
  EXPECT_GT(fourth.left, first.left);
  EXPECT_GT(third.top, first.top);
  EXPECT_EQ(third.left, first.left);

  int clicks = 0;
  group.onClick = [&] { ++clicks; };
  SendMessageW(group.ItemHandle(3), BM_CLICK, 0, 0);
  EXPECT_EQ(group.ItemIndex(), 3);
  SetFocus(group.ItemHandle(3));
  Press(VK_DOWN);
  Press(VK_DOWN);  // past the last item: back to the first
  EXPECT_EQ(group.ItemIndex(), 0);
  EXPECT_EQ(GetFocus(), group.ItemHandle(0));
  Press(VK_UP);
  EXPECT_EQ(group.ItemIndex(), 4);
  EXPECT_EQ(clicks, 4);
  EXPECT_EQ(SendMessageW(group.ItemHandle(4), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(group.ItemHandle(3), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Press(VK_RETURN);  // a radio group leaves Enter to the default button
  EXPECT_EQ(okClicks_, 1);
}

TEST_F(ControlsTest, EnterAndEscGoToTheButtonsOnlyWhenTheFocusedControlDoesNotUseThem) {
  yv::test::ScratchDir dir;
  dir.Folder("子目录");
  auto& folders = form_.Get<DirectoryList>("DirectoryList1");
  ASSERT_TRUE(folders.SetDirectory(dir.Path()));
  folders.SetFocus();
  Press(VK_DOWN);    // onto the one folder inside
  Press(VK_RETURN);  // opens it
  EXPECT_EQ(folders.Directory(), dir.Path() + "\\子目录");
  EXPECT_EQ(okClicks_, 0);

  auto& combo = form_.Get<ComboBox>("ComboBox2");
  combo.SetItems({"一", "二"});
  combo.SetFocus();
  SendMessageW(combo.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(combo.DroppedDown());
  Press(VK_ESCAPE);  // closes the open list
  EXPECT_FALSE(combo.DroppedDown());
  EXPECT_EQ(cancelClicks_, 0);
  Press(VK_ESCAPE);  // now the form's cancel button
  EXPECT_EQ(cancelClicks_, 1);
  Press(VK_RETURN);
  EXPECT_EQ(okClicks_, 1);
}

TEST_F(ControlsTest, DirectoryListShowsTheTreeAndFollowsTheDriveList) {
  yv::test::ScratchDir dir;
  const std::string gbkTrail = "\xD5\x5C";  // a folder name whose trail byte is '\'
  dir.Folder("b");
  dir.Folder("A\\x");
  dir.Folder(gbkTrail);
  std::string hidden = dir.Folder("h");
  SetFileAttributesW(yv::text::ToWide(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);

  auto& folders = form_.Get<DirectoryList>("DirectoryList1");
  auto& drives = form_.Get<DriveList>("DriveList1");
  drives.Couple(folders);
  std::vector<std::string> changes;
  folders.onChange = [&] { changes.push_back(folders.Directory()); };

  ASSERT_TRUE(folders.SetDirectory(dir.Path() + "\\"));
  EXPECT_EQ(folders.Directory(), dir.Path());
  EXPECT_EQ(drives.Drive(), 'C');
  // Root, each folder down to the current one, then its folders by name (not the hidden one).
  int count = folders.Count();
  ASSERT_GE(count, 4);
  EXPECT_EQ(folders.ItemText(0), "C:\\");
  EXPECT_EQ(folders.EntryPath(count - 4), dir.Path());
  EXPECT_EQ(folders.ItemIndex(), count - 4);
  EXPECT_EQ(folders.ItemText(count - 3), "A");
  EXPECT_EQ(folders.ItemText(count - 2), "b");
  EXPECT_EQ(folders.EntryPath(count - 1), dir.Path() + "\\" + gbkTrail);

  // The double-byte name is one folder: the tree opens it and shows the way back up.
  folders.SetItemIndex(count - 1);
  folders.OpenSelected();
  EXPECT_EQ(folders.Directory(), dir.Path() + "\\" + gbkTrail);
  EXPECT_EQ(folders.EntryPath(folders.Count() - 1), folders.Directory());
  // A double-click on the root moves up.
  folders.SetItemIndex(0);
  SendMessageW(form_.Handle(), WM_COMMAND, MAKEWPARAM(0, LBN_DBLCLK), reinterpret_cast<LPARAM>(folders.Handle()));
  EXPECT_EQ(folders.Directory(), "C:\\");

  // Texts that are not an existing folder leave the tree where it is.
  for (const std::string& bad : std::vector<std::string>{"", "relative", "C:relative", dir.Path() + "\\missing",
                                                         dir.Path() + "\\A\\..", "\\\\server\\share"}) {
    EXPECT_FALSE(folders.SetDirectory(bad)) << bad;
  }
  EXPECT_EQ(folders.Directory(), "C:\\");

  // Another drive picked in the drive list moves the tree to its root.
  ASSERT_GE(drives.Count(), 2) << "the prefix maps C: and Z:";
  drives.SetFocus();
  Press(VK_END);
  char last = drives.ItemText(drives.Count() - 1)[0];
  EXPECT_EQ(folders.Directory(), std::string(1, last) + ":\\");
  Press(VK_HOME);
  EXPECT_EQ(folders.Directory(), drives.ItemText(0) + "\\");
  ASSERT_TRUE(folders.SetDirectory("c:\\"));
  EXPECT_EQ(drives.Drive(), 'C');
  std::vector<std::string> expected = {dir.Path(), dir.Path() + "\\" + gbkTrail, "C:\\", std::string(1, last) + ":\\",
                                       drives.ItemText(0) + "\\"};
  EXPECT_EQ(changes, expected);
}

}  // namespace
