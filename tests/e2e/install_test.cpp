// Installations from a medium with real archives, driven as a person (or a calling
// script) would: the interactive wizard from the licence to "完成", and the unattended
// upgrade over an earlier installation. The result is checked from outside: files,
// registry and the started program (the stand-in records its command line and folder).
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "driver/wait.h"
#include "driver/window_list.h"
#include "planted_libraries.h"
#include "remove_tree.h"
#include "support/product_medium.h"
#include "support/setup_run.h"
#include "support/snapshot.h"
#include "support/windows_views.h"
#include "platform/file_io.h"
#include "text/cp936.h"

namespace yv::e2e {
namespace {

constexpr DWORD kInstallTimeoutMs = 60000;
constexpr char kProductKey[] = "SOFTWARE\\Orvanet\\Delvrin证券分析系统\\3.0";

std::string ReadFileText(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD got = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  return bytes.substr(0, got);
}

std::wstring ReadUtf16(const std::wstring& path) {
  const std::string bytes = ReadFileText(path);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The names of the files and folders `pattern` (a folder and a name with wildcards) matches.
std::vector<std::wstring> Matching(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

// A string value as a program reading it with the narrow API sees it, with its size.
struct NarrowValue {
  std::string data;
  DWORD size = 0;
};
std::optional<NarrowValue> ReadNarrowValue(const std::string& key, const char* name) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, text::ToWide(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  NarrowValue value;
  value.data.resize(1024);
  value.size = static_cast<DWORD>(value.data.size());
  const LONG result =
      RegQueryValueExA(handle, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value.data.data()), &value.size);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return std::nullopt;
  value.data.resize(value.size);
  return value;
}

std::string WindowsFolder() {
  wchar_t folder[MAX_PATH];
  const UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
  return text::FromWide(std::wstring(folder, n));
}

class InstallScenario : public SetupScenario {
 protected:
  InstallScenario() {
    options_.installDir = text::FromWide(installed_.Path());
    options_.mainProgram = "yv-e2e-" + std::to_string(GetCurrentProcessId()) + ".exe";
    options_.programGroup = "yv-e2e-测试组-" + std::to_string(GetTickCount64());
    options_.systemFile = "yv-e2e-" + std::to_string(GetCurrentProcessId()) + ".drv";
  }
  ~InstallScenario() override {
    // The log every installation here writes beside the uninstaller it names.
    DeleteFileW(text::ToWide(WindowsFolder() + "\\dvuninst.log").c_str());
    const std::string uninstall = UninstallKey();
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, text::ToWide(uninstall).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, text::ToWide(AppPathsKey()).c_str());
    const std::wstring group = GroupFolder();
    if (Exists(group)) test::RemoveTree(group, L"\\yv-e2e-");
    wchar_t system[MAX_PATH] = L"";  // a 32-bit program's system folder: syswow64
    GetSystemDirectoryW(system, MAX_PATH);
    DeleteFileW((system + (L"\\" + text::ToWide(options_.systemFile))).c_str());
  }

  // The program group's folder under the current user's Start-menu programs.
  std::wstring GroupFolder() const {
    wchar_t programs[MAX_PATH] = L"";
    DWORD size = sizeof programs;
    RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                 L"Programs", RRF_RT_REG_SZ, nullptr, programs, &size);
    return std::wstring(programs) + L"\\" + text::ToWide(options_.programGroup);
  }

  std::string UninstallKey() const {
    return "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + options_.programGroup;
  }
  std::string AppPathsKey() const {
    return "SoftWare\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + options_.mainProgram;
  }
  std::wstring Installed(const std::string& name) const { return installed_.Path() + L"\\" + text::ToWide(name); }

  // The unattended upgrade's last box, answered; setup.exe then ends with exit code 0.
  void AnswerUpgradeDone() {
    ASSERT_TRUE(ExpectMessageBox("升级成功", kInstallTimeoutMs));
    Answer("确定");
    auto code = ExpectExit();
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 0u);
  }

  // Waits for the page, then presses its buttons in order.
  void Walk(std::string_view caption, std::initializer_list<std::string_view> buttons) {
    auto page = ExpectWindow(caption, kInstallTimeoutMs);
    ASSERT_TRUE(page);
    for (std::string_view button : buttons) Press(page->hwnd, button);
  }

  void ExpectProductInstalled() {
    for (const InstalledFile& file : ProductFiles()) {
      EXPECT_EQ(ReadFileText(Installed(file.name)), file.content) << file.name;
    }
    EXPECT_FALSE(Exists(Installed("temp"))) << "the \"delete\" folder is removed";
    auto command = ReadNarrowValue(UninstallKey(), "UninstallString");
    ASSERT_TRUE(command) << "no uninstall entry";
    EXPECT_EQ(command->size, 256u);
    EXPECT_EQ(std::string(command->data.c_str()), WindowsFolder() + "\\dvuninst.exe");
    auto name = ReadNarrowValue(UninstallKey(), "DisplayName");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->data, options_.programGroup + std::string(1, '\0'));
    // The description's maker, the product key's version.
    EXPECT_EQ(ReadNarrowValue(UninstallKey(), "Publisher").value_or(NarrowValue{}).data,
              std::string("测试公司") + '\0');
    EXPECT_EQ(ReadNarrowValue(UninstallKey(), "DisplayVersion").value_or(NarrowValue{}).data,
              std::string("3.0") + '\0');
    // Written as the program it is: its own registry view and system folder.
    ExpectInOwnViewOnly(UninstallKey(), "UninstallString");
    EXPECT_EQ(ReadSystemFolderFile(kProductBitness, options_.systemFile), kSystemFileContent);
    EXPECT_FALSE(ReadSystemFolderFile(kOtherBitness, options_.systemFile)) << "a driver in the other system folder";
  }

  // A 32-bit program finds the value at its path, a 64-bit one only below Wow6432Node; a
  // 64-bit setup.exe writes the 64-bit view, where nothing lies below Wow6432Node.
  static void ExpectInOwnViewOnly(const std::string& key, const char* name) {
    SCOPED_TRACE(key);
    if (kProductBitness == Bitness::k64) {
      EXPECT_TRUE(ProbeValue(Bitness::k64, key, name)) << "a 64-bit program does not find it";
      EXPECT_FALSE(ProbeValue(Bitness::k64, Wow6432Path(key), name)) << "in the 32-bit view";
      return;
    }
    auto seen32 = ProbeValue(Bitness::k32, key, name);
    ASSERT_TRUE(seen32) << "a 32-bit program does not find it";
    EXPECT_EQ(ProbeValue(Bitness::k64, Wow6432Path(key), name), seen32) << "a 64-bit program, below Wow6432Node";
    EXPECT_FALSE(ProbeValue(Bitness::k64, key, name)) << "a 64-bit program finds it in its own view";
  }

  // Everything in the installation folder, relative to it, sorted.
  std::vector<std::wstring> Tree(const std::wstring& below = L"") const {
    std::vector<std::wstring> tree;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((installed_.Path() + below + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return tree;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = below.empty() ? name : below.substr(1) + L"\\" + name;
      tree.push_back(path);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        for (const std::wstring& inner : Tree(L"\\" + path)) tree.push_back(inner);
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(tree.begin(), tree.end());
    return tree;
  }

  Medium installed_;  // the installation folder (a scratch folder)
  ProductMediumOptions options_;
};

TEST_F(InstallScenario, InteractiveInstallationFromLicenceToFinish) {
  ASSERT_TRUE(WriteProductMedium(medium_, options_));
  ASSERT_TRUE(StartSetup());
  auto licence = ExpectWindow("欢迎使用Delvrin软件");
  ASSERT_TRUE(licence);
  EXPECT_TRUE(licence->FindControl("软件许可协议\r\n", "Edit")) << "the licence text is shown";
  const ControlInfo* next = licence->FindControl("下一步 >", "Button");
  ASSERT_TRUE(next);
  EXPECT_FALSE(next->enabled) << "Next waits for \"同意\"";
  Walk("欢迎使用Delvrin软件", {"同意", "下一步 >"});
  Walk("用户信息", {"下一步 >"});
  Walk("安装路径和组件", {"下一步 >"});
  Walk("安装程序组", {"下一步 >"});
  Walk("安装信息", {"下一步 >"});
  Walk("安装完成", {"完成"});
  auto code = ExpectExit(kInstallTimeoutMs);
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
  ExpectProductInstalled();
  ExpectInOwnViewOnly(kProductKey, "Name");
  EXPECT_TRUE(Exists(Installed("cfg\\system.ini"))) << "a fresh installation gets the \"_\" archives";
  EXPECT_TRUE(Exists(medium_.Path() + L"\\started.txt")) << "the follow-up installer ran from the medium";
  EXPECT_TRUE(Exists(GroupFolder() + L"\\卸载Delvrin测试.lnk")) << "the uninstall shortcut is in the program group";
  // The main program registered where start-up looks for an earlier installation.
  auto path = ReadNarrowValue(AppPathsKey(), "Path");
  auto group = ReadNarrowValue(AppPathsKey(), "PrgGrp");
  ASSERT_TRUE(path && group) << "no App Paths entry";
  EXPECT_EQ(std::string(path->data.c_str()), options_.installDir);
  EXPECT_EQ(std::string(group->data.c_str()), options_.programGroup);
}

TEST_F(InstallScenario, UpgradeReplacesFilesSkipsFreshOnlyArchivesAndStartsTheProgram) {
  ASSERT_TRUE(installed_.Write("system\\settings.dat", "earlier installation") &&
              installed_.Write("readme.txt", "旧版说明") && installed_.Write("temp\\junk.txt", "junk") &&
              installed_.Write("cfg\\user.ini", "[user]\r\n"));
  ASSERT_TRUE(WriteProductMedium(medium_, options_));
  ASSERT_TRUE(StartSetup({installed_.Path()}));
  auto box = ExpectMessageBox("升级成功", kInstallTimeoutMs);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, "信息");
  EXPECT_FALSE(box->hasIcon);
  EXPECT_EQ(box->ButtonIds(), std::vector<int>{IDOK});
  // No input page was ever shown, and nothing is started before the answer.
  EXPECT_FALSE(WaitForWindow(Pid(), "欢迎使用Delvrin软件", 0));
  EXPECT_FALSE(Exists(Installed("started.txt")));
  Answer("确定");
  auto code = ExpectExit();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
  ExpectProductInstalled();
  EXPECT_FALSE(Exists(Installed("cfg\\system.ini"))) << "\"_\" archives are not reinstalled";
  EXPECT_EQ(ReadFileText(Installed("cfg\\user.ini")), "[user]\r\n");
  // The installed main program, started in the installation folder by its full path (as a
  // child of setup.exe: Wine shows no desktop shell to hand the start to).
  const std::wstring started = Installed("started.txt");
  ASSERT_TRUE(WaitUntil([&] { return Exists(started); }, kExitTimeoutMs)) << "the main program was not started";
  EXPECT_EQ(ReadUtf16(started), L"\"" + installed_.Path() + L"\\dravk.exe\"\n" + installed_.Path() + L"\n");
}

TEST_F(InstallScenario, UpgradeWhoseMainProgramCannotBeStartedStillSucceeds) {
  ASSERT_TRUE(installed_.Write("system\\settings.dat", "earlier installation"));
  options_.withMainProgram = false;
  ASSERT_TRUE(WriteProductMedium(medium_, options_));
  ASSERT_TRUE(StartSetup({installed_.Path()}));
  // A message about the failed start would keep the program waiting: it ends at once.
  ASSERT_NO_FATAL_FAILURE(AnswerUpgradeDone());
}

TEST_F(InstallScenario, UpgradeWithABrokenArchiveEndsWithExitCodeOne) {
  ASSERT_TRUE(installed_.Write("system\\settings.dat", "earlier installation"));
  options_.breakDataArchive = true;
  ASSERT_TRUE(WriteProductMedium(medium_, options_));
  ASSERT_TRUE(StartSetup({installed_.Path()}));
  // The archive's own report comes first, then the run's, titled with the component,
  // once the run has been undone.
  const std::string runMessage = "安装文件不正确!\r\n原有的安装已保留。";
  std::optional<MessageBoxInfo> box;
  for (int answered = 0; answered < 3; ++answered) {
    box = WaitForMessageBox(Pid(), kInstallTimeoutMs);
    ASSERT_TRUE(box) << "no message box";
    if (box->text == runMessage) break;
    Answer("确定");
  }
  EXPECT_EQ(box->text, runMessage);
  EXPECT_EQ(box->caption, "历史数据");
  Answer("确定");
  auto code = ExpectExit();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 1u);
  EXPECT_FALSE(Exists(Installed("started.txt"))) << "nothing is started after a failed upgrade";
  EXPECT_FALSE(ReadNarrowValue(UninstallKey(), "UninstallString")) << "a failed run registers nothing";
  EXPECT_EQ(Tree(), (std::vector<std::wstring>{L"system", L"system\\settings.dat"})) << "the earlier installation";
}

// Killed at several instants, each start finishing what the one before left; the last
// one, left alone, installs the product whole.
TEST_F(InstallScenario, AnUpgradeKilledAtAnyInstantIsFinishedByTheNextStart) {
  ASSERT_TRUE(installed_.Write("system\\settings.dat", "earlier installation"));
  options_.extraDataFiles = 1500;
  ASSERT_TRUE(WriteProductMedium(medium_, options_));
  for (DWORD delay : {0u, 400u, 1500u, 3000u}) {
    SCOPED_TRACE(delay);
    ASSERT_TRUE(StartSetup({installed_.Path()}));
    ASSERT_TRUE(ExpectWindow("安装", kInstallTimeoutMs));
    Sleep(delay);
    setup_->Kill();
    ASSERT_TRUE(setup_->WaitExit(kExitTimeoutMs));
  }
  ASSERT_TRUE(StartSetup({installed_.Path()}));
  ASSERT_NO_FATAL_FAILURE(AnswerUpgradeDone());
  ExpectProductInstalled();
  for (const std::wstring& name : Tree()) EXPECT_EQ(name.find(L".yv-"), std::wstring::npos) << Utf8(name);
}

// The upgrade is started by the installed main program, which may still be running: an
// earlier dravk.exe that holds its file, as Windows holds a running program's.
class RunningProgramScenario : public InstallScenario {
 protected:
  bool StartEarlierProgram(int runMs) {
    if (!installed_.Write("system\\settings.dat", "earlier installation") ||
        !installed_.Write("readme.txt", "旧版说明") || !installed_.Write("dravk.exe", kEarlier)) {
      return false;
    }
    running_ = Process::Start(Installed("dravk.exe"), {L"--run=" + std::to_wstring(runMs)}, installed_.Path());
    // Running once its file can no longer be written.
    return running_ && WaitUntil(
                           [&] {
                             HANDLE probe =
                                 CreateFileW(Installed("dravk.exe").c_str(), GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
                             if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
                             return probe == INVALID_HANDLE_VALUE;
                           },
                           kExitTimeoutMs);
  }
  // What the folder holds that the product does not: staged or moved-aside files.
  std::vector<std::wstring> Strays() const {
    std::vector<std::wstring> strays;
    for (const std::wstring& name : Tree()) {
      if (name.find(L".yv-") != std::wstring::npos) strays.push_back(name);
    }
    return strays;
  }
  const std::string kEarlier = StandInProgram() + "earlier version";
  std::optional<Process> running_;
};

TEST_F(RunningProgramScenario, UpgradeWaitsForTheMainProgramThatIsClosing) {
  ASSERT_TRUE(WriteProductMedium(medium_, options_));
  ASSERT_TRUE(StartEarlierProgram(3000));
  ASSERT_TRUE(StartSetup({installed_.Path()}));
  // No question: the program let go within the wait.
  ASSERT_NO_FATAL_FAILURE(AnswerUpgradeDone());
  ExpectProductInstalled();
  EXPECT_TRUE(Strays().empty());
  EXPECT_TRUE(WaitUntil([&] { return Exists(Installed("started.txt")); }, kExitTimeoutMs));
}

TEST_F(RunningProgramScenario, UpgradeAsksAfterFifteenSecondsAndCancelLeavesTheInstallationAsItWas) {
  ASSERT_TRUE(WriteProductMedium(medium_, options_));
  ASSERT_TRUE(StartEarlierProgram(120000));
  ASSERT_TRUE(StartSetup({installed_.Path()}));
  const std::string question = "文件 " + text::FromWide(Installed("dravk.exe")) +
                               " 正在被其他程序使用。\r\n请关闭该程序后单击“重试”，或单击“取消”停止安装。";
  auto box = ExpectMessageBox(question, kInstallTimeoutMs);
  ASSERT_TRUE(box);
  EXPECT_GE(SinceStart(), 15000u) << "asked before the quiet wait was over";
  EXPECT_EQ(box->caption, "警告");
  std::vector<int> buttons = box->ButtonIds();
  std::sort(buttons.begin(), buttons.end());
  EXPECT_EQ(buttons, (std::vector<int>{IDCANCEL, IDRETRY}));
  Answer("取消");
  ASSERT_TRUE(ExpectMessageBox("安装文件不正确!\r\n原有的安装已保留。"));
  Answer("确定");
  auto code = ExpectExit();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 1u);
  running_->Kill();
  EXPECT_EQ(ReadFileText(Installed("dravk.exe")), kEarlier);
  EXPECT_EQ(ReadFileText(Installed("readme.txt")), "旧版说明") << "not reached: as before";
  EXPECT_FALSE(Exists(Installed("data\\行情.txt")));
  EXPECT_TRUE(Strays().empty());
  EXPECT_FALSE(Exists(Installed("started.txt"))) << "nothing is started after a stopped upgrade";
}

std::wstring TempFolder() {
  wchar_t folder[MAX_PATH + 1];
  std::wstring path(folder, GetTempPathW(MAX_PATH + 1, folder));
  return path.substr(0, path.size() - 1);
}

// An installation of every kind of record into a folder outside the temporary folder
// (which the snapshots leave out), removed again by the uninstaller it installs.
class UninstallScenario : public InstallScenario {
 protected:
  UninstallScenario() {
    const std::string tag = std::to_string(GetTickCount64());
    options_.installDir = "C:\\yv-e2e-卸载-" + tag;
    options_.uninstaller = "yv-e2e-" + tag + ".exe";
    options_.everyKind = true;
    installDir_ = text::ToWide(options_.installDir);
  }
  ~UninstallScenario() override { test::RemoveTree(installDir_, L"\\yv-e2e-"); }

  void InstallThroughEveryPage(bool cancelDuringAnArchive = false) {
    ASSERT_TRUE(StartSetup());
    Walk("欢迎使用Delvrin软件", {"同意", "下一步 >"});
    Walk("用户信息", {"下一步 >"});
    Walk("安装路径和组件", {"下一步 >"});
    Walk("安装程序组", {"下一步 >"});
    Walk("安装信息", {"下一步 >"});
    if (cancelDuringAnArchive) {
      Walk("安装", {"取消"});
      ASSERT_TRUE(ExpectMessageBox("安装程序未完成，请确认要退出。"));
      Answer("确定");
    } else {
      Walk("安装完成", {"完成"});
    }
    auto code = ExpectExit(kInstallTimeoutMs);
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 0u);
  }

  // A file the user made in the installation folder.
  void PlantUserFile() {
    HANDLE planted = CreateFileW(UserFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(planted, INVALID_HANDLE_VALUE);
    CloseHandle(planted);
  }
  std::wstring UserFile() const { return installDir_ + L"\\data\\我的笔记.txt"; }

  // Runs the entry's command as the system's list of programs does, answers its question
  // and its last box, which lists `remainders`; then restarts.
  // `duringRemoval` runs once the question is answered.
  void UninstallFromTheEntry(const std::vector<std::string>& remainders,
                             const std::function<void()>& duringRemoval = {}) {
    auto command = ReadNarrowValue(UninstallKey(), "UninstallString");
    ASSERT_TRUE(command);
    // What the list shows beside the command is there, and goes with the rest.
    for (const char* name : {"DisplayIcon", "InstallLocation", "InstallDate", "EstimatedSize", "QuietUninstallString",
                             "NoModify", "NoRepair"}) {
      EXPECT_TRUE(ReadNarrowValue(UninstallKey(), name)) << name;
    }
    const std::wstring uninstaller = text::ToWide(command->data.c_str());
    const std::vector<std::wstring> copiesBefore = CopiesOfTheUninstaller();
    setup_ = Process::Start(uninstaller, {}, L"C:\\windows");
    ASSERT_TRUE(setup_);
    ASSERT_TRUE(ExpectMessageBox("确实要完全删除 " + options_.programGroup + " 及其所有组件吗？", kWindowTimeoutMs));
    Answer("是");
    if (duringRemoval) duringRemoval();
    auto end = WaitForMessageBox(Pid(), kInstallTimeoutMs);
    ASSERT_TRUE(end);
    EXPECT_EQ(end->caption, "卸载 " + options_.programGroup);
    std::string expected = options_.programGroup + " 已从您的计算机中删除。";
    if (!remainders.empty()) expected += "\r\n\r\n以下项目未能删除，请手动删除：";
    for (const std::string& item : remainders) expected += "\r\n" + item;
    EXPECT_EQ(end->text, expected);
    Answer("确定");
    auto code = ExpectExit();
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, remainders.empty() ? 0u : 1u);
    EXPECT_TRUE(WaitUntil([&] { return !Exists(uninstaller); }, kExitTimeoutMs)) << "the uninstaller removes itself";
    auto boot = Process::Start(L"C:\\windows\\system32\\wineboot.exe", {L"-r"}, L"C:\\windows");
    ASSERT_TRUE(boot && boot->WaitExit(60000));
    // The restart takes this copy's folder, and those of earlier copies with it.
    for (const std::wstring& left : CopiesOfTheUninstaller()) {
      EXPECT_NE(std::find(copiesBefore.begin(), copiesBefore.end(), left), copiesBefore.end())
          << "the uninstaller's copy and its folder are gone after the restart";
    }
  }

  // The folders of the uninstaller's copies in the temporary folder.
  static std::vector<std::wstring> CopiesOfTheUninstaller() { return Matching(TempFolder() + L"\\yv_*"); }

  // The machine equals `before` but for `made`: files made by the user or by a started
  // program, and the folders that hold them.
  void ExpectAsBefore(const Snapshot& before, const std::vector<std::wstring>& made) {
    std::vector<std::string> allowed = {"+ D " + Utf8(installDir_)};
    for (const std::wstring& path : made) {
      allowed.push_back("+ F " + Utf8(path));
      for (std::wstring folder = path.substr(0, path.rfind(L'\\')); folder.size() > installDir_.size();
           folder = folder.substr(0, folder.rfind(L'\\'))) {
        allowed.push_back("+ D " + Utf8(folder));
      }
    }
    std::vector<std::string> unexpected;
    for (const std::string& change : Differences(before, TakeSnapshot({TempFolder()}))) {
      if (std::find(allowed.begin(), allowed.end(), change) == allowed.end()) unexpected.push_back(change);
    }
    EXPECT_EQ(unexpected, std::vector<std::string>{});
  }

  std::wstring installDir_;
};

TEST_F(UninstallScenario, AfterAnInstallationTheMachineIsAsItWasButForTheUsersFile) {
  ASSERT_TRUE(WriteProductMedium(medium_, options_));
  const Snapshot before = TakeSnapshot({TempFolder()});
  InstallThroughEveryPage();
  PlantUserFile();
  // The product still runs: one of its files is open, without sharing its deletion.
  const std::string held = options_.installDir + "\\dravk.exe";
  HANDLE open =
      CreateFileW(text::ToWide(held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  UninstallFromTheEntry({options_.installDir + "\\data", options_.installDir}, [&] {
    auto box = ExpectMessageBox("文件 " + held + " 正在使用中。请关闭 " + options_.programGroup + " 后单击“重试”。",
                                kInstallTimeoutMs);
    EXPECT_TRUE(box && box->caption == "卸载 " + options_.programGroup);
    CloseHandle(open);  // the product has been closed
    Answer("重试");
  });
  ExpectAsBefore(before, {UserFile()});
}

TEST_F(UninstallScenario, AfterAnInstallationAndAnUpgradeTheMachineIsAsItWas) {
  ASSERT_TRUE(WriteProductMedium(medium_, options_));
  const Snapshot before = TakeSnapshot({TempFolder()});
  // Libraries of system names beside setup.exe on the medium and in the temporary folder:
  // neither setup.exe nor the uninstaller nor its copy loads one.
  test::PlantedLibraries planted({L"setup.exe", text::ToWide(options_.uninstaller), L"uninstall.exe"});
  ASSERT_TRUE(CopySetupToMedium() && planted.PlantIn(medium_.Path()) && planted.PlantIn(TempFolder()));
  InstallThroughEveryPage();
  ASSERT_TRUE(StartSetup({installDir_}));
  ASSERT_NO_FATAL_FAILURE(AnswerUpgradeDone());
  // What the started main program made stays, as the user's files do.
  const std::wstring started = installDir_ + L"\\started.txt";
  ASSERT_TRUE(WaitUntil([&] { return Exists(started); }, kExitTimeoutMs));
  UninstallFromTheEntry({options_.installDir});
  ExpectAsBefore(before, {started});
  EXPECT_EQ(planted.Loaded(), std::vector<std::string>{});
}

TEST_F(UninstallScenario, AfterAnInstallationCancelledDuringAnArchiveTheMachineIsAsItWas) {
  options_.extraDataFiles = 1500;
  ASSERT_TRUE(WriteProductMedium(medium_, options_));
  const Snapshot before = TakeSnapshot({TempFolder()});
  InstallThroughEveryPage(true);
  // Undone: no uninstall entry, no installation folder, no log.
  EXPECT_FALSE(ReadNarrowValue(UninstallKey(), "UninstallString"));
  ExpectAsBefore(before, {});
}

// Deployments: setup.exe and the uninstaller run with switches, as deployment tools run
// them, by nobody at the screen.
class DeploymentScenario : public UninstallScenario {
 protected:
  DeploymentScenario() {
    installDir_ += L"-部署";
    log_ = TempFolder() + L"\\yv-e2e-deploy-" + std::to_wstring(GetTickCount64()) + L".log";
  }
  ~DeploymentScenario() override {
    DeleteFileW(log_.c_str());
    test::RemoveTree(AllUsersFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + text::ToWide(options_.programGroup), L"\\yv-e2e-");
  }

  // Runs `program` to its end and returns its exit code; no window of it may show meanwhile.
  std::optional<DWORD> RunUnseen(const std::wstring& program, const std::vector<std::wstring>& args) {
    setup_ = Process::Start(program, args, program == SetupProgram() ? medium_.Path() : L"C:\\windows");
    if (!setup_) return std::nullopt;
    std::vector<std::string> shown;
    for (const ULONGLONG start = GetTickCount64(); !setup_->WaitExit(20) && GetTickCount64() - start < 90000;) {
      for (const WindowInfo& window : ListWindows(Pid(), false)) shown.push_back(window.caption);
    }
    EXPECT_EQ(shown, std::vector<std::string>{}) << "windows shown";
    return ExpectExit();
  }
  std::optional<DWORD> Deploy(std::vector<std::wstring> args) {
    args.insert(args.end(), {L"/S", L"/DIR=" + installDir_, L"/LOG=" + log_});
    return RunUnseen(SetupProgram(), args);
  }
  std::string SupportLog() const { return ReadFileText(log_); }
  static std::wstring AllUsersFolder(int csidl) {
    wchar_t folder[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
  }

  std::wstring log_;
};

TEST_F(DeploymentScenario, ASilentInstallationForEveryUserAndItsQuietRemovalShowNothingAndLeaveNothing) {
  ASSERT_TRUE(WriteProductMedium(medium_, options_));
  const Snapshot before = TakeSnapshot({TempFolder()});
  const std::string desktopShortcut = options_.programGroup + ".lnk";  // named in the medium
  options_.programGroup += "-部署";
  const auto code = Deploy({L"/GROUP=" + text::ToWide(options_.programGroup), L"/COMPONENTS=0,2", L"/ALLUSERS",
                            L"/NORUN", L"/USER=管理员"});
  ASSERT_EQ(code, 0u) << SupportLog();
  for (const InstalledFile& file : ProductFiles()) {
    const bool data = std::string_view(file.name).rfind("data\\", 0) == 0;
    EXPECT_EQ(ReadFileText(installDir_ + L"\\" + text::ToWide(file.name)), data ? "<missing>" : file.content) << file.name;
  }
  const std::wstring group = AllUsersFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + text::ToWide(options_.programGroup);
  EXPECT_TRUE(Exists(group + L"\\卸载Delvrin测试.lnk") && Exists(group + L"\\程序.lnk"));
  EXPECT_TRUE(Exists(AllUsersFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\" + text::ToWide(desktopShortcut)));
  EXPECT_FALSE(Exists(GroupFolder())) << "nothing in the profile of whoever ran it";
  EXPECT_FALSE(Exists(medium_.Path() + L"\\started.txt")) << "/NORUN starts no follow-up installer";
  EXPECT_EQ(std::string(ReadNarrowValue(kProductKey, "Name")->data.c_str()), "管理员");
  const std::string log = SupportLog();
  for (const std::string& line : {std::string("/COMPONENTS=0,2"), std::string("静默安装"), "安装文件夹：" + text::FromWide(installDir_),
                                  std::string("安装program.vrk 到 .：完成"), std::string("退出代码：0")}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  }

  // Removed as a deployment tool removes it: the quiet command as it stands.
  const auto quiet = ReadNarrowValue(UninstallKey(), "QuietUninstallString");
  ASSERT_TRUE(quiet);
  const std::string command = quiet->data.c_str();
  const std::size_t close = command.find('"', 1);
  ASSERT_TRUE(command[0] == '"' && close != std::string::npos) << command;
  EXPECT_EQ(command.substr(close + 1), " /S");
  const std::wstring uninstaller = text::ToWide(command.substr(1, close - 1));
  EXPECT_EQ(RunUnseen(uninstaller, {L"/S"}), 0u);
  EXPECT_TRUE(WaitUntil([&] { return !Exists(uninstaller); }, kExitTimeoutMs)) << "the uninstaller removes itself";
  ExpectAsBefore(before, {});
}

TEST_F(DeploymentScenario, ASilentRunThatFailsLeavesTheMachineAsItWasAndSaysWhyInItsExitCodeAndLog) {
  const auto small = GetEnvironmentVariableW(L"YV_SMALL_DISK", nullptr, 0);
  struct Case {
    const char* name;
    DWORD code;
  };
  for (const Case c : {Case{"damaged archive", 3}, Case{"file in use", 5}, Case{"full disk", 4},
                       Case{"refused switch", 2}}) {
    SCOPED_TRACE(c.name);
    options_.breakDataArchive = c.code == 3;
    options_.extraDataFiles = c.code == 4 ? 300 : 0;  // over the 1 MiB of the small disk
    if (c.code == 4 && small == 0) continue;
    std::wstring held;
    if (c.code == 4) {
      std::wstring disk(small, L'\0');
      disk.resize(GetEnvironmentVariableW(L"YV_SMALL_DISK", disk.data(), small));
      installDir_ = disk + L"\\yv-e2e-" + std::to_wstring(GetCurrentProcessId());
    }
    ASSERT_TRUE(WriteProductMedium(medium_, options_));
    if (c.code == 5) {
      held = installDir_ + L"\\readme.txt";
      CreateDirectoryW(installDir_.c_str(), nullptr);
      ASSERT_TRUE(platform::WriteWholeFile(text::FromWide(held), "a file another program holds"));
    }
    const Snapshot before = TakeSnapshot({TempFolder()});
    // Held without any sharing, for longer than the quiet wait.
    HANDLE holding = c.code == 5 ? CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                                 : INVALID_HANDLE_VALUE;
    ASSERT_TRUE(c.code != 5 || holding != INVALID_HANDLE_VALUE);
    EXPECT_EQ(Deploy({c.code == 2 ? L"/COMPONENTS=3" : L"/NORUN"}), c.code);
    if (holding != INVALID_HANDLE_VALUE) CloseHandle(holding);
    EXPECT_EQ(Differences(before, TakeSnapshot({TempFolder()})), std::vector<std::string>{});
    if (c.code == 4) {
      EXPECT_FALSE(Exists(installDir_)) << "the small disk as it was";
    }
    const std::string log = SupportLog();
    const std::string named = c.code == 3   ? text::FromWide(medium_.Path()) + "\\data.vrk"
                              : c.code == 5 ? "Windows 错误 32：" + text::FromWide(held)
                              : c.code == 4 ? "Windows 错误 112："
                                            : "命令行参数不正确：/COMPONENTS=3";
    EXPECT_NE(log.find(named), std::string::npos) << named << "\n" << log;
    EXPECT_NE(log.find("退出代码：" + std::to_string(c.code)), std::string::npos) << log;
    test::RemoveTree(installDir_, L"\\yv-e2e-");
  }
}

}  // namespace
}  // namespace yv::e2e
