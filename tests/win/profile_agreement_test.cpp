// Our INI reader and writer against the system's own private-profile functions, on a
// corpus of tricky files. The narrow functions work in the ANSI code page, which is 936
// under the runner's locale, so both sides see the same GBK bytes. They must agree,
// except in the known differences listed below, each with its reason; a listed
// difference that no longer shows fails too, so the list stays true.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "profile/profile.h"
#include "profile/section_readers.h"
#include "win_test_support.h"

namespace {

using Names = std::vector<std::string>;
using yv::test::ScratchDir;

// Stands for "no value": a default no corpus value can equal.
const char kMissing[] = "<missing>";

// ---- The system's side -------------------------------------------------------------

// The buffer starts zeroed: when a value is cut before a double-byte character, the
// system leaves the buffer's last byte untouched and counts it in the result, so the
// bytes before the first zero are what it really read.
std::string SystemString(const std::string& path, const std::string& section, const std::string& key,
                         const char* def = kMissing) {
  std::vector<char> buffer(2048, '\0');
  GetPrivateProfileStringA(section.c_str(), key.c_str(), def, buffer.data(), 2048, path.c_str());
  return std::string(buffer.data());
}

// The key list of a section: names, each ended by a zero byte, in a 16384-byte buffer.
Names SystemKeyNames(const std::string& path, const std::string& section) {
  std::vector<char> buffer(16384, '\0');
  const DWORD used = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(), 16384, path.c_str());
  Names names;
  for (DWORD at = 0; at < used;) {
    names.emplace_back(buffer.data() + at);
    at += static_cast<DWORD>(names.back().size()) + 1;
  }
  return names;
}

// The whole-section readers built the classic way: the key list, then each key's value.
yv::profile::SectionPairs SystemSectionPairs(const std::string& path, const std::string& section, const char* def) {
  yv::profile::SectionPairs pairs;
  pairs.keys = SystemKeyNames(path, section);
  for (const auto& key : pairs.keys) pairs.values.push_back(SystemString(path, section, key, def));
  return pairs;
}

Names SystemSectionValues(const std::string& path, const std::string& section) {
  Names texts;
  Names listed;
  for (const auto& key : SystemKeyNames(path, section)) {
    const std::string value = SystemString(path, section, key, "");
    bool seen = false;
    for (const auto& earlier : listed) seen = seen || lstrcmpiA(earlier.c_str(), key.c_str()) == 0;
    if (value.empty() || seen) continue;
    listed.push_back(key);
    texts.push_back(key + "=" + value);
  }
  return texts;
}

// ---- The corpus --------------------------------------------------------------------

struct CorpusFile {
  std::string name;
  std::optional<std::string> content;  // none: the file does not exist
  Names sections;                      // probed, each with every key below
  Names keys;
};

std::string Repeat(const std::string& unit, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += unit;
  return out;
}

// Double-byte characters whose trail bytes are ASCII: 'A', 'a', ']', 'Z'; "安" (B0 B2).
const std::string kTrailA = "\x81\x41";
const std::string kTrailLowerA = "\x81\x61";
const std::string kTrailBracket = "\x81\x5D";
const std::string kTrailZ = "\xB0\x5A";
const std::string kAn = "\xB0\xB2";

std::vector<CorpusFile> Corpus() {
  std::vector<CorpusFile> files;

  files.push_back({"blanks_quotes.ini",
                   "[info]\r\n"
                   "  key1  =  value one  \r\n"
                   "KEY2=\"quoted\"\r\n"
                   "k3='single'\r\n"
                   "k4=\"mismatch'\r\n"
                   "k5=\"\r\n"
                   "k6=\"\"\r\n"
                   "k7=\" in \" \r\n"
                   "k8=\"abc\r\n"
                   "k9=abc\"\r\n"
                   "k10=a=b\r\n"
                   "k11=\tTAB\tin\t\r\n"
                   "k12=\vform\f\r\n"
                   "k13=mid \"q\" dle\r\n"
                   "k14=''\r\n"
                   "k15='\"'\r\n"
                   "title=\"Delvrin证券分析系统\"\r\n"
                   "path= C:\\kv58 \r\n"
                   "eof=last\x1a",
                   {"info", "INFO", " info ", "inf"},
                   {"key1", "KEY1", " key1 ", "key2", "k3",  "k4",  "k5",    "k6",   "k7",  "k8",     "k9",
                    "k10",  "k11",  "k12",    "k13",  "k14", "k15", "title", "path", "eof", "missing"}});

  files.push_back({"lines.ini",
                   "top=before\n"
                   "\n"
                   "  [ s ]  \n"
                   "noequals\n"
                   ";comment=cval\n"
                   "# hash=hval\n"
                   "=nameless\n"
                   "k=a=b\n"
                   "[unclosed\n"
                   "after=1\n"
                   "[open=x\n"
                   "\n\n"
                   "[a] note\n"
                   "x=1\n"
                   "[b] ; c]\n"
                   "y=2\n"
                   "[]\n"
                   "z=3\n"
                   "[cr]\rcr1=1\rcr2=2\r\r[after cr]\r\nw=4\n",
                   {"s", "", "a", "a] note", "b", "b] ; c", "cr", "after cr", "unclosed"},
                   {"top", "noequals", ";comment", "# hash", "#", "", "k", "[unclosed", "after", "[open", "x", "y", "z",
                    "cr1", "cr2", "w"}});

  files.push_back({"dups.ini",
                   "[part0]\r\n"
                   "a.vrk=.\r\n"
                   "b.vrk=WINDIR\r\n"
                   "A.VRK=other\r\n"
                   "_c.vrk = data\\day \r\n"
                   "[PART0]\r\n"
                   "hidden.vrk=.\r\n"
                   "[ico]\r\n"
                   "Help=help.exe\r\n"
                   "empty=\r\n"
                   "HELP=again\r\n"
                   "行情=dravk.exe\r\n"
                   "行情=second\r\n"
                   "[Part0]\r\n"
                   "a.vrk=third\r\n"
                   "[directory]\r\n"
                   "1=data\r\n"
                   "2=data\\day\r\n"
                   "2=\r\n"
                   "3=\r\n",
                   {"part0", "PART0", "Part0", "ico", "directory"},
                   {"a.vrk", "A.vrk", "b.vrk", "_c.vrk", "hidden.vrk", "help", "empty", "行情", "1", "2", "3"}});

  files.push_back({"gbk.ini",
                   "[" + kTrailA + "sec]\r\n" + kTrailA + "=upper\r\n" + kTrailLowerA + "=lower\r\n" + kTrailZ +
                       "=zed\r\n"
                       "x" +
                       kTrailBracket +
                       "]=bracket\r\n"
                       "[y" +
                       kTrailBracket +
                       "=open\r\n"
                       "key=" +
                       kAn + "\"" + kAn +
                       "\r\n"
                       "[z" +
                       kTrailBracket +
                       "]\r\n"
                       "q=inside\r\n"
                       "[" +
                       kAn +
                       "]\r\n"
                       "\xA3\xC1=fullwidth\r\n"
                       "\xA6\xA1=greek\r\n",
                   {kTrailA + "sec", kTrailA + "SEC", kTrailLowerA + "sec", "z" + kTrailBracket, kAn},
                   {kTrailA, kTrailLowerA, kTrailZ, "\xB0\x7A", "X" + kTrailBracket + "]", "[y" + kTrailBracket, "key",
                    "q", "\xA3\xC1", "\xA3\xE1", "\xA6\xA1", "\xA6\xC1"}});

  const std::string an2000 = Repeat(kAn, 2000);
  files.push_back({"long.ini",
                   "[l]\r\n"
                   "ascii=" +
                       std::string(3000, 'a') +
                       "\r\n"
                       "exact=" +
                       std::string(2047, 'b') +
                       "\r\n"
                       "over=" +
                       std::string(2048, 'c') +
                       "\r\n"
                       "gbk=" +
                       an2000 +
                       "\r\n"
                       "mixed=" +
                       std::string(2045, 'd') + kAn + kAn +
                       "\r\n"
                       "straddle=" +
                       std::string(2046, 'e') + kAn +
                       "\r\n"
                       "q2045=\"" +
                       std::string(2045, 'f') +
                       "\"\r\n"
                       "q2046=\"" +
                       std::string(2046, 'g') +
                       "\"\r\n"
                       "q2047=\"" +
                       std::string(2047, 'h') +
                       "\"\r\n"
                       "q3000=\"" +
                       std::string(3000, 'i') +
                       "\"\r\n"
                       "qgbk=\"" +
                       Repeat(kAn, 1100) +
                       "\"\r\n"
                       "qmix=\"" +
                       std::string(2045, 'j') + kAn +
                       "\"\r\n"
                       "after=ok\r\n",
                   {"l"},
                   {"ascii", "exact", "over", "gbk", "mixed", "straddle", "q2045", "q2046", "q2047", "q3000", "qgbk",
                    "qmix", "after"}});

  files.push_back({"bom.ini", "\xEF\xBB\xBF[info]\r\nkey=value\r\n", {"info"}, {"key"}});
  files.push_back({"bom_text.ini", "\xEF\xBB\xBF[info]\r\nkey=\xE5\xAE\x89\r\n", {"info"}, {"key"}});
  files.push_back({"empty.ini", std::string(), {"info", ""}, {"key", ""}});
  files.push_back({"missing.ini", std::nullopt, {"info"}, {"name"}});

  std::string many = "[m]\r\n";
  for (int i = 0; i < 2100; ++i) many += "key" + std::to_string(1000 + i) + "=v\r\n";
  files.push_back({"many.ini", many, {"m"}, {"key1000", "key3099"}});
  return files;
}

// ---- Known differences -------------------------------------------------------------

struct KnownDifference {
  const char* file;
  std::string section;
  std::optional<std::string> key;  // none: the section's key list and section readers
  const char* reason;
};

const std::vector<KnownDifference>& KnownDifferences() {
  static const std::vector<KnownDifference> list = {
      {"long.ini", "l", std::string("q2047"),
       "the system cuts a quoted value one byte short when its inner text is exactly 2048 "
       "characters; we peel the quotes, then keep 2047 bytes"},
      {"bom_text.ini", "info", std::string("key"),
       "the system converts a UTF-8 file with a byte order mark to GBK; we pass the bytes on "
       "unchanged, as every setup file is GBK"},
      {"lines.ini", "s", std::nullopt,
       "the system lists the empty name of \"=nameless\", which ends a zero-separated list "
       "for any caller and so hides the names after it; we leave empty names out"},
      {"blanks_quotes.ini", " info ", std::nullopt,
       "the system trims the section name it is given for a value, but not for a key "
       "list; we trim it for both"},
      {"many.ini", "m", std::nullopt,
       "the system ends an overfull key list with a cut name, which names no entry; we "
       "leave out every name that does not fit whole"},
  };
  return list;
}

const KnownDifference* FindDifference(const std::string& file, const std::string& section,
                                      const std::optional<std::string>& key) {
  for (const auto& d : KnownDifferences()) {
    if (d.file == file && d.section == section && d.key == key) return &d;
  }
  return nullptr;
}

// A short printable form of a value for failure messages.
std::string Describe(const std::string& s) {
  std::string out;
  for (unsigned char c : s.substr(0, 40)) {
    char hex[8];
    std::snprintf(hex, sizeof hex, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
    out += hex;
  }
  return "[" + std::to_string(s.size()) + " bytes] " + out + (s.size() > 40 ? "..." : "");
}

std::string Describe(const Names& names) {
  std::string out = std::to_string(names.size()) + " names:";
  for (std::size_t i = 0; i < names.size() && i < 8; ++i) out += " " + Describe(names[i]);
  if (names.size() > 8) out += " ... last " + Describe(names.back());
  return out;
}

void ExpectSameLists(const Names& ours, const Names& system, const std::string& where) {
  EXPECT_EQ(ours.size(), system.size()) << where << "\n  ours:   " << Describe(ours)
                                        << "\n  system: " << Describe(system);
  for (std::size_t i = 0; i < ours.size() && i < system.size(); ++i) {
    EXPECT_EQ(ours[i], system[i]) << where << " entry " << i << "\n  ours:   " << Describe(ours[i])
                                  << "\n  system: " << Describe(system[i]);
  }
}

class ProfileAgreement : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(GetACP(), 936u) << "the ANSI code page must be 936 (zh_CN locale)"; }
  ScratchDir dir_;
};

// Checks one comparison: equal, or different as the list says.
template <typename T>
void Compare(const std::string& file, const std::string& section, const std::optional<std::string>& key, const T& ours,
             const T& system, int& compared, int& differing) {
  ++compared;
  const std::string where = file + " [" + section + "] " + (key ? Describe(*key) : std::string("<key list>"));
  if (const KnownDifference* d = FindDifference(file, section, key)) {
    ++differing;
    EXPECT_FALSE(ours == system) << where << ": listed as a known difference, but both agree now";
  } else {
    EXPECT_TRUE(ours == system) << where << "\n  ours:   " << Describe(ours) << "\n  system: " << Describe(system);
  }
}

TEST_F(ProfileAgreement, ValuesReadAsTheSystemReadsThem) {
  int compared = 0;
  int differing = 0;
  for (const auto& f : Corpus()) {
    const std::string path = f.content ? dir_.Write(f.name, *f.content) : dir_.Path() + "\\" + f.name;
    for (const auto& section : f.sections) {
      for (const auto& key : f.keys) {
        Compare(f.name, section, key, yv::profile::ReadString(path, section, key, kMissing),
                SystemString(path, section, key), compared, differing);
      }
    }
  }
  std::printf("[ values   ] %d compared, %d known differences\n", compared, differing);
}

TEST_F(ProfileAgreement, KeyListsAndSectionReadersAsTheSystemBuildsThem) {
  int compared = 0;
  int differing = 0;
  for (const auto& f : Corpus()) {
    const std::string path = f.content ? dir_.Write(f.name, *f.content) : dir_.Path() + "\\" + f.name;
    for (const auto& section : f.sections) {
      Compare(f.name, section, std::nullopt, yv::profile::ReadKeyNames(path, section), SystemKeyNames(path, section),
              compared, differing);
      if (FindDifference(f.name, section, std::nullopt)) continue;  // the readers follow the list
      // Values listed as known differences are left out of the section readers' lists.
      const auto agreed = [&](const Names& keys, const Names& values) {
        Names kept;
        for (std::size_t i = 0; i < keys.size(); ++i) {
          if (!FindDifference(f.name, section, keys[i])) kept.push_back(keys[i] + "=" + values[i]);
        }
        return kept;
      };
      const auto ours = yv::profile::ReadSectionPairs(path, section);
      const auto system = SystemSectionPairs(path, section, "tempdata\\xxx");
      ExpectSameLists(agreed(ours.keys, ours.values), agreed(system.keys, system.values),
                      f.name + " [" + section + "] pairs");
      if (section == "directory") {
        const auto dirs = yv::profile::ReadDirectorySection(path);
        const auto system_dirs = SystemSectionPairs(path, section, "___");
        ExpectSameLists(agreed(dirs.keys, dirs.values), agreed(system_dirs.keys, system_dirs.values),
                        f.name + " [directory]");
      }
      Names ours_texts;
      Names system_texts;
      for (const auto& text : yv::profile::ReadSectionValues(path, section)) {
        if (!FindDifference(f.name, section, text.substr(0, text.find('=')))) ours_texts.push_back(text);
      }
      for (const auto& text : SystemSectionValues(path, section)) {
        if (!FindDifference(f.name, section, text.substr(0, text.find('=')))) system_texts.push_back(text);
      }
      ExpectSameLists(ours_texts, system_texts, f.name + " [" + section + "] key=value texts");
      compared += 2;
    }
  }
  // The overfull list: every name we give is the system's, in order; only its cut last
  // name is missing from ours.
  const std::string many = dir_.Path() + "\\many.ini";
  const Names ours = yv::profile::ReadKeyNames(many, "m");
  Names system = SystemKeyNames(many, "m");
  ASSERT_FALSE(system.empty());
  EXPECT_EQ(system.back(), "key304");  // cut from "key3047"
  system.pop_back();
  ExpectSameLists(ours, system, "many.ini [m], without the cut name");
  std::printf("[ sections ] %d compared, %d known differences\n", compared, differing);
}

// Our integer rule differs on purpose from the system's integer reader, which takes the
// leading digits of any text and wraps on overflow. Where both rules meet, they agree.
TEST_F(ProfileAgreement, IntegersAgreeWhereTheRulesMeet) {
  struct Case {
    const char* value;  // nullptr: no such key
    const char* differs_because;
  };
  const Case cases[] = {
      {"7", nullptr},
      {"-1", nullptr},
      {"0", nullptr},
      {"+7", nullptr},
      {"  42  ", nullptr},
      {"\"15\"", nullptr},
      {"2147483647", nullptr},
      {"-2147483648", nullptr},
      {"", nullptr},
      {nullptr, nullptr},
      {"0x3", nullptr},
      {"3abc", "a text that is not a number as a whole gives the default"},
      {"1e3", "a text that is not a number as a whole gives the default"},
      {"-", "a lone sign is no number"},
      {"$10", "a leading $ marks hexadecimal"},
      {"0X1f", "0X marks hexadecimal like 0x"},
      {"4294967295", "a number outside the 32-bit range gives the default instead of wrapping"},
  };
  std::string content = "[i]\r\n";
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    if (cases[i].value) content += "k" + std::to_string(i) + "=" + cases[i].value + "\r\n";
  }
  const std::string path = dir_.Write("ints.ini", content);
  int agreeing = 0;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string key = "k" + std::to_string(i);
    const int ours = yv::profile::ReadInteger(path, "i", key, -7);
    const int system = static_cast<int>(GetPrivateProfileIntA("i", key.c_str(), -7, path.c_str()));
    if (cases[i].differs_because) {
      EXPECT_NE(ours, system) << (cases[i].value ? cases[i].value : "<missing>");
    } else {
      EXPECT_EQ(ours, system) << (cases[i].value ? cases[i].value : "<missing>");
      ++agreeing;
    }
  }
  std::printf("[ integers ] %d agree, %zu differ on purpose\n", agreeing, std::size(cases) - agreeing);
}

// The same writes on two copies of a file, ours and the system's: everything read back
// from both copies (by the system's reader) is the same.
TEST_F(ProfileAgreement, WritesReadBackAsTheSystemsDo) {
  const std::string start =
      "; driver table\r\n"
      "[DCD]\r\n"
      "  DriverNumber = 3 \r\n"
      "Driver=Driver 1\r\n"
      "noeq\r\n"
      "driver=dup\n"
      "\r\n"
      "[Driver 0]\n"
      "Name=\"a\"\r\n"
      "[dcd]\r\n"
      "extra=1\r\n"
      "[" +
      kTrailA + "]\r\n" + kTrailA +
      "=upper\r\n"
      "[last]\r\n"
      "end=1";  // no line ending at the end
  struct Write {
    const char* section;
    std::string key;
    std::string value;
  };
  const std::vector<Write> writes = {
      {"dcd", "DRIVER", "Driver 2"},
      {"DCD", "DriverNumber", "-5"},
      {"Driver 0", "Path", "C:\\x"},
      {"Driver 5", "Name", "  \"spaced\" "},
      {"dcd", "extra", "\"quoted\""},
      {"info", "name", "证券"},
      {"DCD", "newkey", ""},
      {"last", "added", "2"},
      {"", "", ""},  // placeholder replaced below: GBK key with a lower-case trail
  };
  const std::vector<std::pair<std::string, Names>> probes = {
      {"DCD", {"DriverNumber", "Driver", "noeq", "newkey", "extra"}},
      {"dcd", {"driver"}},
      {"Driver 0", {"Name", "Path"}},
      {"Driver 5", {"Name"}},
      {"info", {"name"}},
      {kTrailA, {kTrailA, kTrailLowerA}},
      {"last", {"end", "added"}},
  };
  for (std::size_t i = 0; i < writes.size(); ++i) {
    Write w = writes[i];
    std::string section = w.section;
    if (section.empty()) {
      section = kTrailA;
      w.key = kTrailLowerA;
      w.value = "lower";
    }
    const std::string ours = dir_.Write("ours" + std::to_string(i) + ".ini", start);
    const std::string system = dir_.Write("system" + std::to_string(i) + ".ini", start);
    yv::profile::WriteString(ours, section, w.key, w.value);
    ASSERT_TRUE(WritePrivateProfileStringA(section.c_str(), w.key.c_str(), w.value.c_str(), system.c_str()));
    for (const auto& [probe_section, keys] : probes) {
      for (const auto& key : keys) {
        EXPECT_EQ(SystemString(ours, probe_section, key), SystemString(system, probe_section, key))
            << "write " << i << ": [" << probe_section << "] " << key;
      }
      EXPECT_EQ(SystemKeyNames(ours, probe_section), SystemKeyNames(system, probe_section))
          << "write " << i << ": [" << probe_section << "]";
    }
  }

  // A file that does not exist yet is created by both.
  const std::string ours = dir_.Path() + "\\new_ours.ini";
  const std::string system = dir_.Path() + "\\new_system.ini";
  yv::profile::WriteInteger(ours, "DCD", "DriverNumber", 16);
  ASSERT_TRUE(WritePrivateProfileStringA("DCD", "DriverNumber", "16", system.c_str()));
  EXPECT_EQ(SystemString(ours, "dcd", "drivernumber"), "16");
  EXPECT_EQ(SystemString(system, "dcd", "drivernumber"), "16");
  EXPECT_EQ(GetPrivateProfileIntA("DCD", "DriverNumber", 0, ours.c_str()), 16u);
}

TEST_F(ProfileAgreement, WritesIntoAMissingFolderFailOnBothSides) {
  const std::string path = dir_.Path() + "\\no such folder\\system.ini";
  EXPECT_FALSE(WritePrivateProfileStringA("DCD", "Driver", "Driver 0", path.c_str()));
  try {
    yv::profile::WriteString(path, "DCD", "Driver", "Driver 0");
    ADD_FAILURE() << "no exception";
  } catch (const yv::profile::ProfileWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
  }
}

}  // namespace
