// Extraction of package archives and packed files into real folders on the Wine drive,
// with scripted message boxes, and the faults the user is asked about.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/byte_order.h"
#include "archive/crc32.h"
#include "archive/implode.h"
#include "archive/package_writer.h"
#include "archive/win/extract.h"
#include "entry_name_cases.h"
#include "platform/file_io.h"
#include "text/cp936.h"
#include "win_test_support.h"

using namespace yv::archive;
using yv::test::FilesIn;
using yv::test::FillDisk;
using yv::test::MessageBoxScript;
using yv::test::ScratchDir;
using yv::test::SmallDisk;

namespace {

// Message boxes are answered by the script and never shown, so any handle values do.
HWND const kPage = reinterpret_cast<HWND>(0x1111);
HWND const kAppWindow = reinterpret_cast<HWND>(0x2222);
constexpr UINT kWarningStyle = MB_OK | MB_ICONINFORMATION;

// The quiet variant's boxes, owned by the page.
FaultBoxes pageFaults(kPage);

class RecordingProgress : public ExtractionProgress {
 public:
  void SetArchiveMaximum(int entryCount) override { maximum = entryCount; }
  void StepArchive() override { ++steps; }
  void SetFileLabel(const std::string& text) override { labels.push_back(text); }
  void ProcessMessages() override {
    ++processed;
    if (onProcess) onProcess(processed);
  }
  HWND Window() override { return kPage; }
  HWND ApplicationWindow() override { return kAppWindow; }

  int maximum = -1;
  int steps = 0;
  int processed = 0;
  std::vector<std::string> labels;
  std::function<void(int)> onProcess;  // what happens while the page processes messages
};

std::optional<std::string> Content(const std::string& path) {
  return yv::platform::ReadWholeFile(path);
}

bool Exists(const std::string& path) {
  return yv::platform::PathExists(path);
}

uint64_t LastWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(yv::text::ToWide(path).c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

uint64_t Now() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::string Text(std::size_t size) {
  std::string s;
  for (std::size_t i = 0; s.size() < size; ++i) s += "line " + std::to_string(i * 7919 % 1000) + " of text\r\n";
  s.resize(size);
  return s;
}

EncodedEntry Stored(const std::string& name, const std::string& content, uint64_t time = 0) {
  return EncodeEntry(name, time, content, EntryStorage::kStore, {});
}

EncodedEntry Compressed(const std::string& name, const std::string& content, uint64_t time = 0) {
  return EncodeEntry(name, time, content, EntryStorage::kCompress, {ImplodeLiteralMode::kAscii, 2048});
}

// Writes a file while the extraction may still have it open for reading.
void Rewrite(const std::string& path, const std::string& bytes, std::size_t keep) {
  HANDLE file = CreateFileW(yv::text::ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(keep), &written, nullptr);
  SetEndOfFile(file);
  CloseHandle(file);
}

// Another process that holds a file open without sharing, as a running program does.
class Holder {
 public:
  Holder(const std::string& path, int ms) {
    std::wstring command = L"\"" + yv::text::ToWide(yv::test::ProgramBeside("console_probe.exe")) + L"\" --ms=" +
                           std::to_wstring(ms) + L" --hold=" + yv::text::ToWide(path);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // not the test's own output
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
      return;
    // A first start in a fresh prefix can take seconds; a helper that ended never holds.
    for (int i = 0; i < 1200 && !held && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; ++i) {
      HANDLE probe = CreateFileW(yv::text::ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
      held = probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
      if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
      if (!held) Sleep(25);
    }
  }
  ~Holder() { End(); }
  // Lets go: the helper has ended (or is ended now).
  void End(bool wait = false) {
    if (!process_.hProcess) return;
    if (!wait || WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
  }
  bool held = false;

 private:
  PROCESS_INFORMATION process_{};
};

constexpr uint64_t kTime1 = 0x01D0123456789ABCull;  // a day in 2014
constexpr uint64_t kTime2 = 0x01C0000000000000ull;

}  // namespace

TEST(Extraction, Version3ArchiveGoesIntoTheInstallationFolderWithItsTimes) {
  ScratchDir dir;
  const std::string install = dir.Folder("app");
  dir.Folder("app\\bin");
  const std::string big = Text(300000);
  std::vector<EncodedEntry> entries = {Stored("readme.txt", "stored bytes", kTime1),
                                       Compressed("bin\\main.dat", big, kTime2), Compressed("empty.txt", "", kTime1)};
  entries[1].entry.compressedFlag = 2;  // any non-zero flag means compressed
  const std::string container = dir.Write("media\\data.vrk", BuildPackageArchive(3, entries));

  MessageBoxScript boxes;
  RecordingProgress progress;
  ASSERT_TRUE(InstallPackageItem(progress, yv::test::DirectChanges(), install, container, "."));
  EXPECT_TRUE(boxes.Calls().empty());
  EXPECT_EQ(Content(install + "\\readme.txt"), "stored bytes");
  EXPECT_EQ(Content(install + "\\bin\\main.dat"), big);
  EXPECT_EQ(Content(install + "\\empty.txt"), "");
  EXPECT_EQ(LastWriteTime(install + "\\readme.txt"), kTime1);
  EXPECT_EQ(LastWriteTime(install + "\\bin\\main.dat"), kTime2);
  EXPECT_EQ(LastWriteTime(install + "\\empty.txt"), kTime1);

  EXPECT_EQ(progress.maximum, 3);
  EXPECT_EQ(progress.steps, 3);
  EXPECT_EQ(progress.processed, 3);
  ASSERT_EQ(progress.labels.size(), 3u);
  EXPECT_EQ(progress.labels[1], "安装" + container + " 到 " + install + "\\bin\\main.dat");
}

TEST(Extraction, OlderVersionsKeepTheTimeOfExtractionAndTokensPickTheFolder) {
  ScratchDir dir;
  const std::string install = dir.Folder("app");
  const std::string sub = dir.Folder("app\\sub");
  const std::string container =
      dir.Write("data.vrk", BuildPackageArchive(1, {Compressed("a.txt", "alpha"), Stored("b.txt", "beta")}));
  MessageBoxScript boxes;
  const uint64_t before = Now();
  ASSERT_TRUE(InstallPackageItemQuiet(pageFaults, yv::test::DirectChanges(), install, container, "sub"));
  EXPECT_EQ(Content(sub + "\\a.txt"), "alpha");
  EXPECT_EQ(Content(sub + "\\b.txt"), "beta");
  EXPECT_FALSE(Exists(install + "\\a.txt"));
  EXPECT_GE(LastWriteTime(sub + "\\a.txt") + 20000000, before);  // within 2 s of now
  EXPECT_TRUE(boxes.Calls().empty());

  // Case matters in tokens: "windir" is a subfolder of the installation folder.
  EXPECT_EQ(*ResolveDestination(install, "windir"), install + "\\windir");
  EXPECT_EQ(*ResolveDestination(install, "."), install);
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(*ResolveDestination(install, "WINDIR"), yv::text::FromWide(windows));
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_EQ(*ResolveDestination(install, "WINSYSDIR"), yv::text::FromWide(system));
  EXPECT_FALSE(ResolveDestination(install, std::string(300, 'x')));
}

TEST(Extraction, WindowsFolderTokenPutsEntriesThere) {
  ScratchDir dir;
  const std::string name = "yv_extract_" + std::to_string(GetCurrentProcessId()) + ".tmp";
  const std::string container = dir.Write("drivers.vrk", BuildPackageArchive(3, {Compressed(name, "driver")}));
  MessageBoxScript boxes;
  ASSERT_TRUE(InstallPackageItemQuiet(pageFaults, yv::test::DirectChanges(), dir.Path(), container, "WINDIR"));
  const std::string placed = *ResolveDestination("", "WINDIR") + "\\" + name;
  EXPECT_EQ(Content(placed), "driver");
  DeleteFileW(yv::text::ToWide(placed).c_str());
}

TEST(Extraction, ContainerKindComesFromThePath) {
  ScratchDir dir;
  const std::string install = dir.Folder("app");
  // ".vrk" in a folder name makes a package archive of any file below it.
  const std::string archive = dir.Write("cd.vrk\\disk1.bin", BuildPackageArchive(0, {Stored("x.txt", "x")}));
  MessageBoxScript boxes;
  ASSERT_TRUE(InstallPackageItemQuiet(pageFaults, yv::test::DirectChanges(), install, archive, "."));
  EXPECT_EQ(Content(install + "\\x.txt"), "x");

  // Capital letters: a packed file, so the package archive fails its magic quietly.
  const std::string capital = dir.Write("DATA.VRK", BuildPackageArchive(0, {Stored("y.txt", "y")}));
  EXPECT_FALSE(InstallPackageItemQuiet(pageFaults, yv::test::DirectChanges(), install, capital, "y.txt"));
  EXPECT_TRUE(boxes.Calls().empty());
}

TEST(Extraction, PackedFilesDecodeIntoTheNamedFile) {
  ScratchDir dir;
  const std::string install = dir.Folder("app");
  const std::string content = Text(70000);
  std::string packed = BuildPackedFile(content, {ImplodeLiteralMode::kBinary, 4096});
  packed.replace(0, 7, "mevraii");  // the packed file's magic ignores letter case
  const std::string container = dir.Write("main.ex_", packed);
  MessageBoxScript boxes;
  RecordingProgress progress;
  ASSERT_TRUE(InstallPackageItem(progress, yv::test::DirectChanges(), install, container, "main.exe"));
  EXPECT_EQ(Content(install + "\\main.exe"), content);
  EXPECT_EQ(progress.maximum, -1);  // packed files show no progress

  // "." resolves to a folder: decoding fails, without a message of its own.
  EXPECT_FALSE(InstallPackageItem(progress, yv::test::DirectChanges(), install, container, "."));
  // A wrong checksum fails and leaves the earlier file.
  std::string wrong = packed;
  wrong[31] = static_cast<char>(wrong[31] ^ 1);
  EXPECT_FALSE(
      DecodePackedFile(yv::test::DirectChanges(), pageFaults, dir.Write("wrong.ex_", wrong), install + "\\main.exe"));
  EXPECT_EQ(Content(install + "\\main.exe"), content);
  // A stream cut short fails even where the content's checksum is 0 (all zeros).
  std::string zeros = BuildPackedFile(std::string(50000, '\0'), {});
  EXPECT_TRUE(
      DecodePackedFile(yv::test::DirectChanges(), pageFaults, dir.Write("zeros.ex_", zeros), install + "\\zeros.bin"));
  for (std::size_t cut : {zeros.size() - 2, std::size_t{66}, std::size_t{64}}) {
    // Cut inside the stream, or so short that nothing decodes and the checksum 0 matches.
    EXPECT_FALSE(DecodePackedFile(yv::test::DirectChanges(), pageFaults, dir.Write("cut.ex_", zeros.substr(0, cut)),
                                  install + "\\cut.bin"))
        << cut;
  }
  // The 4-byte stream of empty content is whole, though too short to decode.
  EXPECT_TRUE(DecodePackedFile(yv::test::DirectChanges(), pageFaults, dir.Write("empty.ex_", BuildPackedFile("", {})),
                               install + "\\empty.bin"));
  EXPECT_EQ(Content(install + "\\empty.bin"), "");
  // Shorter than its header.
  EXPECT_FALSE(DecodePackedFile(yv::test::DirectChanges(), pageFaults, dir.Write("short.ex_", "MEVRAII"),
                                install + "\\short.bin"));
  EXPECT_TRUE(boxes.Calls().empty());
}

TEST(Extraction, MissingContainerIsReportedBeforeAnythingElse) {
  ScratchDir dir;
  const std::string install = dir.Folder("app");
  MessageBoxScript boxes;
  RecordingProgress progress;
  const std::string missing = dir.Path() + "\\nothing.vrk";
  EXPECT_FALSE(InstallPackageItem(progress, yv::test::DirectChanges(), install, missing, "WINDIR"));
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, missing + "数据文件错误!");
  EXPECT_EQ(boxes.Calls()[0].caption, "错误");
  EXPECT_EQ(boxes.Calls()[0].style, static_cast<UINT>(MB_OK));
  EXPECT_EQ(boxes.Calls()[0].owner, kPage);
  EXPECT_EQ(progress.maximum, -1);

  // A path too long for the 255-byte message is shortened, never overflowing it.
  const std::string longPath = dir.Path() + "\\" + std::string(250, 'p') + ".bin";
  EXPECT_FALSE(InstallPackageItemQuiet(pageFaults, yv::test::DirectChanges(), install, longPath, "x"));
  ASSERT_EQ(boxes.Calls().size(), 2u);
  EXPECT_EQ(boxes.Calls()[1].text.size(), 255u);
}

TEST(Extraction, EmptyArchiveAndHeaderFailures) {
  ScratchDir dir;
  const std::string install = dir.Folder("app");
  MessageBoxScript boxes;
  RecordingProgress progress;
  EXPECT_TRUE(InstallPackageItem(progress, yv::test::DirectChanges(), install,
                                 dir.Write("none.vrk", BuildPackageArchive(2, {})), "."));
  EXPECT_EQ(progress.maximum, 0);
  EXPECT_EQ(progress.steps, 0);
  EXPECT_TRUE(boxes.Calls().empty());

  std::string archive = BuildPackageArchive(3, {Stored("a.txt", "a")});
  archive[8] = 4;  // version 4
  EXPECT_FALSE(InstallPackageItem(progress, yv::test::DirectChanges(), install, dir.Write("v4.vrk", archive), "."));
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, "Version Error!");
  EXPECT_EQ(boxes.Calls()[0].caption, "Warning");
  EXPECT_EQ(boxes.Calls()[0].style, kWarningStyle);
  EXPECT_EQ(boxes.Calls()[0].owner, kPage);
  EXPECT_FALSE(Exists(install + "\\a.txt"));

  // A container that exists but cannot be opened (a folder): in the progress variant the
  // application window owns that box, in the quiet variant the page.
  const std::string folder = dir.Folder("folder.vrk");
  EXPECT_FALSE(InstallPackageItem(progress, yv::test::DirectChanges(), install, folder, "."));
  EXPECT_FALSE(InstallPackageItemQuiet(pageFaults, yv::test::DirectChanges(), install, folder, "."));
  ASSERT_EQ(boxes.Calls().size(), 3u);
  EXPECT_EQ(boxes.Calls()[1].text, "Can not Create file");
  EXPECT_EQ(boxes.Calls()[1].caption, "Warning");
  EXPECT_EQ(boxes.Calls()[1].style, kWarningStyle);
  EXPECT_EQ(boxes.Calls()[1].owner, kAppWindow);
  EXPECT_EQ(boxes.Calls()[2].owner, kPage);
}

TEST(Extraction, ExistingFilesAreReplacedAndReadOnlyFilesKept) {
  ScratchDir dir;
  const std::string install = dir.Folder("app");
  dir.Write("app\\short.txt", std::string(5000, 'L'));
  dir.Write("app\\packed.txt", std::string(5000, 'L'));
  const std::string readOnly = dir.Write("app\\ro.txt", "old");
  ASSERT_TRUE(SetFileAttributesW(yv::text::ToWide(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string container =
      dir.Write("d.vrk", BuildPackageArchive(3, {Stored("short.txt", "new"), Compressed("packed.txt", "newer"),
                                                 Stored("ro.txt", "replaced?"), Stored("after.txt", "after")}));
  MessageBoxScript boxes;
  // A stored entry over a read-only file is skipped without a word.
  EXPECT_TRUE(ExtractPackageQuiet(pageFaults, yv::test::DirectChanges(), container, install));
  EXPECT_EQ(Content(install + "\\short.txt"), "new");  // of exactly the entry's length
  EXPECT_EQ(Content(install + "\\packed.txt"), "newer");
  EXPECT_EQ(Content(install + "\\after.txt"), "after");
  EXPECT_TRUE(boxes.Calls().empty());
  // A compressed one cannot be written there.
  EXPECT_FALSE(ExtractPackageQuiet(pageFaults, yv::test::DirectChanges(),
                                   dir.Write("c.vrk", BuildPackageArchive(3, {Compressed("ro.txt", "x")})), install));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Can not uncompress file"});
  EXPECT_EQ(Content(readOnly), "old");
  SetFileAttributesW(yv::text::ToWide(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(FilesIn(install), (std::vector<std::string>{"after.txt", "packed.txt", "ro.txt", "short.txt"}));
}

TEST(Extraction, FailingCompressedEntryStopsTheExtraction) {
  ScratchDir dir;
  const std::string install = dir.Folder("app");
  std::vector<EncodedEntry> entries = {Stored("first.txt", "1"), Compressed("bad.txt", "decoded content"),
                                       Stored("never.txt", "3")};
  entries[1].entry.contentChecksum ^= 0x10;
  // Stored entries are not checked: a wrong checksum there changes nothing.
  entries[0].entry.contentChecksum ^= 0x10;
  dir.Write("app\\bad.txt", "the earlier file");
  MessageBoxScript boxes;
  RecordingProgress progress;
  EXPECT_FALSE(ExtractPackage(progress, yv::test::DirectChanges(), dir.Write("c.vrk", BuildPackageArchive(3, entries)),
                              install));
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, "Can not uncompress file");
  EXPECT_EQ(boxes.Calls()[0].caption, "Warning");
  EXPECT_EQ(boxes.Calls()[0].style, kWarningStyle);
  EXPECT_EQ(boxes.Calls()[0].owner, kPage);
  EXPECT_EQ(Content(install + "\\first.txt"), "1");
  EXPECT_EQ(Content(install + "\\bad.txt"), "the earlier file");  // untouched
  EXPECT_FALSE(Exists(install + "\\never.txt"));
  EXPECT_EQ(FilesIn(install), (std::vector<std::string>{"bad.txt", "first.txt"}));  // no temporary file
  EXPECT_EQ(progress.steps, 2);

  // A compressed entry into a subfolder that does not exist: its file cannot be created.
  EXPECT_FALSE(ExtractPackageQuiet(pageFaults, yv::test::DirectChanges(),
                                   dir.Write("s.vrk", BuildPackageArchive(3, {Compressed("no\\x.txt", "x")})),
                                   install));
  ASSERT_EQ(boxes.Calls().size(), 2u);
  EXPECT_EQ(boxes.Calls()[1].text, "Can not uncompress file");
}

TEST(Extraction, ZerosCutShortAreNotAcceptedOnTheirChecksum) {
  ScratchDir dir;
  const std::string install = dir.Folder("app");
  EncodedEntry zeros = Compressed("zeros.bin", std::string(40000, '\0'));
  ASSERT_EQ(zeros.entry.contentChecksum, 0u);
  zeros.data.resize(zeros.data.size() / 2);
  zeros.entry.storedSize = static_cast<uint32_t>(zeros.data.size());
  MessageBoxScript boxes;
  EXPECT_FALSE(ExtractPackageQuiet(pageFaults, yv::test::DirectChanges(),
                                   dir.Write("z.vrk", BuildPackageArchive(3, {zeros})), install));
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, "Can not uncompress file");
}

TEST(Extraction, DamagedContainersEndWithFalseAndWriteNothingTheyDoNotHold) {
  ScratchDir dir;
  const std::string install = dir.Folder("app");
  const std::string whole =
      BuildPackageArchive(3, {Stored("one.txt", "first entry"), Stored("two.txt", std::string(1000, 'T'))});
  MessageBoxScript boxes;
  // Cut inside the second entry's data.
  EXPECT_FALSE(ExtractPackageQuiet(pageFaults, yv::test::DirectChanges(),
                                   dir.Write("cut.vrk", whole.substr(0, whole.size() - 10)), install));
  EXPECT_EQ(Content(install + "\\one.txt"), "first entry");
  EXPECT_FALSE(Exists(install + "\\two.txt"));
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, "Archive file is damaged");
  EXPECT_EQ(boxes.Calls()[0].caption, "Warning");
  EXPECT_EQ(boxes.Calls()[0].owner, kPage);

  // A stored size far beyond the end of the file: refused before any block is allocated.
  std::string huge = BuildPackageArchive(0, {Stored("h.txt", "h")});
  StoreLE32(reinterpret_cast<unsigned char*>(&huge[32 + 20]), 0xFFFFFF00u);
  RecordingProgress progress;
  EXPECT_FALSE(ExtractPackage(progress, yv::test::DirectChanges(), dir.Write("huge.vrk", huge), install));
  EXPECT_FALSE(Exists(install + "\\h.txt"));
  // A header that counts more entries than there are.
  std::string more = BuildPackageArchive(0, {Stored("m.txt", "m")});
  more[10] = 5;
  EXPECT_FALSE(ExtractPackageQuiet(pageFaults, yv::test::DirectChanges(), dir.Write("more.vrk", more), install));
  EXPECT_EQ(Content(install + "\\m.txt"), "m");
  EXPECT_EQ(boxes.Calls().size(), 3u);
}

TEST(Extraction, NamesThatLeaveTheDestinationAreRefused) {
  ScratchDir dir;
  const std::string install = dir.Folder("app\\inner");
  MessageBoxScript boxes;
  std::size_t refused = 0;
  for (const auto& c : yv::test::kEntryNameCases) {
    if (c.verdict == NameVerdict::kOk || c.name.empty()) continue;
    std::string archive = EncodePackageHeader(3, 1);
    EncodedEntry entry = Stored("placeholder", "bad");
    entry.entry.name = std::string(c.name);
    AppendPackageEntry(archive, entry, 3);
    EXPECT_FALSE(ExtractPackageQuiet(pageFaults, yv::test::DirectChanges(), dir.Write("evil.vrk", archive), install))
        << c.name;
    ++refused;
  }
  EXPECT_FALSE(Exists(dir.Path() + "\\app\\escape.txt"));
  EXPECT_FALSE(Exists(dir.Path() + "\\escape.txt"));
  EXPECT_FALSE(Exists(dir.Path() + "\\x"));
  ASSERT_EQ(boxes.Calls().size(), refused);
  for (const auto& call : boxes.Calls()) EXPECT_EQ(call.text, "Archive file is damaged");
}

// Files replaced only by whole files: a target another program holds, a full disk and a
// medium that stops being readable, each with the question the user answers.
TEST(Replacement, FileInUseIsAskedAboutAndRetryReplacesItOnceTheProgramLetsGo) {
  struct Case {
    bool compressed;
    int answer;
  };
  for (const Case c : {Case{false, IDCANCEL}, Case{true, IDRETRY}}) {
    SCOPED_TRACE(c.compressed ? "compressed" : "stored");
    ScratchDir dir;
    const std::string install = dir.Folder("app");
    const std::string target = dir.Write("app\\main.exe", "old program");
    const std::string container = dir.Write(
        "p.vrk", BuildPackageArchive(
                     3, {c.compressed ? Compressed("main.exe", "new program") : Stored("main.exe", "new program"),
                         Stored("later.txt", "l")}));
    const bool retry = c.answer == IDRETRY;
    Holder holder(target, retry ? 1500 : 60000);
    ASSERT_TRUE(holder.held);
    MessageBoxScript boxes({c.answer});
    // Retry is chosen once the program has ended.
    if (retry) boxes.OnEachBox([&](const yv::ui::MessageBoxCall&) { holder.End(true); });
    RecordingProgress progress;
    const ItemResult result = ExtractPackage(progress, yv::test::DirectChanges(), container, install);
    holder.End();
    EXPECT_EQ(static_cast<bool>(result), retry);
    EXPECT_TRUE(retry || result.blamesMedium);  // a Cancel fails the archive like any other fault
    EXPECT_EQ(
        boxes.Boxes(),
        (std::vector<MessageBoxScript::Box>{
            {kPage, "文件 " + target + " 正在被其他程序使用。\r\n请关闭该程序后单击“重试”，或单击“取消”停止安装。",
             "警告", static_cast<UINT>(MB_RETRYCANCEL)}}));
    EXPECT_EQ(Content(target), retry ? "new program" : "old program");
    const std::vector<std::string> left =
        retry ? std::vector<std::string>{"later.txt", "main.exe"} : std::vector<std::string>{"main.exe"};
    EXPECT_EQ(FilesIn(install), left);
  }
}

TEST(Replacement, FullDiskIsAskedAboutAndRetryWritesTheEntryAgain) {
  const auto disk = SmallDisk();
  if (!disk) GTEST_SKIP() << "no small filesystem in YV_SMALL_DISK";
  ScratchDir media;
  const std::string content = Text(400000);
  const std::string container =
      media.Write("d.vrk", BuildPackageArchive(3, {Compressed("big.dat", content), Stored("small.txt", "s")}));
  const std::string folder = *disk + "\\app" + std::to_string(GetCurrentProcessId());
  CreateDirectoryW(yv::text::ToWide(folder).c_str(), nullptr);
  const std::string target = folder + "\\big.dat";
  for (const int answer : {IDCANCEL, IDRETRY}) {
    yv::platform::WriteWholeFile(target, "old data");
    const std::string filler = FillDisk(folder);
    MessageBoxScript boxes({answer});
    // Retry is chosen once space was freed.
    boxes.OnEachBox([&](const yv::ui::MessageBoxCall&) {
      if (answer == IDRETRY) DeleteFileW(yv::text::ToWide(filler).c_str());
    });
    FaultBoxes faults(kPage);
    const ItemResult result = ExtractPackageQuiet(faults, yv::test::DirectChanges(), container, folder);
    EXPECT_EQ(static_cast<bool>(result), answer == IDRETRY);
    EXPECT_FALSE(result.blamesMedium);
    EXPECT_EQ(boxes.Boxes(),
              (std::vector<MessageBoxScript::Box>{{kPage,
                                                   "磁盘空间不足，无法写入文件：\r\n" + target +
                                                       "\r\n请释放磁盘空间后单击“重试”，或单击“取消”停止安装。",
                                                   "警告", static_cast<UINT>(MB_RETRYCANCEL)}}));
    if (answer == IDCANCEL) {
      EXPECT_EQ(Content(target), "old data");
      EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"big.dat", "filler.bin"}));
      DeleteFileW(yv::text::ToWide(filler).c_str());
    } else {
      EXPECT_EQ(Content(target), content);
      EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"big.dat", "small.txt"}));
    }
  }
  for (const std::string& name : FilesIn(folder)) DeleteFileW(yv::text::ToWide(folder + "\\" + name).c_str());
  RemoveDirectoryW(yv::text::ToWide(folder).c_str());
}

TEST(Replacement, UnreadableMediumIsAskedAboutAndRetryInstallsTheArchiveAgain) {
  const std::vector<EncodedEntry> entries = {Stored("one.txt", "1"), Compressed("two.txt", Text(5000)),
                                             Stored("three.txt", "3")};
  const std::string whole = BuildPackageArchive(3, entries);
  // The medium stops delivering inside the second entry's data: its record and name
  // have been read when the page processes messages for it.
  const std::size_t cut = BuildPackageArchive(3, {entries[0]}).size() + 32 + 7;
  for (const int answer : {IDCANCEL, IDRETRY}) {
    ScratchDir dir;
    const std::string install = dir.Folder("app");
    dir.Write("app\\two.txt", "earlier two");
    const std::string container = dir.Write("m.vrk", whole);
    RecordingProgress progress;
    progress.onProcess = [&](int n) {
      if (n == 2) Rewrite(container, whole, cut);
    };
    MessageBoxScript boxes({answer});
    // The medium is back when Retry is chosen.
    boxes.OnEachBox([&](const yv::ui::MessageBoxCall&) { Rewrite(container, whole, whole.size()); });
    const ItemResult result = ExtractPackage(progress, yv::test::DirectChanges(), container, install);
    EXPECT_EQ(static_cast<bool>(result), answer == IDRETRY);
    EXPECT_TRUE(result || result.blamesMedium);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"无法读取安装盘上的文件：\r\n" + container +
                                                      "\r\n请检查安装盘后单击“重试”，或单击“取消”停止安装。"});
    if (answer == IDRETRY) {
      EXPECT_EQ(progress.steps, 2 + 3);  // from the first entry again
      EXPECT_EQ(Content(install + "\\two.txt"), Text(5000));
      EXPECT_EQ(FilesIn(install), (std::vector<std::string>{"one.txt", "three.txt", "two.txt"}));
    } else {
      EXPECT_EQ(Content(install + "\\two.txt"), "earlier two");
      EXPECT_EQ(FilesIn(install), (std::vector<std::string>{"one.txt", "two.txt"}));
    }
  }
}
