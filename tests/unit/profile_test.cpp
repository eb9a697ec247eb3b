#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "profile/ini_document.h"
#include "profile/integer_text.h"
#include "profile/profile.h"
#include "profile/section_readers.h"

using namespace yv::profile;
using Names = std::vector<std::string>;

namespace {

// Double-byte characters whose trail bytes are ASCII: 'A', 'a', ']'; and "安".
const std::string kTrailUpperA = "\x81\x41";
const std::string kTrailLowerA = "\x81\x61";
const std::string kTrailBracket = "\x81\x5D";
const std::string kAn = "\xB0\xB2";

std::string Value(const std::string& content, std::string_view section, std::string_view key) {
  return IniDocument(content).Find(section, key).value_or("<missing>");
}

class ProfileFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() / ("yv_profile_" + std::to_string(::getpid())) /
           info->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_.parent_path()); }

  std::string Put(const std::string& name, const std::string& content) {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path dir_;
};

}  // namespace

TEST(IniReading, NamesMatchWithoutCaseAndBlanksDoNotCount) {
  const std::string ini = "  [ Info ]  \r\n  Key1  =  value one  \r\nk2=\tTAB in\tside\t\r\n";
  EXPECT_EQ(Value(ini, "INFO", "kEY1"), "value one");
  EXPECT_EQ(Value(ini, " info ", " key1 "), "value one");
  EXPECT_EQ(Value(ini, "info", "k2"), "TAB in\tside");
  EXPECT_EQ(Value(ini, "info", "key"), "<missing>");
  EXPECT_EQ(Value(ini, "inf", "key1"), "<missing>");
}

TEST(IniReading, QuotesArePeeledOnlyAsAMatchingPair) {
  const std::string ini =
      "[q]\nd=\"quoted\"\ns='single'\nm=\"mixed'\nlone=\"\nempty=\"\"\ninner=\" in \" \n"
      "open=\"abc\nclose=abc\"\nmid=a \"b\" c\n";
  EXPECT_EQ(Value(ini, "q", "d"), "quoted");
  EXPECT_EQ(Value(ini, "q", "s"), "single");
  EXPECT_EQ(Value(ini, "q", "m"), "\"mixed'");
  EXPECT_EQ(Value(ini, "q", "lone"), "\"");
  EXPECT_EQ(Value(ini, "q", "empty"), "");
  EXPECT_EQ(Value(ini, "q", "inner"), " in ");  // blanks inside the quotes are kept
  EXPECT_EQ(Value(ini, "q", "open"), "\"abc");
  EXPECT_EQ(Value(ini, "q", "close"), "abc\"");
  EXPECT_EQ(Value(ini, "q", "mid"), "a \"b\" c");
}

TEST(IniReading, FirstSectionAndFirstKeyWinAndSectionsDoNotMerge) {
  const std::string ini = "[info]\nkey=1\nKEY=2\n[INFO]\nkey=3\nonly=second\n";
  EXPECT_EQ(Value(ini, "info", "key"), "1");
  EXPECT_EQ(Value(ini, "info", "only"), "<missing>");
  EXPECT_EQ(IniDocument(ini).KeyNames("Info"), (Names{"key", "KEY"}));
}

TEST(IniReading, LinesThatAreNoEntryAreIgnored) {
  const std::string ini =
      "top=before\n[s]\nnoequals\n;comment=c\n# hash=h\n=nameless\nk=a=b\n[unclosed\nafter=1\n"
      "[open=x\n[a] note\nx=1\n[b] ; c]\ny=2\n";
  EXPECT_EQ(IniDocument(ini).KeyNames("s"), (Names{"# hash", "k", "after", "[open"}));
  EXPECT_EQ(Value(ini, "s", "noequals"), "<missing>");
  EXPECT_EQ(Value(ini, "s", ";comment"), "c");  // not listed, but found by its name
  EXPECT_EQ(Value(ini, "s", "k"), "a=b");
  EXPECT_EQ(Value(ini, "s", "after"), "1");  // "[unclosed" opened no section
  EXPECT_EQ(Value(ini, "a", "x"), "1");      // the name ends at the last ']'
  EXPECT_EQ(Value(ini, "b] ; c", "y"), "2");
  EXPECT_EQ(Value(ini, "b", "y"), "<missing>");
  EXPECT_EQ(Value(ini, "", "top"), "before");  // lines before the first head
  EXPECT_EQ(IniDocument(ini).KeyNames(""), (Names{"top"}));
}

TEST(IniReading, AnyLineEndingAndDosEndOfFileMark) {
  const std::string ini = "[a]\r\ncrlf=1\r\n\r\n[b]\nlf=2\n[c]\rcr=3\rnext=4\x1a";
  EXPECT_EQ(Value(ini, "a", "crlf"), "1");
  EXPECT_EQ(Value(ini, "b", "lf"), "2");
  EXPECT_EQ(Value(ini, "c", "cr"), "3");
  EXPECT_EQ(Value(ini, "c", "next"), "4");
  EXPECT_EQ(Value("", "a", "crlf"), "<missing>");
  EXPECT_EQ(Value("\xEF\xBB\xBF[a]\nk=v\n", "a", "k"), "v");  // byte order mark
}

TEST(IniReading, DoubleByteNamesNeverFoldTheirTrailBytes) {
  const std::string ini = "[" + kTrailUpperA + "sec]\n" + kTrailUpperA + "=upper\n" + kTrailLowerA +
                          "=lower\nx" + kTrailBracket + "]=bracket\n[y" + kTrailBracket + "=open\n[z" +
                          kTrailBracket + "]\nq=in\n";
  EXPECT_EQ(Value(ini, kTrailUpperA + "SEC", kTrailUpperA), "upper");
  EXPECT_EQ(Value(ini, kTrailUpperA + "sec", kTrailLowerA), "lower");
  EXPECT_EQ(Value(ini, kTrailLowerA + "sec", kTrailUpperA), "<missing>");
  // ']' as a trail byte neither closes a head nor ends its name.
  EXPECT_EQ(Value(ini, kTrailUpperA + "sec", "X" + kTrailBracket + "]"), "bracket");
  EXPECT_EQ(Value(ini, kTrailUpperA + "sec", "[y" + kTrailBracket), "open");
  EXPECT_EQ(Value(ini, "z" + kTrailBracket, "q"), "in");
}

TEST(IniReading, ValuesAreCutToWholeCharactersWithin2047Bytes) {
  std::string many_an;
  for (int i = 0; i < 2000; ++i) many_an += kAn;
  const std::string ini = "[l]\nascii=" + std::string(3000, 'a') + "\nexact=" + std::string(2047, 'b') +
                          "\ngbk=" + many_an + "\nmixed=" + std::string(2045, 'c') + kAn + kAn +
                          "\nstraddle=" + std::string(2046, 'd') + kAn + "\nquoted=\"" +
                          std::string(2047, 'e') + "\"\n";
  EXPECT_EQ(Value(ini, "l", "ascii"), std::string(2047, 'a'));
  EXPECT_EQ(Value(ini, "l", "exact"), std::string(2047, 'b'));
  EXPECT_EQ(Value(ini, "l", "gbk"), many_an.substr(0, 2046));
  EXPECT_EQ(Value(ini, "l", "mixed"), std::string(2045, 'c') + kAn);
  EXPECT_EQ(Value(ini, "l", "straddle"), std::string(2046, 'd'));
  EXPECT_EQ(Value(ini, "l", "quoted"), std::string(2047, 'e'));  // quotes go first
}

TEST(IniReading, KeyNamesStopBeforeTheFirstNameThatDoesNotFitWhole) {
  std::string ini = "[m]\n";
  for (int i = 0; i < 2100; ++i) ini += "key" + std::to_string(1000 + i) + "=v\n";
  const Names names = IniDocument(ini).KeyNames("m");
  // 8 bytes a name with its zero byte: 2047 names use 16376 of the 16383 bytes.
  ASSERT_EQ(names.size(), 2047u);
  EXPECT_EQ(names.back(), "key3046");

  // Names that fill the room exactly are all listed.
  std::string exact = "[m]\n" + std::string(16382, 'n') + "=1\n";
  EXPECT_EQ(IniDocument(exact).KeyNames("m").size(), 1u);
  exact = "[m]\n" + std::string(16383, 'n') + "=1\n";
  EXPECT_TRUE(IniDocument(exact).KeyNames("m").empty());
}

TEST(IniInteger, WholeTextOrNothing) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> want;
  };
  const Case cases[] = {
      {"0x3", 3},        {"0X1f", 31},        {"$10", 16},       {"$aB", 171},
      {"-12", -12},      {"+7", 7},           {"0", 0},          {"007", 7},
      {"2147483647", 2147483647},             {"-2147483648", INT32_MIN},
      {"0x7FFFFFFF", 2147483647},             {"3abc", std::nullopt},
      {"", std::nullopt}, {"0x", std::nullopt}, {"$", std::nullopt}, {"-", std::nullopt},
      {"0xG", std::nullopt}, {"0x-1", std::nullopt}, {"$+1", std::nullopt},
      {"- 5", std::nullopt}, {"1e3", std::nullopt}, {"1.0", std::nullopt},
      {"2147483648", std::nullopt}, {"-2147483649", std::nullopt},
      {"0x80000000", std::nullopt}, {"0xFFFFFFFF", std::nullopt},
      {"99999999999999999999999999", std::nullopt}, {"0x1000000000000000F", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseIntegerText(c.text), c.want) << c.text;
}

TEST_F(ProfileFiles, ReadsByPathWithDefaults) {
  const std::string path = Put("setup.ini", "[info]\nparts=7\nneg=-1\nhex=0x3\nbad=3abc\nq=\" 15\"\n"
                                            "blank=  42  \nempty=\ntitle=\"Yorvane\"\n");
  EXPECT_EQ(ReadString(path, "info", "title", "x"), "Yorvane");
  EXPECT_EQ(ReadString(path, "info", "empty", "x"), "");  // present but empty: no default
  EXPECT_EQ(ReadString(path, "info", "none", "dflt"), "dflt");
  EXPECT_EQ(ReadInteger(path, "info", "parts", 0), 7);
  EXPECT_EQ(ReadInteger(path, "info", "neg", 0), -1);
  EXPECT_EQ(ReadInteger(path, "info", "hex", 0), 3);
  EXPECT_EQ(ReadInteger(path, "info", "bad", 9), 9);
  EXPECT_EQ(ReadInteger(path, "info", "q", 9), 9);  // " 15" inside quotes is no number
  EXPECT_EQ(ReadInteger(path, "info", "blank", 9), 42);
  EXPECT_EQ(ReadInteger(path, "info", "empty", 9), 9);
  EXPECT_EQ(ReadInteger(path, "info", "none", -3), -3);

  const std::string missing = Path("no.ini");
  EXPECT_EQ(ReadString(missing, "info", "name", "dravkp.exe"), "dravkp.exe");
  EXPECT_EQ(ReadInteger(missing, "info", "parts", 0), 0);
  EXPECT_TRUE(ReadKeyNames(missing, "info").empty());
  EXPECT_EQ(ReadSectionPairs(missing, "part0").size(), 0u);
  EXPECT_TRUE(ReadSectionValues(missing, "ico").empty());
}

TEST_F(ProfileFiles, SectionPairsListDuplicatesWithTheFirstValue) {
  const std::string path = Put("install.ini",
                               "[part0]\na.vrk=.\nb.vrk=WINDIR\nA.VRK=other\nnolabel\n[directory]\n"
                               "1=data\n2 = data\\day \n2=ignored\n3=\n[empty]\n");
  const SectionPairs pairs = ReadSectionPairs(path, "PART0");
  EXPECT_EQ(pairs.keys, (Names{"a.vrk", "b.vrk", "A.VRK"}));
  EXPECT_EQ(pairs.values, (Names{".", "WINDIR", "."}));

  const SectionPairs dirs = ReadDirectorySection(path);
  EXPECT_EQ(dirs.keys, (Names{"1", "2", "2", "3"}));
  EXPECT_EQ(dirs.values, (Names{"data", "data\\day", "data\\day", ""}));

  EXPECT_EQ(ReadSectionPairs(path, "empty").size(), 0u);
  EXPECT_EQ(ReadSectionPairs(path, "missing").size(), 0u);
}

TEST_F(ProfileFiles, SectionValuesListEachKeyOnceAndSkipEmptyValues) {
  const std::string path = Put("install.ini", "[ico]\n" + kAn + "=dravk.exe\nempty=\nHelp=h.hlp\n" + kAn +
                                                  "=second\nHELP=again\nquoted=\"a b\"\n" +
                                                  kTrailUpperA + "=u\n" + kTrailLowerA + "=l\n");
  EXPECT_EQ(ReadSectionValues(path, "ico"),
            (Names{kAn + "=dravk.exe", "Help=h.hlp", "quoted=a b", kTrailUpperA + "=u",
                   kTrailLowerA + "=l"}));
}

TEST_F(ProfileFiles, WritingChangesOneLineAndKeepsEveryOtherByte) {
  const std::string start =
      "; settings\r\n[DCD]\r\n  DriverNumber = 3 \r\nDriver=Driver 1\r\nnoeq\r\ndriver=dup\n\r\n"
      "[Driver 0]\r\nName=\"a\"\r\n[dcd]\r\nextra=1";
  const std::string path = Put("system.ini", start);

  WriteString(path, "dcd", "DRIVER", "Driver 2");
  std::string want = start;
  want.replace(want.find("Driver=Driver 1"), 15, "Driver=Driver 2");
  EXPECT_EQ(Content(path), want);

  WriteInteger(path, "DCD", "drivernumber", -5);
  want.replace(want.find("  DriverNumber = 3 "), 19, "DriverNumber=-5");
  EXPECT_EQ(Content(path), want);

  WriteString(path, "Driver 0", "Path", "C:\\x");  // new key after the last entry
  want.replace(want.find("Name=\"a\"\r\n") + 10, 0, "Path=C:\\x\r\n");
  EXPECT_EQ(Content(path), want);

  WriteString(path, "Driver 1", "Name", kAn);  // new section, after a blank line
  want += "\r\n\r\n[Driver 1]\r\nName=" + kAn + "\r\n";
  EXPECT_EQ(Content(path), want);

  EXPECT_EQ(ReadString(path, "dcd", "driver", ""), "Driver 2");
  EXPECT_EQ(ReadInteger(path, "dcd", "DriverNumber", 0), -5);
  EXPECT_EQ(ReadString(path, "dcd", "extra", ""), "");  // the second [dcd] stays hidden
}

TEST_F(ProfileFiles, WritingCreatesTheFileAndFollowsItsLineEndings) {
  const std::string fresh = Path("fresh.ini");
  WriteString(fresh, "a", "b", "c");
  EXPECT_EQ(Content(fresh), "[a]\r\nb=c\r\n");

  const std::string lf = Put("lf.ini", "[s]\nx=1\n\n[t]\ny=2\n");
  WriteString(lf, "s", "new", "v");
  WriteString(lf, "t", "y", "");
  EXPECT_EQ(Content(lf), "[s]\nx=1\nnew=v\n\n[t]\ny=\n");

  const std::string bom_only = Put("bom.ini", "\xEF\xBB\xBF");
  WriteString(bom_only, "s", "k", "v");
  EXPECT_EQ(Content(bom_only), "\xEF\xBB\xBF[s]\r\nk=v\r\n");

  const std::string head_only = Put("head.ini", "[s]");
  WriteString(head_only, "S", "k", "v");
  EXPECT_EQ(Content(head_only), "[s]\r\nk=v\r\n");
}

TEST_F(ProfileFiles, FailedWriteRaisesAndLeavesTheFileAlone) {
  const std::string nowhere = Path("no such folder") + "/system.ini";
  try {
    WriteString(nowhere, "DCD", "Driver", "Driver 0");
    ADD_FAILURE() << "no exception";
  } catch (const ProfileWriteError& e) {
    EXPECT_STREQ(e.what(), ("Unable to write to " + nowhere).c_str());
    EXPECT_EQ(e.path(), nowhere);
  }
  EXPECT_THROW(WriteInteger(nowhere, "DCD", "DriverNumber", 1), ProfileWriteError);

  // A folder where the file should be: unreadable, so it is never replaced.
  std::filesystem::create_directory(Path("folder.ini"));
  EXPECT_THROW(WriteString(Path("folder.ini"), "a", "b", "c"), ProfileWriteError);
  EXPECT_TRUE(std::filesystem::is_directory(Path("folder.ini")));

  // Entries that would not read back as written are refused.
  const std::string path = Put("keep.ini", "[a]\nb=1\n");
  EXPECT_THROW(WriteString(path, "a", "b", "two\r\nlines"), ProfileWriteError);
  EXPECT_THROW(WriteString(path, "a", "k=v", "x"), ProfileWriteError);
  EXPECT_THROW(WriteString(path, "a", " ", "x"), ProfileWriteError);
  EXPECT_THROW(WriteString(path, "", "b", "x"), ProfileWriteError);
  EXPECT_THROW(WriteString(path, "a", "[c]", "x"), ProfileWriteError);
  EXPECT_EQ(Content(path), "[a]\nb=1\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 2);  // no temp files
}
