// The unattended upgrade, started as a calling script would: the installed folder on
// the command line, no input page, "升级成功", then the installed main program started
// in that folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "driver/wait.h"
#include "driver/window_list.h"
#include "support/setup_run.h"

namespace yv::e2e {
namespace {

std::wstring BesideTests(const wchar_t* name) {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

std::wstring ReadUtf16(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::wstring text(4096, L'\0');
  DWORD got = 0;
  ReadFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &got, nullptr);
  CloseHandle(file);
  text.resize(got / sizeof(wchar_t));
  return text;
}

class UpgradeScenario : public SetupScenario {
 protected:
  Medium installed_;  // the installed product's folder
};

TEST_F(UpgradeScenario, ReportsSuccessThenStartsTheInstalledProgramInItsFolder) {
  ASSERT_TRUE(WriteStartableMedium("升级"));
  ASSERT_TRUE(CopyFileW(BesideTests(L"started_marker.exe").c_str(), (installed_.Path() + L"\\dravk.exe").c_str(),
                        FALSE));
  ASSERT_TRUE(StartSetup({installed_.Path()}));

  auto box = ExpectMessageBox("升级成功");
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, "信息");
  EXPECT_FALSE(box->hasIcon);
  EXPECT_EQ(box->ButtonIds(), std::vector<int>{IDOK});
  // No input page was ever shown, and the program waits for the answer before it
  // starts anything.
  EXPECT_FALSE(WaitForWindow(Pid(), "欢迎使用Delvrin软件", 0));
  EXPECT_EQ(ReadUtf16(installed_.Path() + L"\\started.txt"), L"");

  Answer("确定");
  auto code = ExpectExit();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
  const std::wstring started = installed_.Path() + L"\\started.txt";
  ASSERT_TRUE(WaitUntil([&] { return !ReadUtf16(started).empty(); }, kExitTimeoutMs));
  EXPECT_EQ(ReadUtf16(started), installed_.Path() + L"\\dravk.exe\n" + installed_.Path() + L"\n");
}

TEST_F(UpgradeScenario, AProgramThatCannotBeStartedIsNoError) {
  ASSERT_TRUE(WriteStartableMedium("升级"));
  ASSERT_TRUE(StartSetup({installed_.Path()}));  // no dravk.exe there
  ASSERT_TRUE(ExpectMessageBox("升级成功"));
  Answer("确定");
  // A message about the failed start would keep the program waiting: it ends at once.
  auto code = ExpectExit();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0u);
}

}  // namespace
}  // namespace yv::e2e
