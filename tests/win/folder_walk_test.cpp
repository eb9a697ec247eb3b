// The program group page's folder walk over real folders with attributes set.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/folder_walk.h"
#include "text/cp936.h"
#include "win_test_support.h"

namespace {

TEST(FolderWalk, OnlyPlainFoldersAreListedAndEnteredInPreOrder) {
  yv::test::ScratchDir dir;
  const std::string root = dir.Folder("Programs");
  for (const char* folder : {"A\\A1\\A2", "B", "行情", "H\\below hidden", "S\\below system"}) {
    dir.Folder(std::string("Programs\\") + folder);
  }
  dir.Write("Programs\\file.txt", "a file is no folder");
  // (Wine keeps no archive or read-only attribute on a folder: those cases cannot be made here.)
  const std::pair<const char*, DWORD> marked[] = {{"H", FILE_ATTRIBUTE_HIDDEN}, {"S", FILE_ATTRIBUTE_SYSTEM}};
  for (const auto& [name, attribute] : marked) {
    const std::wstring path = yv::text::ToWide(root + "\\" + name);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attribute | FILE_ATTRIBUTE_DIRECTORY));
    ASSERT_EQ(GetFileAttributesW(path.c_str()), attribute | FILE_ATTRIBUTE_DIRECTORY) << name;
  }

  const std::vector<std::string> listed = yv::shell::ListPlainFolders(root);
  std::vector<std::string> sorted = listed;
  std::sort(sorted.begin(), sorted.end());
  const std::vector<std::string> expected = {root + "\\A", root + "\\A\\A1", root + "\\A\\A1\\A2", root + "\\B",
                                             root + "\\行情"};
  EXPECT_EQ(sorted, expected);
  // Each folder is directly followed by what lies below it, whatever the order of A and B.
  const auto a = std::find(listed.begin(), listed.end(), root + "\\A");
  ASSERT_LT(a + 2, listed.end());
  EXPECT_EQ(a[1], root + "\\A\\A1");
  EXPECT_EQ(a[2], root + "\\A\\A1\\A2");

  EXPECT_TRUE(yv::shell::ListPlainFolders(root + "\\missing").empty());
}

}  // namespace
