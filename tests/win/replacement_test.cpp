// Files replaced only by whole files: a target another program holds, a full disk and a
// medium that stops being readable, each with the question the user answers.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/implode.h"
#include "archive/package_writer.h"
#include "archive/win/extract.h"
#include "platform/file_io.h"
#include "text/cp936.h"
#include "win_test_support.h"

using namespace yv::archive;
using yv::test::FilesIn;
using yv::test::MessageBoxScript;
using yv::test::ScratchDir;
using yv::text::ToWide;

namespace {

HWND const kPage = reinterpret_cast<HWND>(0x1111);
constexpr UINT kQuestion = MB_RETRYCANCEL;

class PageProgress : public ExtractionProgress {
 public:
  void SetArchiveMaximum(int) override { ++passes; }
  void StepArchive() override {}
  void SetFileLabel(const std::string&) override {}
  void ProcessMessages() override {
    if (onProcess) onProcess(++processed);
  }
  HWND Window() override { return kPage; }
  HWND ApplicationWindow() override { return kPage; }

  int passes = 0;  // SetArchiveMaximum once per pass over the archive
  int processed = 0;
  std::function<void(int)> onProcess;
};

std::optional<std::string> Content(const std::string& path) {
  return yv::platform::ReadWholeFile(path);
}

std::string Text(std::size_t size) {
  std::string s;
  for (std::size_t i = 0; s.size() < size; ++i) s += "row " + std::to_string(i * 31 % 977) + " of the file\r\n";
  s.resize(size);
  return s;
}

EncodedEntry Entry(const std::string& name, const std::string& content, bool compressed) {
  return compressed ? EncodeEntry(name, 0, content, EntryStorage::kCompress, {ImplodeLiteralMode::kAscii, 2048})
                    : EncodeEntry(name, 0, content, EntryStorage::kStore, {});
}

// Writes a file while the extraction may still have it open for reading.
void Rewrite(const std::string& path, const std::string& bytes, std::size_t keep) {
  HANDLE file = CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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
    std::wstring command = L"\"" + ToWide(yv::test::ProgramBeside("console_probe.exe")) + L"\" --ms=" +
                           std::to_wstring(ms) + L" --hold=" + ToWide(path);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // not the test's own output
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
      return;
    for (int i = 0; i < 200 && !held; ++i) {
      HANDLE probe = CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
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

// A small filesystem of its own (YV_SMALL_DISK, mounted for the test run), where the
// disk can really be filled; std::nullopt when there is none.
std::optional<std::string> SmallDisk() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"YV_SMALL_DISK", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  ULARGE_INTEGER total{};
  if (!GetDiskFreeSpaceExW(path, nullptr, &total, nullptr) || total.QuadPart > 16u << 20) return std::nullopt;
  return yv::text::FromWide(path);
}

// Fills the rest of the disk under `folder` with one file; its path.
std::string FillDisk(const std::string& folder) {
  const std::string filler = folder + "\\filler.bin";
  HANDLE file = CreateFileW(ToWide(filler).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  const std::string block(4096, 'f');
  DWORD written = 0;
  while (WriteFile(file, block.data(), 4096, &written, nullptr) && written == 4096) {
  }
  CloseHandle(file);
  return filler;
}

}  // namespace

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
        "p.vrk",
        BuildPackageArchive(3, {Entry("main.exe", "new program", c.compressed), Entry("later.txt", "l", false)}));
    const bool retry = c.answer == IDRETRY;
    Holder holder(target, retry ? 1500 : 60000);
    ASSERT_TRUE(holder.held);
    MessageBoxScript boxes({c.answer});
    // Retry is chosen once the program has ended.
    if (retry) boxes.OnEachBox([&](const yv::ui::MessageBoxCall&) { holder.End(true); });
    PageProgress progress;
    const ItemResult result = ExtractPackage(progress, container, install);
    holder.End();
    EXPECT_EQ(static_cast<bool>(result), retry);
    EXPECT_TRUE(retry || result.blamesMedium);  // a Cancel fails the archive like any other fault
    EXPECT_EQ(
        boxes.Boxes(),
        (std::vector<MessageBoxScript::Box>{
            {kPage, "文件 " + target + " 正在被其他程序使用。\r\n请关闭该程序后单击“重试”，或单击“取消”停止安装。",
             "警告", kQuestion}}));
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
      media.Write("d.vrk", BuildPackageArchive(3, {Entry("big.dat", content, true), Entry("small.txt", "s", false)}));
  const std::string folder = *disk + "\\app" + std::to_string(GetCurrentProcessId());
  CreateDirectoryW(ToWide(folder).c_str(), nullptr);
  const std::string target = folder + "\\big.dat";
  for (const int answer : {IDCANCEL, IDRETRY}) {
    yv::platform::WriteWholeFile(target, "old data");
    const std::string filler = FillDisk(folder);
    MessageBoxScript boxes({answer});
    // Retry is chosen once space was freed.
    boxes.OnEachBox([&](const yv::ui::MessageBoxCall&) {
      if (answer == IDRETRY) DeleteFileW(ToWide(filler).c_str());
    });
    FaultBoxes faults(kPage);
    const ItemResult result = ExtractPackageQuiet(faults, container, folder);
    EXPECT_EQ(static_cast<bool>(result), answer == IDRETRY);
    EXPECT_FALSE(result.blamesMedium);
    EXPECT_EQ(boxes.Boxes(),
              (std::vector<MessageBoxScript::Box>{{kPage,
                                                   "磁盘空间不足，无法写入文件：\r\n" + target +
                                                       "\r\n请释放磁盘空间后单击“重试”，或单击“取消”停止安装。",
                                                   "警告", kQuestion}}));
    if (answer == IDCANCEL) {
      EXPECT_EQ(Content(target), "old data");
      EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"big.dat", "filler.bin"}));
      DeleteFileW(ToWide(filler).c_str());
    } else {
      EXPECT_EQ(Content(target), content);
      EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"big.dat", "small.txt"}));
    }
  }
  for (const std::string& name : FilesIn(folder)) DeleteFileW(ToWide(folder + "\\" + name).c_str());
  RemoveDirectoryW(ToWide(folder).c_str());
}

TEST(Replacement, UnreadableMediumIsAskedAboutAndRetryInstallsTheArchiveAgain) {
  const std::vector<EncodedEntry> entries = {Entry("one.txt", "1", false), Entry("two.txt", Text(5000), true),
                                             Entry("three.txt", "3", false)};
  const std::string whole = BuildPackageArchive(3, entries);
  // The medium stops delivering inside the second entry's data: its record and name
  // have been read when the page processes messages for it.
  const std::size_t cut = BuildPackageArchive(3, {entries[0]}).size() + 32 + 7;
  for (const int answer : {IDCANCEL, IDRETRY}) {
    ScratchDir dir;
    const std::string install = dir.Folder("app");
    dir.Write("app\\two.txt", "earlier two");
    const std::string container = dir.Write("m.vrk", whole);
    PageProgress progress;
    progress.onProcess = [&](int n) {
      if (n == 2) Rewrite(container, whole, cut);
    };
    MessageBoxScript boxes({answer});
    // The medium is back when Retry is chosen.
    boxes.OnEachBox([&](const yv::ui::MessageBoxCall&) { Rewrite(container, whole, whole.size()); });
    const ItemResult result = ExtractPackage(progress, container, install);
    EXPECT_EQ(static_cast<bool>(result), answer == IDRETRY);
    EXPECT_TRUE(result || result.blamesMedium);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"无法读取安装盘上的文件：\r\n" + container +
                                                      "\r\n请检查安装盘后单击“重试”，或单击“取消”停止安装。"});
    if (answer == IDRETRY) {
      EXPECT_EQ(progress.passes, 2);  // from the first entry again
      EXPECT_EQ(Content(install + "\\two.txt"), Text(5000));
      EXPECT_EQ(FilesIn(install), (std::vector<std::string>{"one.txt", "three.txt", "two.txt"}));
    } else {
      EXPECT_EQ(Content(install + "\\two.txt"), "earlier two");
      EXPECT_EQ(FilesIn(install), (std::vector<std::string>{"one.txt", "two.txt"}));
    }
  }
}
