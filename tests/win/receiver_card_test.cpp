// The receiver-card rules: the mode, the current driver's index, the driver table of a
// real settings file, and a card's driver archives unpacked from real archives.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "archive/package_writer.h"
#include "completion/receiver_card.h"
#include "platform/file_io.h"
#include "profile/profile.h"
#include "win_test_support.h"
#include "wizard/install_state.h"

using namespace yv::completion;
using yv::test::MessageBoxScript;
using yv::test::ScratchDir;
using yv::wizard::gInstall;

namespace {

TEST(ReceiverCard, ModeAndCurrentDriverRules) {
  struct ModeCase {
    const char* setting;
    int32_t cards;
    CardMode mode;
  };
  const ModeCase modes[] = {
      {"", 0, CardMode::kNone},        {"N/A", -1, CardMode::kNone},       {"", 2, CardMode::kCardList},
      {"N/A", 3, CardMode::kCardList}, {"n/a", 3, CardMode::kDriverTable}, {"yes", 0, CardMode::kDriverTable},
  };
  for (const ModeCase& c : modes) EXPECT_EQ(CardModeFor(c.setting, c.cards), c.mode) << c.setting << c.cards;

  struct IndexCase {
    const char* value;
    int32_t index;
  };
  const IndexCase indexes[] = {
      {"Driver 12", 12},   {"Driver 0", 0}, {"word", 0},           {"Driver -3", -3},    {"a-1-2", -1}, {"5-3", 5},
      {"--5", 0},          {"驱动 7", 7},   {"Driver 1234", 1234}, {"Driver 12345", -1},  // 11 bytes at most
      {"99999999999", -1},                                                                // beyond 32 bits
  };
  for (const IndexCase& c : indexes) EXPECT_EQ(CurrentDriverIndex(c.value), c.index) << c.value;
}

TEST(ReceiverCard, DriverTableListsSixteenAndWritesTheChoiceBack) {
  ScratchDir dir;
  std::string ini = "[Other]\r\nKeep=1\r\n[DCD]\r\nDriverNumber=20\r\nDriver=Driver 12\r\n";
  for (int i = 0; i < 20; ++i) ini += "[Driver " + std::to_string(i) + "]\r\nName=卡" + std::to_string(i) + "\r\n";
  ini += "[Driver 1]\r\nName=a second section of the same name does not count\r\n";
  const std::string path = dir.Write("cfg\\newuser\\system.ini", ini);

  DriverTable table = ReadDriverTable(path);
  ASSERT_EQ(table.names.size(), 16u);
  EXPECT_EQ(table.names[1], "卡1");
  EXPECT_EQ(table.names[15], "卡15");
  EXPECT_EQ(table.current, 12);

  WriteDriverChoice(path, 3, 16);
  EXPECT_EQ(yv::profile::ReadString(path, "DCD", "Driver", ""), "Driver 3");
  EXPECT_EQ(yv::profile::ReadString(path, "DCD", "DriverNumber", ""), "16");
  EXPECT_EQ(yv::profile::ReadString(path, "Other", "Keep", ""), "1");

  // No settings file: an empty table with no current driver. A name over 255 bytes is
  // shown cut before the character that would not fit.
  EXPECT_TRUE(ReadDriverTable(dir.Path() + "\\none.ini").names.empty());
  EXPECT_EQ(ReadDriverTable(dir.Path() + "\\none.ini").current, -1);
  std::string longName;
  for (int i = 0; i < 200; ++i) longName += "名";
  const std::string other =
      dir.Write("other.ini", "[DCD]\r\nDriverNumber=1\r\n[Driver 0]\r\nName=x" + longName + "\r\n");
  EXPECT_EQ(ReadDriverTable(other).names[0], "x" + longName.substr(0, 254));
  EXPECT_EQ(ReadDriverTable(other).current, -1);
}

TEST(ReceiverCard, ACardsArchivesAreUnpackedInOrderUntilOneFails) {
  ScratchDir dir;
  gInstall = yv::wizard::InstallState{};
  gInstall.SourceDir = dir.Folder("medium");
  gInstall.InstallDir = dir.Folder("app");
  gInstall.DescFilePath = dir.Write("medium\\install.ini",
                                    "[Driver0]\r\na.vrk=.\r\n[Driver1]\r\na.vrk=drv\r\nmissing.vrk=.\r\nb.vrk=.\r\n");
  dir.Folder("app\\drv");
  using yv::archive::EncodeEntry;
  using yv::archive::EntryStorage;
  dir.Write("medium\\a.vrk", yv::archive::BuildPackageArchive(
                                 3, {EncodeEntry("card.sys", 0, "driver bytes", EntryStorage::kCompress, {})}));
  dir.Write("medium\\b.vrk",
            yv::archive::BuildPackageArchive(3, {EncodeEntry("b.sys", 0, "b", EntryStorage::kStore, {})}));
  HWND const page = reinterpret_cast<HWND>(0x7777);

  MessageBoxScript boxes;
  EXPECT_TRUE(InstallCardDrivers(page, 0, "卡一"));
  EXPECT_TRUE(InstallCardDrivers(page, 5, "no such section"));
  EXPECT_EQ(yv::platform::ReadWholeFile(gInstall.InstallDir + "\\card.sys"), "driver bytes");
  EXPECT_TRUE(boxes.Calls().empty());

  EXPECT_FALSE(InstallCardDrivers(page, 1, "卡二"));
  EXPECT_TRUE(yv::platform::PathExists(gInstall.InstallDir + "\\drv\\card.sys"));
  EXPECT_FALSE(yv::platform::PathExists(gInstall.InstallDir + "\\b.sys"));
  ASSERT_EQ(boxes.Calls().size(), 2u);  // the archive routine's own report, then the card's
  EXPECT_EQ(boxes.Calls()[0].text, gInstall.SourceDir + "\\missing.vrk数据文件错误!");
  EXPECT_EQ(boxes.Calls()[1].text, "安装文件不正确!");
  EXPECT_EQ(boxes.Calls()[1].caption, "卡二");
  EXPECT_EQ(boxes.Calls()[1].owner, page);
  EXPECT_EQ(boxes.Calls()[1].style, static_cast<UINT>(MB_OK));
}

}  // namespace
