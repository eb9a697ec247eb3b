// The components page, the directory chooser and the summary, with scripted message
// boxes; the chooser is driven through its own lists as a person would.
#include <gtest/gtest.h>

#include <functional>

#include "pages/components_page.h"
#include "pages/directory_chooser.h"
#include "pages/summary_page.h"
#include "ui/application.h"
#include "ui/folder_controls.h"
#include "win_test_support.h"
#include "wizard/install_state.h"

namespace {

using yv::pages::TdlgSelDir;
using yv::pages::TdlgStep3;
using yv::test::MessageBoxScript;
using yv::wizard::gInstall;

const char kAskFresh[] = "您没有安装“产品”！\n请选择安装“%s”！";
const char kAskOverwrite[] = "您曾经安装“产品”！\n选择安装“%s”将会覆盖您原有文件！\n是否选择？";
const char kNoComponent[] = "您没有选择安装选项，请选择！";

std::string With(const char* format, const std::string& caption) {
  std::string s = format;
  return s.replace(s.find("%s"), 2, caption);
}

RECT InParent(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

class Pages : public testing::Test {
 protected:
  void SetUp() override {
    gInstall = yv::wizard::InstallState{};
    gInstall.InstallDir = "C:\\kv58";
    gInstall.ProductName = "产品";
    Describe("parts=4\r\npart0=主程序\r\npart1=行情\r\npart2=资讯\r\npart3=工具\r\n");
  }
  void TearDown() override { yv::ui::SetModalObserver({}); }
  void Describe(const std::string& info) { gInstall.DescFilePath = medium.Write("install.ini", "[info]\r\n" + info); }
  // Each chooser shown runs the next action; none left: Cancel.
  void OnChooser(std::vector<std::function<void(TdlgSelDir&)>> actions) {
    choosers = std::move(actions);
    yv::ui::SetModalObserver([this](yv::ui::Form& form) {
      auto& chooser = dynamic_cast<TdlgSelDir&>(form);
      if (choosers.empty()) return chooser["Button2"].Click();
      auto action = choosers.front();
      choosers.erase(choosers.begin());
      action(chooser);
      if (chooser.modalResult == yv::ui::mrNone) chooser["Button2"].Click();  // never wait for a person
    });
  }

  yv::test::ScratchDir medium;
  std::vector<std::function<void(TdlgSelDir&)>> choosers;
};

TEST_F(Pages, ComponentBoxesFromTheDescription) {
  struct Case {
    const char* info;
    bool fresh;
    std::vector<int> tops;  // one per box
    std::vector<std::string> captions;
    std::vector<bool> checked;
    int copy, remove;
  };
  const Case cases[] = {
      {"parts=8\r\npart0=甲\r\npart1=乙\r\npart2=丙\r\npart3=丁\r\npart4=戊\r\npart5=己\r\ncopy=9\r\ndelete=-2\r\n",
       true,
       {13, 36, 59, 82, 105},
       {"甲", "乙", "丙", "丁", "戊"},
       {true, true, true, true, true},
       5,
       -2},
      {"parts=2\r\npart1=乙\r\ncopy=5\r\n", false, {36, 82}, {"", "乙"}, {true, false}, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.info);
    Describe(c.info);
    gInstall.FreshInstall = c.fresh;
    MessageBoxScript boxes;
    TdlgStep3 page;
    EXPECT_TRUE(boxes.Calls().empty());  // the Next at creation asks nothing
    ASSERT_EQ(gInstall.PartCount, static_cast<int>(c.tops.size()));
    EXPECT_EQ(gInstall.CopyCount, c.copy);
    EXPECT_EQ(gInstall.DeleteCount, c.remove);
    EXPECT_EQ(*gInstall.PartCaptions, c.captions);
    for (int i = 0; i < gInstall.PartCount; ++i) {
      SCOPED_TRACE(i);
      auto* box = page.ComponentBox(i);
      EXPECT_EQ(GetParent(box->Handle()), page["GroupBox1"].Handle());
      RECT rc = InParent(box->Handle());
      EXPECT_EQ(rc.top, c.tops[i]);
      EXPECT_EQ(rc.left, 24);
      EXPECT_EQ(rc.right - rc.left, 300);
      EXPECT_EQ(box->Text(), c.captions[i]);
      EXPECT_EQ(box->Checked(), c.checked[i]);
      EXPECT_EQ(gInstall.PartSelected[i], c.checked[i]);  // stored by the Next at creation
    }
    EXPECT_EQ(page.modalResult, 1);
    EXPECT_EQ(page.StepDelta, 1);
    EXPECT_EQ(page["Label2"].Text(), "C:\\kv58");
    EXPECT_EQ(GetParent(page["Button4"].Handle()), page["GroupBox2"].Handle());
    RECT browse = InParent(page["Button4"].Handle());
    EXPECT_EQ(browse.left, 256);
    EXPECT_EQ(browse.top, 24);
  }

  // No components: the box is hidden and the no-selection message comes at creation,
  // owned by the page; Next shows it again and the page stays.
  Describe("copy=1\r\n");
  MessageBoxScript boxes;
  TdlgStep3 page;
  EXPECT_FALSE(page["GroupBox1"].Visible());
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, kNoComponent);
  EXPECT_EQ(boxes.Calls()[0].caption, "Setup");
  EXPECT_EQ(boxes.Calls()[0].style, static_cast<UINT>(MB_OK));
  EXPECT_EQ(boxes.Calls()[0].owner, page.Handle());
  page.modalResult = 0;
  page["Button2"].Click();
  EXPECT_EQ(boxes.Calls().size(), 2u);
  EXPECT_EQ(page.modalResult, 0);
}

TEST_F(Pages, NextQuestionsAndTheirLoop) {
  // A fresh installation asks about each box left unchecked; No leaves it out.
  gInstall.FreshInstall = true;
  {
    TdlgStep3 page;
    page.modalResult = 0;
    page.ComponentBox(2)->SetChecked(false);
    MessageBoxScript boxes({IDNO});
    page["Button2"].Click();
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, With(kAskFresh, "资讯"));
    EXPECT_EQ(boxes.Calls()[0].style, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(boxes.Calls()[0].owner, page.Handle());
    EXPECT_EQ(page.modalResult, 1);
    EXPECT_EQ(gInstall.PartSelected, (std::array<bool, 5>{true, true, false, true, false}));
  }
  // Over an earlier installation each further box checked is questioned; No ends the
  // action with the later entries untouched and the page open.
  gInstall.FreshInstall = false;
  TdlgStep3 page;
  page.modalResult = 0;
  page.ComponentBox(1)->SetChecked(true);
  page.ComponentBox(3)->SetChecked(true);
  gInstall.PartSelected[3] = true;
  MessageBoxScript boxes({IDYES, IDNO, IDYES});
  page["Button2"].Click();
  ASSERT_EQ(boxes.Calls().size(), 2u);
  EXPECT_EQ(boxes.Calls()[0].text, With(kAskOverwrite, "行情"));
  EXPECT_EQ(boxes.Calls()[1].text, With(kAskOverwrite, "工具"));
  EXPECT_FALSE(page.ComponentBox(3)->Checked());
  EXPECT_EQ(gInstall.PartSelected, (std::array<bool, 5>{true, true, false, true, false}));
  EXPECT_EQ(page.modalResult, 0);
  page["Button2"].Click();  // asks about box 1 again, then closes
  EXPECT_EQ(boxes.Calls().size(), 3u);
  EXPECT_EQ(page.modalResult, 1);
  EXPECT_EQ(gInstall.PartSelected, (std::array<bool, 5>{true, true, false, false, false}));
  EXPECT_FALSE(gInstall.FreshInstall);
}

TEST_F(Pages, QuestionsLongerThan255BytesAreRefused) {
  // "您没有安装“”！\n请选择安装“”！" takes 33 bytes: 222 are left for the two names.
  for (std::size_t captionLength : {22u, 23u}) {
    SCOPED_TRACE(captionLength);
    gInstall = yv::wizard::InstallState{};
    gInstall.FreshInstall = true;
    gInstall.ProductName = std::string(200, 'p');
    Describe("parts=2\r\npart1=" + std::string(captionLength, 'c') + "\r\n");
    TdlgStep3 page;
    page.modalResult = 0;
    page.ComponentBox(1)->SetChecked(false);
    MessageBoxScript boxes({IDYES});
    page["Button2"].Click();
    ASSERT_EQ(boxes.Calls().size(), 1u);
    bool fits = captionLength == 22;
    if (fits) {
      EXPECT_EQ(boxes.Calls()[0].text.size(), 255u);
    } else {
      EXPECT_EQ(boxes.Calls()[0].text,
                "产品名称和组件名称太长（超过255字节），无法询问是否安装该组件。\n请检查安装文件！");
    }
    EXPECT_EQ(page.modalResult, fits ? 1 : 0);
    EXPECT_EQ(page.ComponentBox(1)->Checked(), fits);
  }
}

TEST_F(Pages, BrowseStartsFromTheOpeningFolderEachTime) {
  yv::test::ScratchDir tree;
  std::string sub = tree.Folder("子目录");
  std::vector<std::string> seen;  // Edit1 and the tree's folder as each chooser opens
  auto opened = [&](TdlgSelDir& d) {
    seen.push_back(d.Folder() + "|" + d.Get<yv::ui::DirectoryList>("DirectoryListBox1").Directory());
  };
  auto type = [&](std::string text) {
    return [=, &opened](TdlgSelDir& d) {
      opened(d);
      d.SetFolder(text);
      d["Button1"].Click();
    };
  };
  OnChooser({
      type("D:\\"),
      // Through the lists: the tree moved to the scratch folder, then its one folder opened.
      [&](TdlgSelDir& d) {
        opened(d);
        auto& folders = d.Get<yv::ui::DirectoryList>("DirectoryListBox1");
        folders.SetDirectory(tree.Path());
        folders.SetItemIndex(folders.Count() - 1);
        folders.SetFocus();
        MSG enter{folders.Handle(), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
        yv::ui::DispatchOne(enter);
        EXPECT_EQ(d.Folder(), sub);
        EXPECT_EQ(d.modalResult, 0);  // Enter opened the folder, it did not press OK
        d["Button1"].Click();
      },
      type("C:\\a\\\\"),
      type("C:\\"
           "\xD5\x5C"),  // a trail byte 0x5C is no backslash
      [&](TdlgSelDir& d) {
        opened(d);
        d.SetFolder("E:\\x");
        d["Button2"].Click();
      },
  });
  gInstall.FreshInstall = false;
  TdlgStep3 page;
  std::vector<std::string> shown;
  for (int i = 0; i < 5; ++i) {
    page.Button4Click();
    shown.push_back(page["Label2"].Text());
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"D:", sub, "C:\\a\\",
                                             "C:\\"
                                             "\xD5\x5C",
                                             "C:\\"
                                             "\xD5\x5C"}));
  ASSERT_EQ(seen.size(), 5u);
  for (const std::string& s : seen) EXPECT_EQ(s, "C:\\kv58|C:\\");
  // Next with a folder other than the one in force: a fresh installation from now on,
  // so the unchecked boxes are asked about.
  MessageBoxScript boxes({IDNO, IDNO, IDNO});
  page["Button2"].Click();
  EXPECT_TRUE(gInstall.FreshInstall);
  EXPECT_EQ(gInstall.InstallDir,
            "C:\\"
            "\xD5\x5C");
  EXPECT_EQ(boxes.Calls().size(), 3u);
}

TEST_F(Pages, ChooserRefusesAnEmptyOrTooLongFolder) {
  TdlgSelDir chooser;
  RECT client;
  GetClientRect(chooser.Handle(), &client);
  EXPECT_EQ(client.right, 281);
  EXPECT_EQ(client.bottom, 232);
  EXPECT_TRUE(GetWindowLongW(chooser.Handle(), GWL_STYLE) & WS_SYSMENU);
  EXPECT_EQ(chooser.Folder(), "C:\\");  // filled by the tree at creation
  struct Case {
    std::string text;
    bool accepted;
  };
  const Case cases[] = {
      {"", false}, {"C:\\" + std::string(253, 'x'), false}, {"C:\\" + std::string(252, 'x'), true}, {"relative", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.size());
    MessageBoxScript boxes;
    chooser.SetFolder(c.text);
    chooser["Button1"].Click();
    EXPECT_EQ(chooser.modalResult, c.accepted ? 1 : 0);
    EXPECT_EQ(chooser.Folder(), c.text);
    ASSERT_EQ(boxes.Calls().size(), c.accepted ? 0u : 1u);
    if (!c.accepted) {
      EXPECT_EQ(boxes.Calls()[0].owner, chooser.Handle());
      EXPECT_EQ(boxes.Calls()[0].text,
                c.text.empty() ? "您没有选择安装路径，请选择！" : "安装路径太长（超过255字节），请重新选择！");
    }
    chooser.modalResult = 0;
  }
}

TEST_F(Pages, SummaryListsTheChoicesByteForByte) {
  gInstall.InstallDir = "D:\\很长的安装目录\\" + std::string(300, 'x');
  gInstall.UserName = "张三";
  gInstall.CompanyName = "";
  gInstall.ProgramGroup = "组";
  gInstall.PartCaptions = std::vector<std::string>{"甲", "乙", "丙"};
  gInstall.PartSelected = {true, false, true, true, false};  // entry 3 has no component
  yv::pages::TdlgStep5 page;
  const std::string expected = "安装目录\r\n\r\n\t" + gInstall.InstallDir +
                               "\r\n\r\n用户信息\r\n\r\n\t姓名：张三\r\n\t公司：\r\n程序组\r\n\r\n\t组\r\n\r\n"
                               "安装组件\r\n\r\n\t甲\r\n\t丙\r\n";
  EXPECT_EQ(page["Memo2"].Text(), expected);
  DWORD style = static_cast<DWORD>(GetWindowLongW(page["Memo2"].Handle(), GWL_STYLE));
  const DWORD wanted = ES_READONLY | WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL | ES_MULTILINE;
  EXPECT_EQ(style & wanted, wanted);
  // 16 lines and the empty one after the last line end: the long folder does not wrap.
  EXPECT_EQ(SendMessageW(page["Memo2"].Handle(), EM_GETLINECOUNT, 0, 0), 17);
  EXPECT_EQ(page["Memo1"].Text(),
            "下面是您输入的安装信息，如需改变请按上一步，如确认并继续\r\n安装请按下一步。\r\n \r\n \r\n");
  page.Button2Click();
  EXPECT_EQ(page.StepDelta, 1);
  EXPECT_EQ(page.modalResult, 1);
}

}  // namespace
