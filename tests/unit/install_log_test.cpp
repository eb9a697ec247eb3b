#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "install_log/journal.h"
#include "install_log/log_file.h"
#include "install_log/place_rules.h"
#include "install_log/registry_file.h"
#include "install_log/removal_plan.h"
#include "platform/file_io.h"

using namespace yv::install_log;

namespace {

// "誠" is D5 5C in GBK: its trail byte is a backslash.
const std::string kCheng = "\xD5\x5C";
const char kProduct[] = "Delvrin证券分析系统";

Record Make(RecordKind kind, std::string text = {}) {
  Record r;
  r.kind = kind;
  r.text = std::move(text);
  return r;
}

Record File(std::string path, bool existed) {
  Record r = Make(RecordKind::File, std::move(path));
  r.existed = existed;
  return r;
}

Record Value(std::string key, std::string name, View view, std::optional<EarlierValue> earlier = std::nullopt) {
  Record r = Make(RecordKind::Value, std::move(key));
  r.valueName = std::move(name);
  r.view = view;
  r.existed = earlier.has_value();
  if (earlier) r.earlier = *earlier;
  return r;
}

std::vector<Record> RecordsOf(const LogContent& log) {
  std::vector<Record> records;
  for (const LogLine& line : log.lines) records.push_back(line.record);
  return records;
}

struct ScratchLog {
  std::string path = "/tmp/yv_install_log_" + std::to_string(getpid()) + ".log";
  ~ScratchLog() { std::remove(path.c_str()); }
  std::string Content() const { return yv::platform::ReadWholeFile(path).value_or(""); }
};

TEST(InstallLog, RecordsRoundTripAppendAndSurviveACutOffLine) {
  Record key = Make(RecordKind::Key, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanet\\" + kCheng);
  key.view = View::k64;
  Record done;
  done.kind = RecordKind::Done;
  done.doneLine = 7;
  const std::vector<Record> first = {
      Make(RecordKind::Group, "Delvrin证券分析系统"),
      Make(RecordKind::Folder, "C:\\kv58"),
      Make(RecordKind::Dir, "C:\\kv58\\" + kCheng),
      File("C:\\kv58\\" + kCheng + "\\a 100%.txt", false),
      File("C:\\windows\\system32\\card.dll", true),
      Record::FileWrite("C:\\kv58\\" + kCheng + "\\b.dll", false, true),
      key,
      Value("HKEY_CURRENT_USER\\Software\\X", "", View::k32),
      Value("HKEY_LOCAL_MACHINE\\SOFTWARE\\X", "tab\there\r\n", View::k32,
            EarlierValue{3, std::string("\0\x01\xFF", 3)}),
      Value("HKEY_LOCAL_MACHINE\\SOFTWARE\\X", "odd type", View::k64, EarlierValue{0x20000, ""}),
      Make(RecordKind::Link, "C:\\Users\\u\\Desktop\\程序.lnk"),
      done,
  };
  ScratchLog log;
  {
    LogWriter writer(log.path, kProduct, Make(RecordKind::Run, "2026-12-09 01:00:00"));
    for (const Record& r : first) ASSERT_TRUE(writer.Record(r));
    EXPECT_TRUE(writer.TakesFilesInPlace());
  }
  const std::string written = log.Content();
  EXPECT_EQ(written.substr(0, written.find("\r\n")), std::string("YORVANE-INSTALL-LOG 3\t") + kProduct);
  LogContent read = ReadLog(written);
  ASSERT_EQ(read.status, LogContent::Status::kOk);
  EXPECT_EQ(read.product, kProduct);
  std::vector<Record> expected = {Make(RecordKind::Run, "2026-12-09 01:00:00")};
  expected.insert(expected.end(), first.begin(), first.end());
  EXPECT_EQ(RecordsOf(read), expected);
  EXPECT_EQ(read.lines.front().number, 2u);

  // A log cut in the middle of its last line reads up to the last whole line, and the
  // next installation appends after that line, leaving the earlier ones as they were.
  const std::string cut = written.substr(0, written.size() - 5);
  ASSERT_TRUE(yv::platform::WriteWholeFile(log.path, cut));
  read = ReadLog(cut);
  ASSERT_EQ(read.status, LogContent::Status::kOk);
  EXPECT_EQ(RecordsOf(read), std::vector<Record>(expected.begin(), expected.end() - 1));
  {
    LogWriter upgrade(log.path, kProduct, Make(RecordKind::Run, "2026-12-10 09:00:00"));
    ASSERT_TRUE(upgrade.Record(File("C:\\kv58\\new.exe", false)));
  }
  const std::string appended = log.Content();
  EXPECT_EQ(appended.compare(0, cut.rfind('\n') + 1, cut, 0, cut.rfind('\n') + 1), 0);
  read = ReadLog(appended);
  ASSERT_EQ(read.status, LogContent::Status::kOk);
  ASSERT_EQ(read.lines.size(), expected.size() + 1);
  EXPECT_EQ(read.lines[expected.size() - 1].record, Make(RecordKind::Run, "2026-12-10 09:00:00"));
  EXPECT_EQ(read.lines.back().record, File("C:\\kv58\\new.exe", false));
}

TEST(InstallLog, AFileThatIsNotThisProductsLogIsLeftAsItIs) {
  // Each is found at the log's place; none is cut, overwritten or appended to.
  const std::string v1 = std::string(kVersion1Header) + "\r\nGROUP\t";
  const std::string foreign[] = {
      "something else\r\nFILE\tNEW\tC:\\a\\b\r\n",
      "no line end at all",
      "YORVANE-INSTALL-LOG 2\tOther product\r\nRUN\tt\r\n",
      "YORVANE-INSTALL-LOG 4\t" + std::string(kProduct) + "\r\n",
      v1 + "Other product\r\n",
      std::string(kVersion1Header) + "\r\nBROKEN\r\n",
  };
  for (const std::string& content : foreign) {
    ScratchLog log;
    ASSERT_TRUE(yv::platform::WriteWholeFile(log.path, content));
    LogWriter writer(log.path, kProduct, Make(RecordKind::Run, "t"));
    EXPECT_FALSE(writer.Record(File("C:\\a\\c", false))) << content;
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(log.Content(), content);
  }
  // A version 1 log of this product is appended to, its header kept.
  ScratchLog old;
  ASSERT_TRUE(yv::platform::WriteWholeFile(old.path, v1 + kProduct + "\r\n"));
  {
    LogWriter writer(old.path, kProduct, Make(RecordKind::Removal, "t"));
    EXPECT_TRUE(writer.Record(Make(RecordKind::End)));
    EXPECT_EQ(writer.Earlier().size(), 1u);
    EXPECT_FALSE(writer.TakesFilesInPlace());  // its own uninstaller would not read FILE HERE
  }
  EXPECT_EQ(old.Content(), v1 + kProduct + "\r\nREMOVAL\tt\r\nEND\r\n");
}

TEST(InstallLog, DamagedLinesAreNoRecords) {
  EXPECT_EQ(ReadLog("").status, LogContent::Status::kNoHeader);
  EXPECT_EQ(ReadLog(std::string(kVersion1Header)).status, LogContent::Status::kNoHeader);  // header cut off
  const std::string bad[] = {
      "FILE\tMAYBE\tC:\\a\\b", "FILE\tNEW", "VALUE\t32\tHKEY_CURRENT_USER\\Software\\X\tn\tOLD",
      "VALUE\t16\tK\tn\tNEW",  "DONE\t0",   "FILE\tNEW\tC:\\a%4",
      "RENAME\tC:\\a",         "",          "VALUE\t32\tHKEY_CURRENT_USER\\Software\\X\tn\tHERE"};
  for (const std::string& line : bad) {
    const LogContent read = ReadLog(std::string(kVersion1Header) + "\r\nGROUP\tg\r\n" + line + "\r\nGROUP\th\r\n");
    EXPECT_EQ(read.status, LogContent::Status::kBadLine) << line;
    EXPECT_EQ(read.badLine, 3u) << line;
  }
  EXPECT_EQ(LogPathFor("C:\\windows\\dvuninst.exe"), "C:\\windows\\dvuninst.log");
  EXPECT_EQ(LogPathFor("C:\\a.b\\uninst"), "C:\\a.b\\uninst.log");
}

TEST(InstallLog, RefusalRules) {
  const Places places{"C:\\windows",
                      "C:\\windows\\system32",
                      "C:\\users\\u\\Start Menu\\Programs",
                      "C:\\users\\u\\Desktop",
                      "C:\\ProgramData\\Start Menu\\Programs",
                      "C:\\users\\Public\\Desktop"};
  struct Case {
    const char* line;
    bool allowed;
  };
  const Case cases[] = {
      {"FILE\tNEW\tC:\\kv58\\program\\a.exe", true},
      {"FILE\tOLD\tC:\\KV58\\a.exe", true},
      {"FILE\tNEW\tC:\\windows\\dvuninst.exe", true},
      {"FILE\tNEW\tC:\\windows\\system32\\drivers\\card.sys", true},
      {"DIR\tC:\\kv58", true},
      {"DIR\tC:\\users\\u\\Start Menu\\Programs\\组\\子", true},
      {"DIR\tC:\\users\\u\\Start Menu\\Programs", true},
      {"LINK\tC:\\users\\u\\Desktop\\程序.lnk", true},
      {"LINK\tC:\\users\\Public\\Desktop\\程序.lnk", true},
      {"DIR\tC:\\ProgramData\\Start Menu\\Programs\\组", true},
      {"KEY\t32\tHKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanet", true},
      {"VALUE\t64\tHKEY_CURRENT_USER\\Software\\X\t\tNEW", true},
      {"FILE\tNEW\tC:\\kv58\\誠\\a", true},
      // Roots, relative paths, climbing out, devices, reserved names, over the limits.
      {"FILE\tNEW\tC:\\", false},
      {"FILE\tNEW\tC:\\kv58", false},
      {"FILE\tNEW\tkv58\\a.exe", false},
      {"FILE\tNEW\t\\\\server\\share\\kv58\\a", false},
      {"FILE\tNEW\tC:\\kv58\\..\\windows\\win.ini", false},
      {"FILE\tNEW\tC:\\kv58\\.\\a", false},
      {"FILE\tNEW\tC:\\kv58\\\\a", false},
      {"FILE\tNEW\tC:\\kv58\\nul.txt", false},
      {"FILE\tNEW\tC:\\kv58\\COM1", false},
      {"FILE\tNEW\tC:\\kv58\\a:stream", false},
      {"FILE\tNEW\tC:\\kv58\\a.", false},
      {"FILE\tNEW\tC:\\kv58\\a*", false},
      {"FILE\tNEW\tC:\\other\\a.exe", false},
      {"FILE\tNEW\tC:\\users\\u\\Desktop\\notes.txt", false},
      {"DIR\tC:\\windows\\system32\\x", false},
      {"DIR\tC:\\users\\u\\Start Menu", false},
      {"DIR\tC:\\users\\u\\Desktop\\x", false},
      {"DIR\tC:\\ProgramData\\Start Menu", false},
      {"LINK\tC:\\users\\u\\Desktop\\notes.txt", false},
      {"LINK\tC:\\kv58\\a.lnk", false},
      {"KEY\t32\tHKEY_LOCAL_MACHINE\\SOFTWARE", false},
      {"KEY\t32\tHKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\X", false},
      {"KEY\t32\tHKEY_CLASSES_ROOT\\SOFTWARE\\X", false},
      {"KEY\t32\tSOFTWARE\\X", false},
      {"VALUE\t32\tHKEY_LOCAL_MACHINE\\SOFTWARE\\\\X\tn\tNEW", false},
      {"FOLDER\tC:\\", false},
      {"FOLDER\tC:\\windows\\kv58", false},
      {"FOLDER\tC:\\users", false},
  };
  const std::string longPath = "FILE\tNEW\tC:\\kv58\\" + std::string(250, 'a');
  for (const Case& c : cases) {
    const std::string content = std::string(kVersion1Header) + "\r\nFOLDER\tC:\\kv58\r\n" + c.line + "\r\n";
    const LogContent log = ReadLog(content);
    ASSERT_EQ(log.status, LogContent::Status::kOk) << c.line;
    const auto refused = FirstRefusedLine(log.lines, places);
    EXPECT_EQ(!refused.has_value(), c.allowed) << c.line;
    if (refused) {
      EXPECT_EQ(*refused, 3u) << c.line;
    }
  }
  EXPECT_EQ(FirstRefusedLine(
                ReadLog(std::string(kVersion1Header) + "\r\nFOLDER\tC:\\kv58\r\n" + longPath + "\r\n").lines, places),
            3u);
  // Folders made on the way to the installation folder, but not the system's.
  const auto refusedIn = [&places](const std::string& records) {
    return FirstRefusedLine(ReadLog(std::string(kVersion1Header) + "\r\n" + records).lines, places);
  };
  EXPECT_FALSE(refusedIn("FOLDER\tD:\\apps\\yv\\kv58\r\nDIR\tD:\\apps\r\nDIR\tD:\\apps\\yv\r\n"));
  EXPECT_EQ(refusedIn("FOLDER\tC:\\users\\u\\kv58\r\nDIR\tC:\\users\r\n"), 3u);
  // A file counts below an installation folder only once that folder has been named.
  EXPECT_EQ(
      FirstRefusedLine(
          ReadLog(std::string(kVersion1Header) + "\r\nFILE\tNEW\tC:\\kv58\\a\r\nFOLDER\tC:\\kv58\r\n").lines, places),
      2u);
}

TEST(InstallLog, RemovalFollowsTheFirstRecordInReverseAndSkipsWhatWasDone) {
  const std::string content = std::string(kVersion1Header) +
                              "\r\n"
                              "VALUE\t32\tHKEY_LOCAL_MACHINE\\SOFTWARE\\P\tName\tOLD\tREG_SZ\t4100\r\n"  // 2
                              "DIR\tC:\\kv58\r\n"                                                        // 3
                              "FILE\tNEW\tC:\\kv58\\a.exe\r\n"                                           // 4
                              "FILE\tNEW\tC:\\kv58\\b.exe\r\n"                                           // 5
                              "RUN\tupgrade\r\n"                                                         // 6
                              "VALUE\t32\tHKEY_LOCAL_MACHINE\\software\\p\tNAME\tOLD\tREG_SZ\t4200\r\n"  // 7
                              "FILE\tOLD\tC:\\KV58\\A.EXE\r\n"                                           // 8
                              "FILE\tNEW\tC:\\kv58\\c.exe\r\n"                                           // 9
                              "DONE\t9\r\n"                                                              // 10
                              "DONE\t8\r\n";                                                             // 11
  const LogContent log = ReadLog(content);
  ASSERT_EQ(log.status, LogContent::Status::kOk);
  std::vector<std::size_t> order;
  for (const LogLine& line : PlanRemoval(log.lines)) order.push_back(line.number);
  // c.exe was undone; a DONE naming a later record of a.exe does not count for it.
  EXPECT_EQ(order, (std::vector<std::size_t>{5, 4, 3, 2}));
  EXPECT_EQ(PlanRemoval(log.lines).back().record.earlier.data, std::string("A\0", 2));
}

// One run's journal; each case cuts it after a line, as a kill would, and names what the
// next start does: the action and the line of each step.
TEST(Journal, RecoveryAfterACutAtEveryRecord) {
  const std::vector<std::string> journal = {
      "RUN\tt",                                              // 2
      "GROUP\tg",                                            // 3
      "FOLDER\tC:\\kv58",                                    // 4
      "BEGIN",                                               // 5
      "GONE\tC:\\kv58\\old",                                 // 6
      "DIR\tC:\\kv58\\cfg",                                  // 7
      "DIR\tC:\\kv58\\old",                                  // 8
      "FILE\tOLD\tC:\\kv58\\a.exe",                          // 9
      "FILE\tNEW\tC:\\kv58\\old\\b.txt",                     // 10
      "FILE\tHERE\tC:\\kv58\\cfg\\c.dll",                    // 11
      "KEY\t32\tHKEY_LOCAL_MACHINE\\SOFTWARE\\g",            // 12
      "VALUE\t32\tHKEY_LOCAL_MACHINE\\SOFTWARE\\g\tn\tNEW",  // 13
      "COMMIT",                                              // 14
      "END",                                                 // 15
      "FILE\tNEW\tC:\\kv58\\cfg\\drv.ini",                   // 16
  };
  using D = Recovery::Direction;
  const std::string undoAll = "value13 key12 dropStaged11 dropStaged9 removeFolder7 restoreFolder6";
  const struct {
    std::size_t lastLine;
    D direction;
    std::string steps;
  } cases[] = {
      {4, D::kNothing, ""},
      {5, D::kUndo, ""},
      {6, D::kUndo, "restoreFolder6"},
      {9, D::kUndo, "dropStaged9 removeFolder7 restoreFolder6"},
      {13, D::kUndo, undoAll},
      {14, D::kComplete, "publishFolder6+ publishFile9 dropOldFolder6 dropBackup9"},
      {15, D::kNothing, ""},
      {16, D::kTidy, "dropStaged16"},
  };
  const char* names[] = {"publishFile", "dropBackup",    "publishFolder", "dropOldFolder", "restoreFile",
                         "dropStaged",  "restoreFolder", "removeFolder",  "value",         "key"};
  const auto describe = [&](const std::vector<PlanStep>& steps, const std::vector<LogLine>& lines) {
    std::string text;
    for (const PlanStep& step : steps) {
      std::size_t line = 0;
      for (const LogLine& l : lines) {
        if (l.record == step.record) line = l.number;
      }
      text += std::string(text.empty() ? "" : " ") + names[static_cast<int>(step.action)] + std::to_string(line) +
              (step.keep ? "+" : "");
    }
    return text;
  };
  for (const auto& c : cases) {
    std::string content = "YORVANE-INSTALL-LOG 2\tg\r\n";
    for (std::size_t line = 2; line <= c.lastLine; ++line) content += journal[line - 2] + "\r\n";
    const LogContent log = ReadLog(content);
    ASSERT_EQ(log.status, LogContent::Status::kOk) << c.lastLine;
    const Recovery recovery = PlanRecovery(log.lines);
    EXPECT_EQ(recovery.direction, c.direction) << c.lastLine;
    EXPECT_EQ(describe(recovery.steps, log.lines), c.steps) << c.lastLine;
  }
  // Undone after its commit, every earlier file comes back; the uninstaller then finds
  // nothing of that run to remove.
  std::string aborted = "YORVANE-INSTALL-LOG 2\tg\r\n";
  for (std::size_t line = 2; line <= 14; ++line) aborted += journal[line - 2] + "\r\n";
  const LogContent log = ReadLog(aborted + "ABORT\r\n");
  EXPECT_EQ(describe(PlanRecovery(log.lines).steps, log.lines),
            "value13 key12 restoreFile11 restoreFile9 removeFolder7 restoreFolder6");
  EXPECT_TRUE(PlanRemoval(ReadLog(aborted + "ABORT\r\nEND\r\n").lines).empty());
  EXPECT_EQ(PlanRemoval(ReadLog(aborted + "END\r\n").lines).size(), 7u);

  // A file is staged beside its target, in its replaced folder's new tree, or (HERE) is
  // its target.
  StagingMap map(log.lines);
  EXPECT_EQ(map.StagedFile(Record::FileWrite("C:\\kv58\\a.exe", true)), "C:\\kv58\\a.exe.yv-new");
  EXPECT_EQ(map.StagedFile(Record::FileWrite("C:\\kv58\\cfg\\d.dll", false)), "C:\\kv58\\cfg\\d.dll.yv-new");
  EXPECT_EQ(map.StagedFile(Record::FileWrite("C:\\kv58\\OLD\\sub\\b.txt", false)), "C:\\kv58\\old.yv-new\\sub\\b.txt");
  EXPECT_EQ(map.StagedFile(Record::FileWrite("C:\\kv58\\cfg\\c.dll", false, true)), "C:\\kv58\\cfg\\c.dll");
  EXPECT_EQ(map.StagedFolder("C:\\kv58\\old"), "C:\\kv58\\old.yv-new");
  EXPECT_EQ(map.StagedFolder("C:\\kv58\\older"), "C:\\kv58\\older");
}

std::string Iconv(const char* to, const char* from, std::string in) {
  iconv_t cd = iconv_open(to, from);
  std::string out(in.size() * 4 + 4, '\0');
  char* inPtr = in.data();
  char* outPtr = out.data();
  std::size_t inLeft = in.size();
  std::size_t outLeft = out.size();
  iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

std::string Utf16ToGbkWithIconv(std::u16string_view wide) {
  return Iconv("GBK", "UTF-16LE", std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));
}

// Literals are GBK in the program (-fexec-charset=GBK).
std::string Utf16File(const std::string& gbk) {
  return "\xFF\xFE" + Iconv("UTF-16LE", "GBK", gbk);
}

TEST(RegistryFile, BothFormsContinuedLinesDeletionsAndHexValues) {
  using K = RegistryChange::Kind;
  const std::string gbkKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanet\\" + kCheng;
  // The GBK form: a key name whose trail byte is a backslash, names with escapes.
  const std::string regedit4 =
      "REGEDIT4\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanet\\" +
      kCheng +
      "]\r\n"
      "\"Path\"=\"C:\\\\kv58\\\\\"\r\n"
      "@=\"default\"\r\n"
      "\"Say \\\"hi\\\"\"=dword:00000001\r\n"
      "\"Blob\"=hex:00,01,02,\\\r\n"
      "  03,04,\\\r\n"
      "  05\r\n"
      "\"After\"=hex(2):41,00,00,00\r\n"
      "; a comment\r\n"
      "\"Gone\"=-\r\n"
      "[-HKCU\\Software\\Old]\r\n"
      "\"Ignored\"=\"after a deletion\"\r\n"
      "[HKEY_NOWHERE\\X]\r\n"
      "\"AlsoIgnored\"=\"\"\r\n"
      "[HKCU\\Software\\New\\]\r\n"
      "\"x\" = \"spaced\"\r\n";
  const auto ascii = [](std::u16string_view w) { return std::string(w.begin(), w.end()); };
  const auto read4 = ReadRegistryFile(regedit4, ascii);
  ASSERT_TRUE(read4);
  const std::vector<RegistryChange> expected4 = {
      {K::kKey, gbkKey, ""},
      {K::kValue, gbkKey, "Path"},
      {K::kValue, gbkKey, ""},
      {K::kValue, gbkKey, "Say \"hi\""},
      {K::kValue, gbkKey, "Blob"},
      {K::kValue, gbkKey, "After"},
      {K::kDeleteValue, gbkKey, "Gone"},
      {K::kDeleteKey, "HKEY_CURRENT_USER\\Software\\Old", ""},
      {K::kKey, "HKEY_CURRENT_USER\\Software\\New", ""},
      {K::kValue, "HKEY_CURRENT_USER\\Software\\New", "x"},
  };
  EXPECT_EQ(*read4, expected4);

  // The UTF-16 form, converted to GBK as the wizard does.
  const std::string regedit5 = Utf16File(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Delvrin证券分析系统\\设置]\r\n"
      "\"名称\"=\"值\"\r\n"
      "\"Multi\"=hex(7):41,00,00,00,\\\r\n"
      "  00,00\r\n"
      "\"名称2\"=-\r\n");
  const auto read5 = ReadRegistryFile(regedit5, Utf16ToGbkWithIconv);
  ASSERT_TRUE(read5);
  const std::string key5 = "HKEY_CURRENT_USER\\Software\\Delvrin证券分析系统\\设置";
  const std::vector<RegistryChange> expected5 = {
      {K::kKey, key5, ""},
      {K::kValue, key5, "名称"},
      {K::kValue, key5, "Multi"},
      {K::kDeleteValue, key5, "名称2"},
  };
  EXPECT_EQ(*read5, expected5);

  EXPECT_FALSE(ReadRegistryFile("[HKEY_CURRENT_USER\\Software\\X]\r\n", ascii));
  EXPECT_FALSE(ReadRegistryFile("", ascii));
}

}  // namespace
