// The steps of the run that work on whole folders and on the registry: old-folder
// removal, extra-file copying and the uninstall entry. Removal runs with the working
// folder inside the scratch folder, so nothing can reach the repository.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "install/extra_files.h"
#include "install/old_folders.h"
#include "install/uninstall_entry.h"
#include "platform/file_io.h"
#include "text/cp936.h"
#include "win_test_support.h"
#include "winsys/change_layer.h"
#include "winsys/handle.h"

using yv::test::MessageBoxScript;
using yv::test::ScratchDir;

namespace {

HWND const kPage = reinterpret_cast<HWND>(0x1111);

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(yv::text::ToWide(path).c_str());
}
bool Exists(const std::string& path) {
  return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

// The old folders go at the commit of a run, and only then.
TEST(OldFolders, EveryListedFolderGoesAtTheCommitAndAMissingOneCountsAsRemoved) {
  ScratchDir dir;
  yv::test::WorkingFolder working(dir.Folder("work"));
  const std::string install = dir.Folder("app");
  dir.Write("app\\old1\\deep\\f.txt", "x");
  dir.Write("app\\old2\\g.txt", "y");
  dir.Write("app\\keep\\h.txt", "z");
  const std::string desc = dir.Write("install.ini", "[delete]\r\n1=old1\r\n2=missing\r\n3=old2\\\r\n");
  yv::winsys::ChangeLayer changes(nullptr);
  ASSERT_FALSE(changes.BeginRun("g", install));
  EXPECT_EQ(yv::install::RemoveOldFolders(changes, install, desc), std::nullopt);
  EXPECT_TRUE(Exists(install + "\\old1\\deep\\f.txt"));
  EXPECT_FALSE(changes.Commit());
  for (const char* gone : {"old1", "old2", "old1.yv-old", "old2.yv-old"})
    EXPECT_FALSE(Exists(install + "\\" + gone)) << gone;
  EXPECT_TRUE(Exists(install + "\\keep\\h.txt"));
}

TEST(OldFolders, ValuesThatReachOutsideTheInstallationFolderAreRefused) {
  ScratchDir dir;
  yv::test::WorkingFolder working(dir.Folder("work"));
  const std::string install = dir.Folder("app");
  dir.Write("app\\inside\\f.txt", "x");
  dir.Write("outside\\f.txt", "x");
  const std::string tooLong(256 - install.size(), 'n');
  for (const std::string& value :
       std::vector<std::string>{"", "\\", ".", "..\\outside", "inside\\..\\..\\outside", "C:\\x", "C:inside",
                                "\\outside", "*", "inside\\*", tooLong}) {
    SCOPED_TRACE(value);
    const std::string desc = dir.Write("install.ini", "[delete]\r\n1=" + value + "\r\n");
    yv::winsys::ChangeLayer changes(nullptr);
    ASSERT_FALSE(changes.BeginRun("g", install));
    EXPECT_EQ(yv::install::RemoveOldFolders(changes, install, desc), install + "\\" + value);
    changes.Undo();
  }
  EXPECT_TRUE(Exists(install + "\\inside\\f.txt"));
  EXPECT_TRUE(Exists(dir.Path() + "\\outside\\f.txt"));
}

TEST(ExtraFiles, PlainFilesOnlyReplacingAndLeftWithTheArchiveAttributeAlone) {
  ScratchDir dir;
  const std::string source = dir.Folder("media");
  const std::string install = dir.Folder("app");
  const std::string readOnly = dir.Write("media\\extra\\ro.txt", "new read-only");
  const std::string hidden = dir.Write("media\\extra\\hid.txt", "hidden");
  const std::string system = dir.Write("media\\extra\\sys.txt", "system");
  dir.Write("media\\extra\\plain.txt", "plain");
  dir.Write("media\\extra\\sub\\inner.txt", "inner");
  dir.Write("media\\more\\m.txt", "more");
  dir.Write("app\\cfg\\ro.txt", "old content that is longer");
  SetFileAttributesW(yv::text::ToWide(readOnly).c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(yv::text::ToWide(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(yv::text::ToWide(system).c_str(), FILE_ATTRIBUTE_SYSTEM);
  const std::string desc = dir.Write("media\\install.ini", "[copy]\r\nextra=cfg\r\nmissing=cfg\r\nmore=nofolder\r\n");

  MessageBoxScript boxes;
  yv::archive::FaultBoxes faults(nullptr);
  yv::winsys::ChangeLayer changes(nullptr);
  EXPECT_TRUE(yv::install::CopyExtraFiles(changes, faults, source, install, desc));
  EXPECT_TRUE(boxes.Calls().empty());
  EXPECT_EQ(yv::platform::ReadWholeFile(install + "\\cfg\\ro.txt"), "new read-only");
  EXPECT_EQ(Attributes(install + "\\cfg\\ro.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(yv::platform::ReadWholeFile(install + "\\cfg\\plain.txt"), "plain");
  EXPECT_EQ(Attributes(install + "\\cfg\\plain.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  for (const char* absent : {"cfg\\hid.txt", "cfg\\sys.txt", "cfg\\sub", "cfg\\inner.txt", "nofolder"}) {
    EXPECT_FALSE(Exists(install + "\\" + absent)) << absent;
  }
  SetFileAttributesW(yv::text::ToWide(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);  // for the scratch removal
}

// What a program reading the value with the narrow registry API gets.
struct NarrowValue {
  DWORD type = 0;
  std::string data;
};
NarrowValue ReadNarrow(const std::string& key, const char* name) {
  NarrowValue value;
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return value;
  char data[1024];
  DWORD size = sizeof data;
  if (RegQueryValueExA(handle, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
    value.data.assign(data, size);
  }
  RegCloseKey(handle);
  return value;
}

TEST(UninstallEntry, CommandIn256BytesAndTheGroupAsDisplayName) {
  ASSERT_EQ(GetACP(), 936u) << "the narrow registry API must see code page 936";
  yv::test::RegistrySandbox registry;
  const std::string key = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Delvrin证券分析系统";
  registry.SetString(key, "Publisher", "kept");
  registry.SetString(key, "DisplayName", "an earlier, longer display name");
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string command = std::string(windows) + "\\卸载.exe";

  MessageBoxScript boxes;
  std::string written;
  EXPECT_TRUE(
      yv::install::WriteUninstallEntry(kPage, yv::test::DirectChanges(), "Delvrin证券分析系统", "卸载.exe", written));
  EXPECT_EQ(written, command);
  const NarrowValue uninstall = ReadNarrow(key, "UninstallString");
  EXPECT_EQ(uninstall.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(uninstall.data, command + std::string(256 - command.size(), '\0'));
  const NarrowValue display = ReadNarrow(key, "DisplayName");
  EXPECT_EQ(display.data, std::string("Delvrin证券分析系统") + '\0');
  EXPECT_EQ(display.data.size(), 20u);
  EXPECT_EQ(ReadNarrow(key, "Publisher").data, std::string("kept") + '\0');
  EXPECT_TRUE(boxes.Calls().empty());
}

TEST(UninstallEntry, NamesTooLongForTheBuffersWriteNothing) {
  yv::test::RegistrySandbox registry;
  const std::string prefix = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  struct Case {
    std::string group, uninstaller;
    bool ok;
    const char* what;
  };
  const Case cases[] = {
      {std::string(203, 'g'), "u.exe", true, ""},
      {std::string(204, 'g'), "u.exe", false, "程序组名太长!\r\n"},
      {"group", std::string(260, 'u'), false, "卸载程序路径太长!\r\n"},
  };
  for (const auto& c : cases) {
    MessageBoxScript boxes;
    std::string command;
    EXPECT_EQ(yv::install::WriteUninstallEntry(kPage, yv::test::DirectChanges(), c.group, c.uninstaller, command),
              c.ok);
    EXPECT_EQ(ReadNarrow(prefix + c.group, "DisplayName").type != 0, c.ok) << c.group.size();
    ASSERT_EQ(boxes.Calls().size(), c.ok ? 0u : 1u);
    if (!c.ok) {
      EXPECT_EQ(boxes.Calls()[0].text.rfind(c.what, 0), 0u) << boxes.Calls()[0].text;
    }
  }
}

}  // namespace
