#include <gtest/gtest.h>

#include <string>

#include "medium/medium_rules.h"

using namespace yv::medium;

namespace {

TEST(MediumRules, TokensResolveAgainstTheirFoldersInCapitalsOnly) {
  const Folders folders{"D:\\kv58", "C:\\windows", "C:\\windows\\system32"};
  const struct {
    const char* token;
    const char* path;
    bool existing;
  } cases[] = {
      {"WINDIR", "C:\\windows", true},
      {"WINSYSDIR", "C:\\windows\\system32", true},
      {".", "D:\\kv58", true},
      {"windir", "D:\\kv58\\windir", false},
      {"cfg\\newuser", "D:\\kv58\\cfg\\newuser", false},
      {"dravkp.exe", "D:\\kv58\\dravkp.exe", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComposeDestination(folders, c.token), c.path) << c.token;
    EXPECT_EQ(IsExistingFolder(DestinationOf(c.token)), c.existing) << c.token;
  }
}

TEST(MediumRules, CountsCardsAndTheUninstallEntry) {
  EXPECT_EQ(CappedCount(-1), -1);
  EXPECT_EQ(CappedCount(5), 5);
  EXPECT_EQ(CappedCount(9), 5);

  for (const char* setting : {"", "N/A"}) EXPECT_FALSE(UsesDriverTable(setting)) << setting;
  for (const char* setting : {"n/a", "1", "N/A "}) EXPECT_TRUE(UsesDriverTable(setting)) << setting;
  EXPECT_EQ(ListedBaseOf("WPATH1"), ListedBase::kMedium);
  EXPECT_EQ(ListedBaseOf("IPATH"), ListedBase::kInstallFolder);
  EXPECT_FALSE(ListedBaseOf("ipath1"));

  // The whole key is a 255-byte composed path: 52 fixed bytes leave 203 for the group.
  EXPECT_EQ(UninstallKeyOf("Delvrin").value(), "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Delvrin");
  EXPECT_EQ(UninstallKeyOf(std::string(203, 'g')).value().size(), kPathLimit);
  EXPECT_FALSE(UninstallKeyOf(std::string(204, 'g')));

  // What the entry shows: the product key's version and maker when the description is
  // silent, otherwise 255 bytes at most, never half a character.
  EXPECT_EQ(VersionShown(""), "3.0");
  EXPECT_EQ(PublisherShown(""), "Orvanet");
  EXPECT_EQ(PublisherShown("演示公司"), "演示公司");
  EXPECT_EQ(VersionShown(std::string(300, 'v')), std::string(255, 'v'));
  EXPECT_EQ(PublisherShown(std::string(300, '\xD5')), std::string(254, '\xD5'));  // 150 double-byte characters

  // "誠" (D5 5C) ends in the byte of '\', as a character of its own.
  for (const char* name : {"dvuninst.exe", "誠.exe", "卸载誠", "...", ".x"}) EXPECT_TRUE(IsPlainFileName(name)) << name;
  for (const char* name : {"", ".", "..", "a\\b.exe", "a/b.exe", "C:u.exe", "誠\\.exe", "\\\\srv\\u.exe"}) {
    EXPECT_FALSE(IsPlainFileName(name)) << name;
  }
}

}  // namespace
