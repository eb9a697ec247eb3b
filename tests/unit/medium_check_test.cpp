// check-medium: one good medium made by our own writer, then one defect per row and the
// finding it must give.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "archive/package_writer.h"
#include "vrktool/commands.h"
#include "vrktool/medium_check.h"
#include "vrktool/tool_io.h"

namespace fs = std::filesystem;
using namespace yv::vrktool;

namespace {

std::string Archive(const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<yv::archive::EncodedEntry> entries;
  for (const auto& [name, content] : files) {
    entries.push_back(yv::archive::EncodeEntry(name, 0, content, yv::archive::EntryStorage::kCompress, {}));
  }
  return yv::archive::BuildPackageArchive(3, entries);
}

// File name (UTF-8, '/' between folders) -> content (GBK: this file's plain literals are GBK).
using Files = std::map<std::string, std::string>;

Files GoodMedium() {
  return {
      {"setup.ini", "[info]\r\nname=prog.exe\r\nproduct=Yorvane\r\n"},
      {"Lics.txt", "许可协议\r\n"},
      {"ad0.txt", "程序\r\n"},
      {"ad1.txt", "数据\r\n"},
      {"ad4.txt", "完成\r\n"},
      {"r.reg", "REGEDIT4\r\n"},
      {"extras/x.txt", "x"},
      {"a.vrk", Archive({{"prog.exe", "MZ program"}, {"help\\说明.txt", "help"}})},
      {"w.vrk", Archive({{"u.exe", "MZ uninstaller"}})},
      {"b.pk", yv::archive::BuildPackedFile("day data", {})},
      {"install.ini",
       "[info]\r\ntitle=演示\r\npath=C:\\kv58\r\nuninst=u.exe\r\nparts=2\r\npart0=程序\r\npart1=数据\r\n"
       "copy=1\r\ndelete=1\r\n\r\n"
       "[part0]\r\na.vrk=.\r\nw.vrk=WINDIR\r\n[part1]\r\nb.pk=data\\b.dat\r\n"
       "[delete]\r\nold=temp\r\n[copy]\r\nextras=extras\r\n[directory]\r\nd1=data\r\nd2=extras\r\nd3=help\r\n"
       "[ico]\r\n程序=prog.exe\r\n说明=help\\说明.txt\r\n[desktop]\r\n程序=prog.exe\r\n"
       "[reg]\r\nWPATH1=r.reg\r\n[run]\r\nIPATH1=prog.exe -x\r\n"},
  };
}

void Replace(Files& files, const std::string& name, const std::string& from, const std::string& to) {
  std::string& text = files[name];
  const std::size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

struct Defect {
  const char* what;
  std::function<void(Files&)> make;
  const char* code;
  Severity severity;
  std::string file, section, key;  // UTF-8, as reported
};

class MediumCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("medium_check_" + std::to_string(::getpid()));
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  void Lay(const Files& files) {
    fs::remove_all(root_);
    fs::create_directories(root_);
    for (const auto& [name, content] : files) {
      fs::create_directories((root_ / name).parent_path());
      ASSERT_TRUE(WriteFileBytes(root_ / name, content));
    }
  }
  fs::path root_;
};

TEST_F(MediumCheckTest, GoodMediumHasNoErrorsOrWarnings) {
  Lay(GoodMedium());
  std::ostringstream out, err;
  EXPECT_EQ(CheckMediumCommand(root_.string(), false, out, err), kExitOk) << out.str();
  for (const Finding& f : CheckMedium(root_)) EXPECT_EQ(f.severity, Severity::kInfo) << f.code << ": " << f.message;
}

TEST_F(MediumCheckTest, EachDefectGivesItsFinding) {
  auto remove = [](const char* name) { return [name](Files& f) { f.erase(name); }; };
  auto edit = [](std::string from, std::string to) {
    return [from, to](Files& f) { Replace(f, "install.ini", from, to); };
  };
  const auto E = Severity::kError, W = Severity::kWarning, I = Severity::kInfo;
  const std::vector<Defect> defects = {
      {"no setup.ini", remove("setup.ini"), "setup-ini-missing", E, "setup.ini", "", ""},
      {"no licence", remove("Lics.txt"), "licence-missing", E, "Lics.txt", "", ""},
      {"no description", remove("install.ini"), "description-missing", E, "", "", ""},
      {"licence not GBK", [](Files& f) { f["Lics.txt"] = "\x80 text"; }, "text-not-gbk", W, "Lics.txt", "", ""},
      {"licence in UTF-8", [](Files& f) { f["Lics.txt"] = u8"许可协议\r\n"; }, "text-utf8", E, "Lics.txt", "", ""},
      {"description with a byte order mark", [](Files& f) { f["install.ini"].insert(0, "\xEF\xBB\xBF"); }, "text-utf8",
       E, "install.ini", "", ""},
      {"setup.ini in UTF-8", [](Files& f) { f["setup.ini"] += u8"product=演示\r\n"; }, "text-utf8", E, "setup.ini", "",
       ""},
      // Not UTF-8 (an overlong form, a surrogate): only "not GBK".
      {"overlong", [](Files& f) { f["ad0.txt"] = "\xE0\x80\xAF\xFF"; }, "text-not-gbk", W, "ad0.txt", "", ""},
      {"surrogate", [](Files& f) { f["ad1.txt"] = "\xED\xA0\x80\xFF"; }, "text-not-gbk", W, "ad1.txt", "", ""},
      {"no component text", remove("ad1.txt"), "component-text-missing", W, "ad1.txt", "", ""},
      {"no components", edit("parts=2", "parts=0"), "no-components", E, "install.ini", "info", "parts"},
      {"too many", edit("parts=2", "parts=8"), "count-capped", W, "install.ini", "info", "parts"},
      {"no caption", edit("part1=数据\r\n", ""), "component-caption-missing", W, "install.ini", "info", "part1"},
      {"no section", edit("[part1]\r\nb.pk=data\\b.dat\r\n", ""), "component-section-missing", E, "install.ini",
       "part1", ""},
      {"archive missing", remove("b.pk"), "archive-missing", E, "install.ini", "part1", "b.pk"},
      {"archive damaged", [](Files& f) { f["a.vrk"][f["a.vrk"].size() - 3] ^= 0x55; }, "archive-damaged", E,
       "install.ini", "part0", "a.vrk"},
      {"packed to folder", edit("b.pk=data\\b.dat", "b.pk=."), "packed-file-to-folder", E, "install.ini", "part1",
       "b.pk"},
      {"no folder", edit("d1=data\r\n", ""), "folder-missing", E, "install.ini", "part1", "b.pk"},
      {"fresh only",
       [](Files& f) {
         f["_a.vrk"] = f["a.vrk"];
         Replace(f, "install.ini", "a.vrk=.", "_a.vrk=.");
       },
       "fresh-only-archive", I, "install.ini", "part0", "_a.vrk"},
      {"long folder", edit("path=C:\\kv58", "path=C:\\" + std::string(260, 'k')), "path-too-long", E, "install.ini",
       "info", "path"},
      {"long group", edit("title=", "group=" + std::string(204, 'g') + "\r\ntitle="), "group-too-long", E,
       "install.ini", "info", "group"},
      {"long publisher", edit("title=", "publisher=" + std::string(256, 'p') + "\r\ntitle="), "entry-text-cut", W,
       "install.ini", "info", "publisher"},
      {"delete outside", edit("old=temp", "old=..\\temp"), "delete-refused", E, "install.ini", "delete", "old"},
      {"delete empty", edit("old=temp", "old="), "delete-refused", E, "install.ini", "delete", "old"},
      {"delete off", edit("delete=1", "delete=0"), "section-switched-off", W, "install.ini", "delete", ""},
      {"copy source", remove("extras/x.txt"), "copy-source-missing", W, "install.ini", "copy", "extras"},
      {"copy target", edit("d2=extras\r\n", ""), "copy-destination-missing", W, "install.ini", "copy", "extras"},
      {"directory drive", edit("d1=data", "d1=D:\\data"), "directory-invalid", E, "install.ini", "directory", "d1"},
      {"reg missing", remove("r.reg"), "file-missing", E, "install.ini", "reg", "WPATH1"},
      {"run lower case", edit("IPATH1=", "ipath1="), "key-prefix-ignored", W, "install.ini", "run", "ipath1"},
      {"run not installed", edit("IPATH1=prog.exe", "IPATH1=other.exe"), "file-missing", E, "install.ini", "run",
       "IPATH1"},
      {"run blank", edit("path=C:\\kv58", "path=C:\\Program Files\\kv58"), "program-path-blank", E, "install.ini",
       "run", "IPATH1"},
      {"ico target", edit("说明=help\\说明.txt", "说明=help\\无.txt"), "shortcut-target-missing", E, "install.ini",
       "ico", u8"说明"},
      {"ico twice", edit("[desktop]\r\n", "App=prog.exe\r\nAPP=prog.exe\r\n[desktop]\r\n"), "shortcut-duplicate", W,
       "install.ini", "ico", "APP"},
      {"ico empty", edit("[desktop]\r\n", "空=\r\n[desktop]\r\n"), "shortcut-empty", W, "install.ini", "ico", u8"空"},
      {"uninstaller", edit("uninst=u.exe", "uninst=v.exe"), "uninstaller-not-installed", E, "install.ini", "info",
       "uninst"},
      {"uninstaller in a folder", edit("uninst=u.exe", "uninst=sub\\u.exe"), "uninstaller-not-plain", E, "install.ini",
       "info", "uninst"},
      {"uninstaller up", edit("uninst=u.exe", "uninst=.."), "uninstaller-not-plain", E, "install.ini", "info",
       "uninst"},
      {"card table", edit("copy=1", "configcard=yes\r\ncopy=1"), "card-table-missing", E, "install.ini", "info",
       "configcard"},
      {"card section", edit("copy=1", "DriverCards=1\r\nDriver0=卡\r\ncopy=1"), "card-section-empty", W, "install.ini",
       "Driver0", ""},
      {"card off", edit("[ico]", "[Driver0]\r\na.vrk=.\r\n[ico]"), "cards-switched-off", W, "install.ini", "Driver0",
       ""},
  };
  for (const Defect& defect : defects) {
    SCOPED_TRACE(defect.what);
    Files files = GoodMedium();
    defect.make(files);
    Lay(files);
    bool found = false;
    for (const Finding& f : CheckMedium(root_)) {
      found = found || (f.code == defect.code && f.severity == defect.severity && f.file == defect.file &&
                        f.section == defect.section && f.key == defect.key);
    }
    std::ostringstream shown;
    WriteFindings(CheckMedium(root_), false, shown);
    EXPECT_TRUE(found) << defect.code << " not among:\n" << shown.str();
  }
}

TEST_F(MediumCheckTest, CommandLineAndJson) {
  Files files = GoodMedium();
  files.erase("b.pk");
  Lay(files);
  std::ostringstream out, err;
  EXPECT_EQ(yv::vrktool::Run({"check-medium", root_.string(), "--json"}, out, err), kExitFailed);
  EXPECT_NE(out.str().find("{\"severity\": \"error\", \"code\": \"archive-missing\", \"file\": \"install.ini\", "
                           "\"section\": \"part1\", \"key\": \"b.pk\""),
            std::string::npos)
      << out.str();
  EXPECT_EQ(yv::vrktool::Run({"check-medium"}, out, err), kExitUsage);
  EXPECT_EQ(yv::vrktool::Run({"check-medium", root_.string(), "--bad"}, out, err), kExitUsage);
  std::ostringstream help;
  EXPECT_EQ(yv::vrktool::Run({"check-medium", "--help"}, help, err), kExitOk);
  for (const FindingKind& kind : FindingKinds()) EXPECT_NE(help.str().find(kind.code), std::string::npos);
}

}  // namespace
