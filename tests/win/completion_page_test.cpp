// The completion page in its three card modes, with real archives, a real driver table,
// the registry redirected and the programs answered by a stand-in starter.
#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "archive/package_writer.h"
#include "completion/completion_page.h"
#include "platform/file_io.h"
#include "profile/profile.h"
#include "text/cp936.h"
#include "ui/group_controls.h"
#include "ui/list_controls.h"
#include "win_test_support.h"
#include "winsys/registry.h"
#include "wizard/install_state.h"

using yv::completion::CardMode;
using yv::completion::TdlgStep7;
using yv::test::MessageBoxScript;
using yv::test::RegistrySandbox;
using yv::test::ScratchDir;
using yv::wizard::gInstall;

namespace {

using yv::test::kAppPaths;
using yv::test::kShellFolders;
const char kSkip[] = "接收卡未能配置。\n是否不配置接收卡，直接完成安装？";

RECT Bounds(const yv::ui::Control& control) {
  RECT rc;
  GetWindowRect(control.Handle(), &rc);
  MapWindowPoints(nullptr, GetParent(control.Handle()), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

class CompletionPage : public testing::Test {
 protected:
  CompletionPage() : user(HKEY_CURRENT_USER) {}
  void SetUp() override {
    gInstall = yv::wizard::InstallState{};
    gInstall.SourceDir = dir.Folder("medium");
    gInstall.InstallDir = dir.Folder("app");
    gInstall.DescFilePath = gInstall.SourceDir + "\\install.ini";
    gInstall.MainProgram = "dravkp.exe";
    gInstall.ProgramGroup = "G";
    user.SetString(kShellFolders, "Programs", dir.Folder("Programs"));
    dir.Write("medium\\ad4.txt", "安装完成。\n谢谢");
  }
  void Describe(const std::string& info, const std::string& more = "") {
    dir.Write("medium\\install.ini", "[info]\r\n" + info + more + "[run]\r\nWPATH1=p.exe\r\n");
    dir.Write("medium\\p.exe", "stands for a program; the starter below answers for it");
  }
  // Every program "ends" with the next outcome of the script (ended, when it is empty).
  std::unique_ptr<TdlgStep7> Page() {
    auto page = std::make_unique<TdlgStep7>(yv::test::DirectChanges());
    page->starter.runAndAwait = [this](const std::string&, const std::string&, const std::string&) {
      ++runs;
      yv::winsys::ProcessEnd end = yv::winsys::ProcessEnd::kEnded;
      if (!outcomes.empty()) {
        end = outcomes.front();
        outcomes.pop_front();
      }
      return std::optional(yv::winsys::ProcessOutcome{end});
    };
    page->starter.start = [](const std::string&, const std::string&) { return true; };
    return page;
  }
  bool Registered() const { return yv::winsys::RegistryKey(HKEY_LOCAL_MACHINE, kAppPaths).IsOpen(); }

  ScratchDir dir;
  RegistrySandbox machine;
  RegistrySandbox user;
  std::deque<yv::winsys::ProcessEnd> outcomes;
  int runs = 0;
};

TEST_F(CompletionPage, WithoutCardsTheTextIsTallerAndFinishingClosesWhateverHappens) {
  Describe("configcard=N/A\r\nDriverCards=0\r\n");
  outcomes = {yv::winsys::ProcessEnd::kExitCodeUnreadable};
  MessageBoxScript boxes;
  auto page = Page();
  EXPECT_EQ(page->Mode(), CardMode::kNone);
  for (const char* hidden : {"Label1", "ComboBox1", "RadioGroup1"}) EXPECT_FALSE((*page)[hidden].Visible()) << hidden;
  EXPECT_EQ(Bounds((*page)["Memo1"]).bottom - Bounds((*page)["Memo1"]).top, 190);
  EXPECT_EQ((*page)["Memo1"].Text(), "安装完成。\r\n谢谢");
  (*page)["Button3"].Click();
  EXPECT_EQ(page->modalResult, 1);  // even though the actions ended early
  EXPECT_TRUE(Registered());
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"无法执行p.exe！"});
}

TEST_F(CompletionPage, CardListUnpacksTheChosenCardAndOffersAWayOutWhenItFails) {
  Describe("DriverCards=3\r\nDriver0=卡甲\r\nDriver1=卡乙\r\nDriver2=卡丙\r\n",
           "[Driver1]\r\ncard1.vrk=.\r\n[Driver2]\r\ntwo.vrk=.\r\nmissing.vrk=.\r\nb.vrk=.\r\n");
  for (const char* name : {"card1", "two", "b"}) {
    dir.Write(std::string("medium\\") + name + ".vrk",
              yv::archive::BuildPackageArchive(3, {yv::archive::EncodeEntry(std::string(name) + ".sys", 0, name,
                                                                            yv::archive::EntryStorage::kStore, {})}));
  }
  MessageBoxScript boxes({IDOK, IDOK, IDNO, IDOK, IDOK, IDYES});
  {
    auto page = Page();
    auto& cards = page->Get<yv::ui::RadioGroup>("RadioGroup1");
    EXPECT_EQ(page->Mode(), CardMode::kCardList);
    EXPECT_TRUE(cards.Visible());
    EXPECT_FALSE((*page)["ComboBox1"].Visible());
    EXPECT_EQ(Bounds(cards).top, 154);
    EXPECT_EQ(Bounds(cards).bottom - Bounds(cards).top, 65);
    EXPECT_EQ(cards.Items(), (std::vector<std::string>{"卡甲", "卡乙", "卡丙"}));
    EXPECT_EQ(cards.ItemIndex(), 0);
    EXPECT_EQ(*gInstall.CardList, cards.Items());

    // The third card's second archive is missing: the first is unpacked, the third is
    // not; both messages, the question; No keeps the page and nothing else happens,
    // and the next press repeats the card step.
    cards.SetItemIndex(2);
    (*page)["Button3"].Click();
    EXPECT_EQ(page->modalResult, 0);
    EXPECT_FALSE(Registered());
    EXPECT_TRUE(yv::platform::PathExists(gInstall.InstallDir + "\\two.sys"));
    EXPECT_FALSE(yv::platform::PathExists(gInstall.InstallDir + "\\b.sys"));
    (*page)["Button3"].Click();
    EXPECT_EQ(page->modalResult, 1);  // Yes: finished without the card
    EXPECT_TRUE(Registered());
    const std::string missing = gInstall.SourceDir + "\\missing.vrk数据文件错误!";
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{missing, "安装文件不正确!", kSkip, missing, "安装文件不正确!", kSkip}));
    EXPECT_EQ(boxes.Calls()[1].caption, "卡丙");
    EXPECT_EQ(boxes.Calls()[1].owner, page->Handle());
    EXPECT_EQ(boxes.Calls()[2].style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  }
  auto page = Page();
  page->Get<yv::ui::RadioGroup>("RadioGroup1").SetItemIndex(1);
  (*page)["Button3"].Click();
  EXPECT_EQ(page->modalResult, 1);
  EXPECT_EQ(yv::platform::ReadWholeFile(gInstall.InstallDir + "\\card1.sys"), "card1");
}

TEST_F(CompletionPage, ACardStoppedAtAFullDiskIsNotBlamedOnItsFiles) {
  const auto disk = yv::test::SmallDisk();
  if (!disk) GTEST_SKIP() << "no small filesystem in YV_SMALL_DISK";
  gInstall.InstallDir = *disk + "\\card" + std::to_string(GetCurrentProcessId());
  CreateDirectoryW(yv::text::ToWide(gInstall.InstallDir).c_str(), nullptr);
  const std::string filler = yv::test::FillDisk(gInstall.InstallDir);
  Describe("DriverCards=1\r\nDriver0=卡甲\r\n", "[Driver0]\r\ncard.vrk=.\r\n");
  dir.Write("medium\\card.vrk",
            yv::archive::BuildPackageArchive(3, {yv::archive::EncodeEntry("card.sys", 0, std::string(300000, 'c'),
                                                                          yv::archive::EntryStorage::kStore, {})}));
  MessageBoxScript boxes({IDCANCEL, IDNO});
  auto page = Page();
  (*page)["Button3"].Click();
  EXPECT_EQ(page->modalResult, 0);
  // The question, then at once the way out: no "安装文件不正确!" in between.
  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::string>{"磁盘空间不足，无法写入文件：\r\n" + gInstall.InstallDir +
                                          "\\card.sys\r\n请释放磁盘空间后单击“重试”，或单击“取消”停止安装。",
                                      kSkip}));
  EXPECT_EQ(yv::test::FilesIn(gInstall.InstallDir), std::vector<std::string>{"filler.bin"});
  DeleteFileW(yv::text::ToWide(filler).c_str());
  RemoveDirectoryW(yv::text::ToWide(gInstall.InstallDir).c_str());
}

TEST_F(CompletionPage, DriverTableListsSixteenPreselectsTheCurrentAndWritesTheChoice) {
  Describe("configcard=1\r\n");
  std::string ini = "[DCD]\r\nDriverNumber=20\r\nDriver=Driver 12\r\n";
  std::string longName = "x";  // over 255 bytes: shown cut before the character that would not fit
  for (int i = 0; i < 200; ++i) longName += "名";
  for (int i = 0; i < 20; ++i) {
    ini += "[Driver " + std::to_string(i) + "]\r\nName=" + (i ? "卡" + std::to_string(i) : longName) + "\r\n";
  }
  const std::string settings = dir.Write("app\\cfg\\newuser\\system.ini", ini);
  outcomes = {yv::winsys::ProcessEnd::kExitCodeUnreadable};
  MessageBoxScript boxes;
  auto page = Page();
  auto& combo = page->Get<yv::ui::ComboBox>("ComboBox1");
  EXPECT_EQ(page->Mode(), CardMode::kDriverTable);
  EXPECT_TRUE(combo.Visible());
  EXPECT_TRUE((*page)["Label1"].Visible());
  EXPECT_FALSE((*page)["RadioGroup1"].Visible());
  EXPECT_EQ(combo.Count(), 16);
  EXPECT_EQ(combo.ItemIndex(), 12);
  EXPECT_EQ(combo.ItemText(15), "卡15");
  EXPECT_EQ(combo.ItemText(0), longName.substr(0, 255));

  // An action that ends early keeps the page; pressing again writes again and finishes.
  combo.SetItemIndex(3);
  (*page)["Button3"].Click();
  EXPECT_EQ(page->modalResult, 0);
  (*page)["Button3"].Click();
  EXPECT_EQ(page->modalResult, 1);
  EXPECT_EQ(runs, 3);  // p.exe, then p.exe and hinstall.exe
  EXPECT_EQ(yv::profile::ReadString(settings, "DCD", "Driver", ""), "Driver 3");
  EXPECT_EQ(yv::profile::ReadString(settings, "DCD", "DriverNumber", ""), "16");
}

TEST_F(CompletionPage, NoDriverChosenKeepsThePageAndAnEmptyTableMayBeLeft) {
  Describe("configcard=yes\r\n");
  dir.Write("app\\cfg\\newuser\\system.ini",
            "[DCD]\r\nDriverNumber=2\r\n[Driver 0]\r\nName=甲\r\n[Driver 1]\r\nName=乙\r\n");
  {
    // A text typed instead of a picked entry names no driver; with entries to pick
    // there is no question.
    MessageBoxScript boxes;
    auto page = Page();
    auto& combo = page->Get<yv::ui::ComboBox>("ComboBox1");
    EXPECT_EQ(combo.ItemIndex(), -1);  // no "Driver" value
    combo.SetText("丙");
    (*page)["Button3"].Click();
    EXPECT_EQ(page->modalResult, 0);
    ASSERT_EQ(boxes.Texts(), std::vector<std::string>{"没有选择所使用的接收卡类型!"});
    EXPECT_EQ(boxes.Calls()[0].caption, "错误");
    EXPECT_EQ(boxes.Calls()[0].owner, page->Handle());
  }
  // No settings file: an empty table, the message and then the way out.
  gInstall.InstallDir = dir.Folder("elsewhere");
  MessageBoxScript boxes({IDOK, IDYES});
  auto page = Page();
  EXPECT_EQ(page->Get<yv::ui::ComboBox>("ComboBox1").Count(), 0);
  (*page)["Button3"].Click();
  EXPECT_EQ(page->modalResult, 1);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"没有选择所使用的接收卡类型!", kSkip}));
  EXPECT_FALSE(yv::platform::PathExists(gInstall.InstallDir + "\\cfg\\newuser\\system.ini"));
}

TEST(ReceiverCard, TheCurrentDriverIsTheNumberOfItsDigitsAndMinusSigns) {
  const std::pair<const char*, int32_t> cases[] = {
      {"Driver 12", 12},   {"word", 0},   {"Driver -3", -3},     {"a-1-2", -1},        {"5-3", 5},
      {"--5", 0},          {"驱动 7", 7}, {"Driver 1234", 1234}, {"Driver 12345", -1},  // 11 bytes at most
      {"99999999999", -1},                                                              // beyond 32 bits
  };
  for (const auto& [value, index] : cases) EXPECT_EQ(yv::completion::CurrentDriverIndex(value), index) << value;
}

}  // namespace
