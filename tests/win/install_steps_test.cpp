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
#include "winsys/registry.h"

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

// The data of a REG_DWORD value.
std::string DwordData(DWORD value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string DateOf(const SYSTEMTIME& t) {
  char date[16];
  wsprintfA(date, "%04u%02u%02u", t.wYear, t.wMonth, t.wDay);
  return date;
}

// Written at the end of a run's staging over an entry an earlier installation left, and
// undone with the run.
TEST(UninstallEntry, CommandIn256BytesTheGroupAsDisplayNameAndWhatTheListShows) {
  ASSERT_EQ(GetACP(), 936u) << "the narrow registry API must see code page 936";
  const std::string key = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Delvrin证券分析系统";
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string command = std::string(windows) + "\\卸载.exe";
  struct Case {
    std::string info;  // of the setup description
    std::string version, publisher;
  };
  const Case cases[] = {
      {"", "3.0", "Orvanet"},  // the product key's
      {"version=\r\npublisher=\r\n", "3.0", "Orvanet"},
      {"version=2.1 测试版\r\npublisher=演示公司\r\n", "2.1 测试版", "演示公司"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.info);
    ScratchDir dir;
    yv::test::RegistrySandbox registry;
    registry.SetString(key, "Comments", "kept");
    registry.SetString(key, "DisplayName", "an earlier, longer display name");
    yv::winsys::RegistryKey::Create(yv::test::DirectChanges(), HKEY_LOCAL_MACHINE, key).WriteDword("EstimatedSize", 7);
    const std::string install = dir.Folder("app");
    const yv::install::InstalledProduct product{"Delvrin证券分析系统", "卸载.exe", install + "\\", "dravkp.exe",
                                                dir.Write("install.ini", "[info]\r\n" + c.info)};
    // 1025 bytes and 1 byte staged: a target written again counts with its last content.
    yv::winsys::ChangeLayer changes(nullptr);
    ASSERT_FALSE(changes.BeginRun(product.group, install));
    for (const auto& [name, size] : {std::pair{"a.bin", 4096}, {"a.bin", 1025}, {"b.bin", 1}}) {
      yv::winsys::StagedFile file;
      const std::string content(size, 'x');
      ASSERT_FALSE(changes.StageFile(install + "\\" + name, file));
      ASSERT_FALSE(file.Write(content.data(), content.size()));
      ASSERT_FALSE(file.Finish(std::nullopt));
      ASSERT_FALSE(changes.Place(file));
    }

    MessageBoxScript boxes;
    std::string written;
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    EXPECT_TRUE(yv::install::WriteUninstallEntry(kPage, changes, product, written));
    GetLocalTime(&after);
    EXPECT_EQ(written, command);
    const NarrowValue uninstall = ReadNarrow(key, "UninstallString");
    EXPECT_EQ(uninstall.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(uninstall.data, command + std::string(256 - command.size(), '\0'));
    const NarrowValue display = ReadNarrow(key, "DisplayName");
    EXPECT_EQ(display.data, std::string("Delvrin证券分析系统") + '\0');
    EXPECT_EQ(display.data.size(), 20u);
    const std::string date = ReadNarrow(key, "InstallDate").data;
    EXPECT_TRUE(date == DateOf(before) + '\0' || date == DateOf(after) + '\0') << date;
    const std::pair<const char*, std::string> texts[] = {
        {"DisplayVersion", c.version},
        {"Publisher", c.publisher},
        {"DisplayIcon", install + "\\dravkp.exe"},
        {"InstallLocation", install},
        {"QuietUninstallString", "\"" + command + "\" /S"},
        {"Comments", "kept"},
    };
    for (const auto& [name, text] : texts) {
      const NarrowValue value = ReadNarrow(key, name);
      EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
      EXPECT_EQ(value.data, text + '\0') << name;
    }
    for (const auto& [name, number] : {std::pair{"EstimatedSize", 2u}, {"NoModify", 1u}, {"NoRepair", 1u}}) {
      const NarrowValue value = ReadNarrow(key, name);
      EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD)) << name;
      EXPECT_EQ(value.data, DwordData(number)) << name;
    }
    EXPECT_TRUE(boxes.Calls().empty());

    // Undone: each value as it was before the run, or gone.
    changes.Undo();
    EXPECT_EQ(ReadNarrow(key, "DisplayName").data, std::string("an earlier, longer display name") + '\0');
    const NarrowValue size = ReadNarrow(key, "EstimatedSize");
    EXPECT_EQ(size.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size.data, DwordData(7));
    for (const char* gone : {"UninstallString", "Publisher", "NoModify", "QuietUninstallString"}) {
      EXPECT_EQ(ReadNarrow(key, gone).type, 0u) << gone;
    }
  }
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
    const yv::install::InstalledProduct product{c.group, c.uninstaller, "C:\\kv58", "dravkp.exe", ""};
    EXPECT_EQ(yv::install::WriteUninstallEntry(kPage, yv::test::DirectChanges(), product, command), c.ok);
    EXPECT_EQ(ReadNarrow(prefix + c.group, "DisplayName").type != 0, c.ok) << c.group.size();
    ASSERT_EQ(boxes.Calls().size(), c.ok ? 0u : 1u);
    if (!c.ok) {
      EXPECT_EQ(boxes.Calls()[0].text.rfind(c.what, 0), 0u) << boxes.Calls()[0].text;
    }
  }
}

}  // namespace
