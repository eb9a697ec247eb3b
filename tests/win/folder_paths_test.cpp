// Folder creation level by level, and the installation folder with section "directory".
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "shell/folder_paths.h"
#include "text/cp936.h"
#include "win_test_support.h"

using yv::test::ScratchDir;

namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(yv::text::ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(yv::text::ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(FolderPaths, CreateFolderPathMakesEveryMissingLevel) {
  ScratchDir dir;
  yv::test::WorkingFolder working(dir.Path());
  const std::string root = dir.Path();
  dir.Write("a\\file", "in the way");
  struct Case {
    std::string path;
    bool ok;
    std::vector<std::string> folders;  // below the scratch folder afterwards
    std::string absent;
  };
  const Case cases[] = {
      {root + "\\a\\b\\c", true, {"a\\b", "a\\b\\c"}, ""},
      {root + "\\t\\u\\", true, {"t\\u"}, ""},
      {"C:\\", true, {}, ""},
      {"C:", true, {}, ""},
      // A file is passed over as a level; the level below it cannot be made.
      {root + "\\a\\file\\c", false, {}, "a\\file\\c"},
      // Relative to the working folder; the trail byte 5C of "誠" is no separator.
      {"rel\\誠\\x", true, {"rel\\誠\\x"}, ""},
      {"\\\\yvnoserver\\share\\x", false, {}, ""},
      {root + "\\" + std::string(255 - root.size(), 'n'), false, {}, std::string(255 - root.size(), 'n')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(yv::shell::CreateFolderPath(yv::test::DirectChanges(), c.path), c.ok);
    for (const auto& folder : c.folders) EXPECT_TRUE(IsFolder(root + "\\" + folder)) << folder;
    if (!c.absent.empty()) {
      EXPECT_FALSE(Exists(root + "\\" + c.absent));
    }
  }
  EXPECT_FALSE(Exists(root + "\\rel\\\xD5"));  // no level cut inside "誠"
}

TEST(FolderPaths, InstallFoldersInLineOrderStoppingAtTheFirstFailure) {
  ScratchDir dir;
  yv::test::WorkingFolder working(dir.Path());
  const std::string install = dir.Path() + "\\one\\app";
  const std::string good = dir.Write("good.ini", "[directory]\r\n1=data\r\n2=data\\day\r\n3=\r\n");
  EXPECT_TRUE(yv::shell::CreateInstallFolders(yv::test::DirectChanges(), install + "\\", good));
  EXPECT_TRUE(IsFolder(install + "\\data\\day"));

  dir.Write("one\\app\\file", "");
  const std::string bad = dir.Write("bad.ini", "[directory]\r\n1=file\\sub\r\n2=later\r\n");
  std::string tooLong = "untouched";
  EXPECT_FALSE(yv::shell::CreateInstallFolders(yv::test::DirectChanges(), install, bad, &tooLong));
  EXPECT_FALSE(Exists(install + "\\later"));
  EXPECT_EQ(tooLong, "untouched");

  const std::string name(250, 'x');
  const std::string longLine = dir.Write("long.ini", "[directory]\r\n1=" + name + "\r\n2=later\r\n");
  EXPECT_FALSE(yv::shell::CreateInstallFolders(yv::test::DirectChanges(), install, longLine, &tooLong));
  EXPECT_EQ(tooLong, install + "\\" + name);
  EXPECT_FALSE(Exists(install + "\\later"));

  // A missing section leaves the installation folder alone to be made.
  EXPECT_TRUE(
      yv::shell::CreateInstallFolders(yv::test::DirectChanges(), dir.Path() + "\\two", dir.Path() + "\\none.ini"));
  EXPECT_TRUE(IsFolder(dir.Path() + "\\two"));
}

}  // namespace
