#include <fcntl.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "archive/package_format.h"
#include "archive/package_writer.h"
#include "entry_name_cases.h"
#include "hand_stream.h"
#include "vrktool/commands.h"
#include "vrktool/file_time.h"
#include "vrktool/medium_check.h"
#include "vrktool/native.h"
#include "vrktool/options.h"
#include "vrktool/progress.h"
#include "vrktool/tool_io.h"

namespace fs = std::filesystem;
using namespace yv::vrktool;

namespace {

// u8 literals stay UTF-8 (the other literals of this program are GBK): these are the
// names the file system sees.
const std::string kChineseFolder = u8"中文";
const std::string kChineseFile = u8"说明.txt";

class VrktoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = fs::temp_directory_path() / ("vrktool_test_" + std::to_string(::getpid()) + "_" + info->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  int Tool(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = yv::vrktool::Run(args, out, err);
    out_ = out.str();
    err_ = err.str();
    return code;
  }

  void Write(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(WriteFileBytes(path, content)) << path;
  }

  std::string P(const fs::path& path) const { return path.string(); }

  // A tree with subfolders, a GBK-convertible Chinese name, an empty file, text,
  // binary and incompressible data, and modification times with sub-second parts.
  fs::path MakeTree() {
    const fs::path tree = root_ / "tree";
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "Line " + std::to_string(i % 37) + " of the licence text.\r\n";
    std::mt19937 rng(5);
    std::string noise(70000, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    std::string binary;
    for (int i = 0; i < 50000; ++i) binary.push_back(static_cast<char>(i % 251 < 100 ? 0 : i % 7));
    Write(tree / "Lics.txt", text);
    Write(tree / "empty.dat", "");
    Write(tree / "bin" / "noise.bin", noise);
    Write(tree / "bin" / "prog.exe", binary);
    Write(tree / "bin" / kChineseFolder / kChineseFile, "\xC4\xE3\xBA\xC3\r\n");
    // One time exact in FILETIME units, one with nanoseconds that FILETIME cannot hold.
    EXPECT_TRUE(WriteLastWriteTime(tree / "Lics.txt", 132000000001234567ull));
    EXPECT_TRUE(WriteLastWriteTime(tree / "bin" / "prog.exe", 100000000000000000ull));
    return tree;
  }

  // Every file below `dir`, relative path -> content.
  static std::map<std::string, std::string> Contents(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(dir)) {
      if (item.is_regular_file()) {
        files[fs::relative(item.path(), dir).generic_string()] = *ReadFileBytes(item.path());
      }
    }
    return files;
  }

  fs::path root_;
  std::string out_;
  std::string err_;
};

TEST_F(VrktoolTest, PackVerifyExtractGivesTheSameTreeAndTimes) {
  const fs::path tree = MakeTree();
  const fs::path archive = root_ / "media.vrk";
  ASSERT_EQ(Tool({"pack", "-o", P(archive), P(tree)}), kExitOk) << err_;
  EXPECT_NE(out_.find("input "), std::string::npos);
  EXPECT_NE(out_.find("ratio "), std::string::npos);

  ASSERT_EQ(Tool({"verify", P(archive)}), kExitOk) << err_;
  ASSERT_EQ(Tool({"list", P(archive)}), kExitOk) << err_;
  EXPECT_NE(out_.find(u8"bin\\中文\\说明.txt"), std::string::npos) << out_;
  EXPECT_NE(out_.find("format version 3, 5 entries"), std::string::npos) << out_;

  const fs::path extracted = root_ / "out" / "deeper";
  ASSERT_EQ(Tool({"extract", P(archive), "-C", P(extracted)}), kExitOk) << err_;
  EXPECT_EQ(Contents(extracted), Contents(tree));
  for (const auto& [name, content] : Contents(tree)) {
    SCOPED_TRACE(name);
    const auto source = ReadLastWriteTime(tree / name);
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(ReadLastWriteTime(extracted / name), source);
  }
  EXPECT_EQ(ReadLastWriteTime(extracted / "Lics.txt"), 132000000001234567ull);

  // Names inside are GBK with '\' between folders.
  const auto bytes = ReadFileBytes(archive);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_NE(bytes->find("bin\\\xD6\xD0\xCE\xC4\\\xCB\xB5\xC3\xF7.txt"), std::string::npos);
}

TEST_F(VrktoolTest, OptionsAndOlderVersions) {
  const fs::path tree = root_ / "short";
  Write(tree / "a.txt", std::string(5000, 'a') + "tail");
  Write(tree / "sub" / "b.ini", "[info]\r\n");
  Write(root_ / "single.bin", "plain file given directly");
  for (const char* version : {"0", "1", "2", "3"}) {
    for (const char* mode : {"binary", "ascii"}) {
      for (const char* dict : {"1024", "2048", "4096"}) {
        SCOPED_TRACE(std::string(version) + mode + dict);
        const fs::path archive = root_ / (std::string("v") + version + mode + dict + ".vrk");
        ASSERT_EQ(Tool({"pack", "--format-version", version, "--mode", mode, "--dict", dict, "-o", P(archive), P(tree),
                        P(root_ / "single.bin")}),
                  kExitOk)
            << err_;
        ASSERT_EQ(Tool({"verify", P(archive)}), kExitOk) << err_;
        const fs::path out = root_ / "x" / archive.stem();
        ASSERT_EQ(Tool({"extract", P(archive), "-C", P(out)}), kExitOk) << err_;
        auto expected = Contents(tree);
        expected["single.bin"] = "plain file given directly";
        EXPECT_EQ(Contents(out), expected);
      }
    }
  }
  const fs::path stored = root_ / "stored.vrk";
  ASSERT_EQ(Tool({"pack", "--store", "-o", P(stored), P(tree)}), kExitOk) << err_;
  EXPECT_NE(out_.find("0 compressed, 2 stored"), std::string::npos) << out_;
  EXPECT_EQ(Tool({"verify", P(stored)}), kExitOk) << err_;
}

TEST_F(VrktoolTest, PackedFileRoundTrip) {
  std::string content;
  for (int i = 0; i < 3000; ++i) content += "receiver card driver " + std::to_string(i) + "\n";
  Write(root_ / "driver.sys", content);
  const fs::path packed = root_ / "driver.pk_";
  ASSERT_EQ(Tool({"pack-file", "--mode", "ascii", "--dict", "2048", "-o", P(packed), P(root_ / "driver.sys")}), kExitOk)
      << err_;
  EXPECT_LT(fs::file_size(packed), content.size() / 3);
  ASSERT_EQ(Tool({"verify", P(packed)}), kExitOk) << err_;
  ASSERT_EQ(Tool({"list", P(packed)}), kExitOk) << err_;
  ASSERT_EQ(Tool({"extract", P(packed), "-o", P(root_ / "back.sys")}), kExitOk) << err_;
  EXPECT_EQ(ReadFileBytes(root_ / "back.sys"), content);
}

TEST_F(VrktoolTest, RefusesNamesOlderVersionsOrGbkCannotHold) {
  Write(root_ / "in" / "a_name_of_15_b.txt", "x");
  const fs::path archive = root_ / "old.vrk";
  EXPECT_EQ(Tool({"pack", "--format-version", "0", "-o", P(archive), P(root_ / "in")}), kExitFailed);
  EXPECT_NE(err_.find("at most 14 bytes"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(archive));
  EXPECT_EQ(Tool({"pack", "--format-version", "3", "-o", P(archive), P(root_ / "in")}), kExitOk) << err_;

  // A character GBK has no code for, and bytes that are not UTF-8.
  Write(root_ / "emoji" / u8"😀.txt", "x");
  EXPECT_EQ(Tool({"pack", "-o", P(root_ / "e.vrk"), P(root_ / "emoji")}), kExitFailed);
  EXPECT_NE(err_.find("GBK"), std::string::npos) << err_;
  Write(root_ / "latin" / "\xFF\xFE.txt", "x");
  EXPECT_EQ(Tool({"pack", "-o", P(root_ / "l.vrk"), P(root_ / "latin")}), kExitFailed);

  // Names that only differ in letter case would overwrite each other on Windows.
  Write(root_ / "case" / "A.txt", "1");
  Write(root_ / "case" / "a.txt", "2");
  EXPECT_EQ(Tool({"pack", "-o", P(root_ / "c.vrk"), P(root_ / "case")}), kExitFailed);
}

TEST_F(VrktoolTest, BadContainersExitWithOne) {
  std::string text;
  for (int i = 0; i < 500; ++i) text += "some text " + std::to_string(i);
  Write(root_ / "in" / "t.txt", text);
  const fs::path archive = root_ / "good.vrk";
  ASSERT_EQ(Tool({"pack", "-o", P(archive), P(root_ / "in")}), kExitOk) << err_;
  const std::string good = *ReadFileBytes(archive);

  // A changed byte in the compressed data.
  std::string damaged = good;
  damaged[damaged.size() - 20] ^= 0x55;
  ASSERT_TRUE(WriteFileBytes(root_ / "damaged.vrk", damaged));
  EXPECT_EQ(Tool({"verify", P(root_ / "damaged.vrk"), P(archive)}), kExitFailed);
  EXPECT_NE(err_.find("entry 1 't.txt'"), std::string::npos) << err_;
  EXPECT_NE(out_.find("good.vrk: ok"), std::string::npos) << out_;
  EXPECT_EQ(Tool({"extract", P(root_ / "damaged.vrk"), "-C", P(root_ / "d")}), kExitFailed);
  EXPECT_FALSE(fs::exists(root_ / "d" / "t.txt"));

  // Cut short, bad magic, missing.
  ASSERT_TRUE(WriteFileBytes(root_ / "short.vrk", good.substr(0, good.size() - 1)));
  EXPECT_EQ(Tool({"verify", P(root_ / "short.vrk")}), kExitFailed);
  EXPECT_EQ(Tool({"list", P(root_ / "short.vrk")}), kExitFailed);
  std::string lower = good;
  lower.replace(0, 7, "mevraii");
  ASSERT_TRUE(WriteFileBytes(root_ / "lower.vrk", lower));
  EXPECT_EQ(Tool({"verify", P(root_ / "lower.vrk")}), kExitFailed);
  EXPECT_EQ(Tool({"verify", P(root_ / "missing.vrk")}), kExitFailed);

  // The same kind of damage in a packed file.
  Write(root_ / "f.txt", text);
  ASSERT_EQ(Tool({"pack-file", "-o", P(root_ / "f.pk"), P(root_ / "f.txt")}), kExitOk);
  std::string packed = *ReadFileBytes(root_ / "f.pk");
  packed[31] ^= 1;
  ASSERT_TRUE(WriteFileBytes(root_ / "bad.pk", packed));
  EXPECT_EQ(Tool({"verify", P(root_ / "bad.pk")}), kExitFailed);
  EXPECT_EQ(Tool({"extract", P(root_ / "bad.pk"), "-o", P(root_ / "bad.txt")}), kExitFailed);
  EXPECT_FALSE(fs::exists(root_ / "bad.txt"));
}

TEST_F(VrktoolTest, ExtractNeverLeavesTheDestination) {
  using namespace yv::archive;
  for (const std::string name : {"..\\escaped.txt", "sub\\..\\..\\escaped.txt", "\\escaped.txt", "c:escaped.txt"}) {
    SCOPED_TRACE(name);
    const std::string archive = BuildPackageArchive(3, {EncodeEntry(name, 0, "evil", EntryStorage::kStore, {})});
    ASSERT_TRUE(WriteFileBytes(root_ / "evil.vrk", archive));
    fs::create_directories(root_ / "dest" / "sub");
    EXPECT_EQ(Tool({"extract", P(root_ / "evil.vrk"), "-C", P(root_ / "dest" / "sub")}), kExitFailed);
    EXPECT_FALSE(fs::exists(root_ / "dest" / "escaped.txt"));
    EXPECT_FALSE(fs::exists(root_ / "escaped.txt"));
    EXPECT_TRUE(fs::is_empty(root_ / "dest" / "sub"));
  }
}

TEST_F(VrktoolTest, UsageErrorsExitWithTwo) {
  Write(root_ / "f.txt", "x");
  const std::string f = P(root_ / "f.txt");
  EXPECT_EQ(Tool({}), kExitUsage);
  EXPECT_EQ(Tool({"unpack", f}), kExitUsage);
  EXPECT_EQ(Tool({"pack", f}), kExitUsage);                            // no -o
  EXPECT_EQ(Tool({"pack", "-o", P(root_ / "a.vrk")}), kExitUsage);     // nothing to pack
  EXPECT_EQ(Tool({"pack", "-o", P(root_ / "a.pak"), f}), kExitUsage);  // not ".vrk"
  EXPECT_EQ(Tool({"pack", "-o", P(root_ / "a.VRK"), f}), kExitUsage);  // case-sensitive
  EXPECT_EQ(Tool({"pack", "--dict", "8192", "-o", P(root_ / "a.vrk"), f}), kExitUsage);
  EXPECT_EQ(Tool({"pack", "--mode", "text", "-o", P(root_ / "a.vrk"), f}), kExitUsage);
  EXPECT_EQ(Tool({"pack", "--format-version", "4", "-o", P(root_ / "a.vrk"), f}), kExitUsage);
  EXPECT_EQ(Tool({"pack", "--level", "9", "-o", P(root_ / "a.vrk"), f}), kExitUsage);
  EXPECT_EQ(Tool({"pack", "-o"}), kExitUsage);
  for (const char* jobs : {"0", "x", "257", ""}) {
    EXPECT_EQ(Tool({"pack", "-j", jobs, "-o", P(root_ / "a.vrk"), f}), kExitUsage) << jobs;
  }
  EXPECT_EQ(Tool({"pack-file", "-j"}), kExitUsage);
  EXPECT_EQ(Tool({"pack-file", "-o", P(root_ / "a.vrk.pk"), f}), kExitUsage);  // would be a package
  EXPECT_EQ(Tool({"pack-file", "-o", P(root_ / "a.pk"), f, f}), kExitUsage);
  EXPECT_EQ(Tool({"extract", P(root_ / "a.vrk"), "-o", f}), kExitUsage);
  EXPECT_EQ(Tool({"extract", P(root_ / "a.pk"), "-C", P(root_)}), kExitUsage);
  EXPECT_EQ(Tool({"list"}), kExitUsage);
  EXPECT_EQ(Tool({"verify"}), kExitUsage);
  EXPECT_NE(err_.find("--help"), std::string::npos);
  EXPECT_FALSE(fs::exists(root_ / "a.vrk"));
  EXPECT_EQ(Tool({"--help"}), kExitOk);
  EXPECT_NE(out_.find("vrktool pack "), std::string::npos);
  // Every command answers --help (anywhere among its arguments) with its own usage.
  for (const CommandSyntax& syntax : CommandSyntaxes()) {
    const std::string name(syntax.name);
    EXPECT_EQ(Tool({name, "--help"}), kExitOk) << name;
    EXPECT_EQ(out_.rfind("Usage: vrktool " + name + " ", 0), 0u) << out_;
    EXPECT_EQ(Tool({name, f, "-h"}), kExitOk) << name;
    EXPECT_EQ(Tool({name, "--no-such-option"}), kExitUsage) << name;
    EXPECT_NE(err_.find("vrktool " + name + " --help"), std::string::npos) << err_;
  }
}

// The same archive and packed file for any number of threads, with content of several
// encoder segments among small files.
TEST_F(VrktoolTest, PackIsTheSameForAnyNumberOfThreads) {
  const fs::path tree = MakeTree();
  std::string large;
  for (int i = 0; large.size() < 3 * yv::archive::kImplodeSegmentSize + 99; ++i) {
    large += "row " + std::to_string(i * 7919 % 1000) + (i % 5 ? " ok\n" : " changed\n");
  }
  Write(tree / "large.txt", large);
  std::string bytes;
  for (const char* jobs : {"1", "2", "4"}) {
    SCOPED_TRACE(jobs);
    const fs::path archive = root_ / (std::string("j") + jobs + ".vrk");
    ASSERT_EQ(Tool({"pack", "-j", jobs, "--mode", "ascii", "-o", P(archive), P(tree)}), kExitOk) << err_;
    EXPECT_EQ(err_, "");  // no progress line off a terminal
    if (bytes.empty()) bytes = *ReadFileBytes(archive);
    EXPECT_TRUE(ReadFileBytes(archive) == bytes);
    const fs::path packed = root_ / (std::string("j") + jobs + ".pk");
    ASSERT_EQ(Tool({"pack-file", "-j", jobs, "-o", P(packed), P(tree / "large.txt")}), kExitOk) << err_;
    EXPECT_TRUE(ReadFileBytes(packed) == ReadFileBytes(root_ / "j1.pk"));
  }
  ASSERT_EQ(Tool({"extract", P(root_ / "j4.vrk"), "-C", P(root_ / "out")}), kExitOk) << err_;
  EXPECT_EQ(Contents(root_ / "out"), Contents(tree));
  ASSERT_EQ(Tool({"verify", P(root_ / "j4.pk")}), kExitOk) << err_;
}

TEST_F(VrktoolTest, InitWritesAMediumThatPassesItsCheck) {
  const fs::path medium = root_ / "new" / "medium";
  ASSERT_EQ(Tool({"init", P(medium)}), kExitOk) << err_;
  for (const Finding& f : CheckMedium(medium)) EXPECT_EQ(f.severity, Severity::kInfo) << f.code << ": " << f.message;
  ASSERT_EQ(Tool({"verify", P(medium / "program.vrk")}), kExitOk) << err_;
  // The description is GBK, with its comments.
  const std::string description = *ReadFileBytes(medium / "install.ini");
  for (const char* line : {"; \xD7\xE9\xBC\xFE", "\r\nversion=", "\r\npublisher="}) {  // "; 组件"
    EXPECT_NE(description.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(Tool({"init", P(medium)}), kExitFailed);  // never over what is there
}

// Runs the vrktool program with its standard error on a pseudo-terminal (standard
// output goes to /dev/null); what the terminal received.
std::string RunOnTerminal(const std::vector<std::string>& args) {
  int terminal = -1;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull < 0 || dup2(devNull, STDOUT_FILENO) < 0) _exit(126);
    std::vector<char*> argv{const_cast<char*>(YV_VRKTOOL_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  std::string received;
  if (pid < 0) return received;
  char buffer[4096];
  for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;)
    received.append(buffer, static_cast<std::size_t>(n));
  int status = 0;
  waitpid(pid, &status, 0);
  close(terminal);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << received;
  return received;
}

TEST_F(VrktoolTest, ProgressLineOnlyOnATerminal) {
  const fs::path tree = MakeTree();
  const std::string archive = P(root_ / "p.vrk");
  const std::string line = RunOnTerminal({"pack", "-o", archive, P(tree)});
  // Drawn over itself and cleared at the end: carriage returns, no line feed.
  EXPECT_NE(line.find(" MB of "), std::string::npos) << line;
  EXPECT_EQ(line.find('\n'), std::string::npos) << line;
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line.front(), '\r');
  EXPECT_EQ(line.back(), '\r');
  EXPECT_NE(RunOnTerminal({"verify", archive}).find(" MB of "), std::string::npos);
  EXPECT_EQ(RunOnTerminal({"verify", "--quiet", archive}), "");
  EXPECT_EQ(RunOnTerminal({"extract", "--quiet", archive, "-C", P(root_ / "out")}), "");
}

// Archives built to hurt the user who extracts them, with what each command must say
// and, in every case, the file outside DIR that must not change.
struct HostileCase {
  const char* what;
  std::vector<yv::archive::EncodedEntry> entries;
  std::vector<std::pair<std::string, std::string>> links;  // planted in DIR: name -> target
  int verify;
  int extract;
  std::map<std::string, std::string> extracted;  // files DIR must then hold (when extract passes)
  std::string trailing = "";
};

yv::archive::EncodedEntry Entry(const std::string& name, const std::string& content, bool compress = false) {
  using namespace yv::archive;
  return EncodeEntry(name, 0, content, compress ? EntryStorage::kCompress : EntryStorage::kStore, {});
}

std::vector<HostileCase> HostileCases() {
  using namespace yv::archive;
  EncodedEntry badStored = Entry("f.txt", "content");
  badStored.entry.contentChecksum ^= 1;
  EncodedEntry flipped = Entry("f.txt", std::string(3000, 'z'), true);
  flipped.entry.compressedFlag = 0;
  EncodedEntry cutZeros = Entry("z.bin", std::string(1000, '\0'), true);
  cutZeros.data.resize(2);  // the stream's header only: "too short", checksum 0 as expected
  EncodedEntry empty = Entry("empty.bin", "", true);
  const std::string longName = std::string(251, 'n') + ".txt";
  return {
      {"a link in DIR to a folder outside", {Entry("sub\\x.txt", "evil")}, {{"sub", "../outside"}}, 0, 1, {}},
      {"a link in DIR at the entry's own name",
       {Entry("f.txt", "new")},
       {{"f.txt", "../outside/target"}},
       0,
       0,
       {{"f.txt", "new"}}},
      {"a link at the old predictable temporary name",
       {Entry("f.txt", "new")},
       {{"f.txt.vrktool-tmp", "../outside/target"}},
       0,
       0,
       {{"f.txt", "new"}}},
      {"a 255-byte name", {Entry(longName, "long")}, {}, 0, 0, {{longName, "long"}}},
      {"an entry named like a temporary file, then its base",
       {Entry("a.vrktool-tmp", "1"), Entry("a", "2")},
       {},
       0,
       0,
       {{"a.vrktool-tmp", "1"}, {"a", "2"}}},
      {"a stored entry with a wrong checksum", {badStored}, {}, 1, 1, {}},
      {"a compressed entry flagged as stored", {flipped}, {}, 1, 1, {}},
      {"a compressed entry of zeros cut to its header", {cutZeros}, {}, 1, 1, {}},
      {"the stream of empty content", {empty}, {}, 0, 0, {{"empty.bin", ""}}},
      {"an entry named '.'", {Entry(".", "dot")}, {}, 1, 1, {}},
      {"names that Windows takes as one",
       {Entry("Read.me", "1"), Entry("sub\\x", "2"), Entry("READ.ME", "3")},
       {},
       1,
       1,
       {}},
      {"a device name", {Entry("ok.txt", "1"), Entry("COM0", "2")}, {}, 1, 1, {}},
      {"a file that another entry needs as a folder",
       {Entry("Sub\\deeper\\x", "1"), Entry("sub/DEEPER", "2")},
       {},
       1,
       1,
       {}},
      {"bytes after the last entry", {Entry("ok.txt", "1")}, {}, 0, 0, {{"ok.txt", "1"}}, "trailing junk"},
  };
}

TEST_F(VrktoolTest, HostileArchivesNeverReachOutsideDir) {
  for (const HostileCase& c : HostileCases()) {
    SCOPED_TRACE(c.what);
    const fs::path dir = root_ / "dir";
    const fs::path outside = root_ / "outside";
    fs::remove_all(dir);
    fs::remove_all(outside);
    Write(outside / "target", "precious");
    fs::create_directories(dir);
    for (const auto& [name, target] : c.links) fs::create_symlink(target, dir / name);
    const fs::path archive = root_ / "hostile.vrk";
    ASSERT_TRUE(WriteFileBytes(archive, yv::archive::BuildPackageArchive(3, c.entries) + c.trailing));

    EXPECT_EQ(Tool({"verify", P(archive)}), c.verify) << err_;
    if (!c.trailing.empty()) {
      EXPECT_NE(out_.find("13 bytes after the last entry"), std::string::npos) << out_;
    }
    if (c.verify != 0) {
      EXPECT_NE(err_.find("entry "), std::string::npos) << err_;
    }
    EXPECT_EQ(Tool({"extract", P(archive), "-C", P(dir)}), c.extract) << err_;
    EXPECT_EQ(Contents(outside), (std::map<std::string, std::string>{{"target", "precious"}}));
    EXPECT_FALSE(fs::is_symlink(outside / "target"));
    // Nothing but the entries (and the planted links) in DIR: no temporary files left.
    std::map<std::string, std::string> inDir;
    for (const auto& item : fs::recursive_directory_iterator(dir)) {
      if (!item.is_symlink() && item.is_regular_file()) {
        inDir[fs::relative(item.path(), dir).string()] = *ReadFileBytes(item.path());
      }
    }
    EXPECT_EQ(inDir, c.extracted);
  }
}

TEST_F(VrktoolTest, StoredChecksumAndNamesAreReportedPlainly) {
  yv::archive::EncodedEntry bad = Entry("f.txt", "content");
  bad.entry.contentChecksum = 0x12345678;
  ASSERT_TRUE(WriteFileBytes(root_ / "s.vrk", yv::archive::BuildPackageArchive(3, {bad})));
  EXPECT_EQ(Tool({"verify", P(root_ / "s.vrk")}), kExitFailed);
  EXPECT_NE(err_.find("entry 1 'f.txt': this stored entry's checksum does not match"), std::string::npos) << err_;
  EXPECT_NE(err_.find("the wizard would install it unchecked"), std::string::npos) << err_;

  // Every name the rule refuses is refused by verify and extract, and list shows it
  // escaped on a line of its own.
  for (const auto& c : yv::test::kEntryNameCases) {
    if (c.verdict == yv::archive::NameVerdict::kOk || c.name.empty()) continue;
    SCOPED_TRACE(std::string(c.name));
    const std::string archive =
        yv::archive::BuildPackageArchive(3, {Entry(std::string(c.name), "x"), Entry("after", "y")});
    ASSERT_TRUE(WriteFileBytes(root_ / "n.vrk", archive));
    EXPECT_EQ(Tool({"verify", P(root_ / "n.vrk")}), kExitFailed);
    EXPECT_EQ(err_.find("entry 1: entry"), std::string::npos) << err_;  // numbered once
    EXPECT_EQ(Tool({"extract", P(root_ / "n.vrk"), "-C", P(root_ / "d")}), kExitFailed);
    EXPECT_FALSE(fs::exists(root_ / "d"));  // refused before anything is created
    EXPECT_EQ(Tool({"list", P(root_ / "n.vrk")}), kExitFailed);
    EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 3) << out_;
    EXPECT_EQ(out_.find('\x1B'), std::string::npos);
    EXPECT_NE(out_.find("[refused: the name "), std::string::npos) << out_;
  }
}

TEST_F(VrktoolTest, CutPackedFilesFailAndTheEmptyStreamPasses) {
  Write(root_ / "z", std::string(1000, '\0'));
  ASSERT_EQ(Tool({"pack-file", "-o", P(root_ / "z.pk"), P(root_ / "z")}), kExitOk);
  const std::string whole = *ReadFileBytes(root_ / "z.pk");
  for (std::size_t cut : {64, 66, 68}) {
    SCOPED_TRACE(cut);
    ASSERT_TRUE(WriteFileBytes(root_ / "cut.pk", whole.substr(0, cut)));
    EXPECT_EQ(Tool({"verify", P(root_ / "cut.pk")}), kExitFailed);
    EXPECT_NE(err_.find("cut short"), std::string::npos) << err_;
    EXPECT_EQ(Tool({"extract", P(root_ / "cut.pk"), "-o", P(root_ / "out" / "z")}), kExitFailed);
    EXPECT_TRUE(fs::is_empty(root_ / "out"));
  }
  Write(root_ / "e", "");
  ASSERT_EQ(Tool({"pack-file", "-o", P(root_ / "e.pk"), P(root_ / "e")}), kExitOk);
  EXPECT_EQ(fs::file_size(root_ / "e.pk"), 68u);
  EXPECT_EQ(Tool({"verify", P(root_ / "e.pk")}), kExitOk) << err_;
  EXPECT_EQ(Tool({"extract", P(root_ / "e.pk"), "-o", P(root_ / "out" / "e")}), kExitOk) << err_;
  EXPECT_EQ(ReadFileBytes(root_ / "out" / "e"), "");
}

// Runs the vrktool program with its address space limited; its exit code and peak
// resident memory in bytes.
std::pair<int, long> RunLimited(const std::vector<std::string>& args, rlim_t addressSpace) {
  // The child's peak counts the pages it shares with this process until the exec: hand
  // back what earlier tests freed (the encoder's threads leave arenas behind).
  malloc_trim(0);
  const pid_t pid = fork();
  if (pid == 0) {
    const struct rlimit limit { addressSpace, addressSpace };
    setrlimit(RLIMIT_AS, &limit);
    if (!freopen("/dev/null", "w", stdout)) _exit(126);
    std::vector<char*> argv{const_cast<char*>(YV_VRKTOOL_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), usage.ru_maxrss * 1024};
}

TEST_F(VrktoolTest, MemoryStaysBoundedWhateverTheContentSize) {
  // Zeros: one literal, then 518-byte copies of distance 1 (3 bytes each): 1 GiB of
  // content in 6 MB, as a package entry and as a packed file.
  auto zeros = [](uint64_t copies) {
    yv::testing::HandStream s(0, 6);
    s.Literal(0);
    for (uint64_t i = 0; i < copies; ++i) s.Copy(518, 1);
    s.EndOfStream();
    return s.Bytes();
  };
  const std::string stream = zeros((1u << 30) / 518 + 1);
  yv::archive::EncodedEntry entry = Entry("bomb.bin", "", true);
  entry.data = stream;
  entry.entry.storedSize = static_cast<uint32_t>(stream.size());
  ASSERT_TRUE(WriteFileBytes(root_ / "bomb.vrk", yv::archive::BuildPackageArchive(3, {entry})));
  ASSERT_TRUE(WriteFileBytes(root_ / "bomb.pk", yv::archive::EncodePackedFileHeader(0) + stream));
  // 100 MiB of content for extract, written to disk.
  constexpr uint64_t kBigCopies = (100u << 20) / 518 + 1;
  entry.data = zeros(kBigCopies);
  entry.entry.storedSize = static_cast<uint32_t>(entry.data.size());
  ASSERT_TRUE(WriteFileBytes(root_ / "big.vrk", yv::archive::BuildPackageArchive(3, {entry})));
  ASSERT_TRUE(WriteFileBytes(root_ / "big.pk", yv::archive::EncodePackedFileHeader(0) + entry.data));

  constexpr rlim_t kAddressSpace = 200u << 20;  // far less than the content
  constexpr long kResidentBound = 24l << 20;
  for (const std::vector<std::string>& args : {std::vector<std::string>{"verify", P(root_ / "bomb.vrk")},
                                               {"verify", P(root_ / "bomb.pk")},
                                               {"list", P(root_ / "bomb.vrk")},
                                               {"extract", P(root_ / "big.pk"), "-o", P(root_ / "out.bin")},
                                               {"extract", P(root_ / "big.vrk"), "-C", P(root_ / "out")}}) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    const auto [code, peak] = RunLimited(args, kAddressSpace);
    EXPECT_EQ(code, 0);
    EXPECT_LT(peak, kResidentBound);
  }
  EXPECT_EQ(fs::file_size(root_ / "out.bin"), 1 + 518 * kBigCopies);
  // What still needs memory by size (packing a file) reports instead of aborting.
  { std::ofstream(root_ / "huge.bin"); }
  fs::resize_file(root_ / "huge.bin", 300u << 20);
  EXPECT_EQ(RunLimited({"pack-file", "-o", P(root_ / "huge.pk"), P(root_ / "huge.bin")}, kAddressSpace).first,
            kExitFailed);
  EXPECT_EQ(fs::file_size(root_ / "out" / "bomb.bin"), 1 + 518 * kBigCopies);
}

TEST(VrktoolOptions, OneParserForEveryCommand) {
  const CommandSyntax& pack = *FindCommandSyntax("pack");
  std::ostringstream err;
  auto parsed =
      ParseCommand(pack, {"pack", "a", "-o", "x.vrk", "--store", "-j", "3", "-o", "y.vrk", "--", "-b", "--help"}, err);
  ASSERT_TRUE(parsed.has_value()) << err.str();
  EXPECT_EQ(parsed->operands, (std::vector<std::string>{"a", "-b", "--help"}));  // "--" ends the options
  EXPECT_EQ(parsed->Value("-o"), "y.vrk");                                       // the last one counts
  EXPECT_TRUE(parsed->Has("--store"));
  EXPECT_FALSE(parsed->help);
  EXPECT_EQ(parsed->Value("--dict", "4096"), "4096");
  unsigned jobs = 0;
  EXPECT_TRUE(JobsFrom(*parsed, jobs, err));
  EXPECT_EQ(jobs, 3u);
  EXPECT_TRUE(ParseCommand(pack, {"pack", "x", "-h"}, err)->help);
  EXPECT_FALSE(ParseCommand(pack, {"pack", "-j"}, err).has_value());  // a value is missing
  EXPECT_FALSE(ParseCommand(*FindCommandSyntax("list"), {"list", "--store", "x"}, err).has_value());
  EXPECT_EQ(FindCommandSyntax("unpack"), nullptr);
}

TEST(VrktoolProgress, DrawsOverItselfAndClearsBeforeMessages) {
  std::ostringstream shown;
  {
    Progress progress(shown, true, 2'000'000);
    progress.Add(1'000'000);  // the first step draws at once
    EXPECT_EQ(shown.str(), "\r1.0 MB of 2.0 MB");
    progress.Messages() << "vrktool: a message\n";
    EXPECT_EQ(shown.str(), "\r1.0 MB of 2.0 MB\r" + std::string(16, ' ') + "\rvrktool: a message\n");
    progress.Add(1);  // within a tenth of a second: not drawn again
  }
  std::ostringstream hidden;
  {
    Progress progress(hidden, false, 10);
    progress.Set(5);
    progress.Messages() << "plain\n";
  }
  EXPECT_EQ(hidden.str(), "plain\n");
  EXPECT_FALSE(ProgressShown(true, true));
  EXPECT_FALSE(ProgressShown(false, false));
}

TEST(VrktoolFileTime, FormatsTheCalendarDate) {
  EXPECT_EQ(FormatFileTime(0), "1601-01-01 00:00:00.0000000 UTC");
  EXPECT_EQ(FormatFileTime(116444736000000000ull), "1970-01-01 00:00:00.0000000 UTC");
  EXPECT_EQ(FormatFileTime(132000000001234567ull), "2019-04-17 18:40:00.1234567 UTC");
  EXPECT_EQ(FormatFileTime(116444736000000000ull - 1), "1969-12-31 23:59:59.9999999 UTC");  // leap years on the way
}

TEST(VrktoolFileTime, ConvertsExactlyBothWays) {
  EXPECT_EQ(UnixToFileTime({0, 0}), 116444736000000000ull);
  EXPECT_EQ(UnixToFileTime({-kFileTimeEpochOffsetSeconds, 0}), 0ull);
  EXPECT_EQ(UnixToFileTime({-kFileTimeEpochOffsetSeconds - 1, 999999999}), std::nullopt);
  EXPECT_EQ(UnixToFileTime({1, 123456789}), 116444736000000000ull + 10000000ull + 1234567ull);
  EXPECT_EQ(UnixToFileTime({0, 1000000000}), std::nullopt);

  const UnixTime before1970 = FileTimeToUnix(116444736000000000ull - 5000000ull);  // 0.5 s before
  EXPECT_EQ(before1970.seconds, -1);
  EXPECT_EQ(before1970.nanoseconds, 500000000u);
  for (uint64_t ft : {0ull, 1ull, 116444736000000000ull, 132000000001234567ull, 0x7FFF'FFFF'FFFF'FFFFull}) {
    EXPECT_EQ(UnixToFileTime(FileTimeToUnix(ft)), ft);
  }
}

}  // namespace
