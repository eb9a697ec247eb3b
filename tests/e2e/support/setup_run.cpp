#include "support/setup_run.h"

#include "driver/actions.h"
#include "driver/dump.h"
#include "driver/wait.h"

namespace yv::e2e {

std::wstring SetupProgram() {
  return ProgramFolder() + L"\\setup.exe";
}

std::string SetupScenario::PlainSetupIni() {
  return IniText({{"info", {{"name", "dravkp.exe"}, {"product", "Delvrin测试"}}}});
}

std::string SetupScenario::DescriptionIni(std::string_view title) {
  return IniText({{"info", {{"title", std::string(title)}, {"path", "C:\\kv58"}, {"group", "Delvrin证券分析系统"}}}});
}

bool SetupScenario::WriteStartableMedium(std::string_view title) {
  bool written = medium_.Write("setup.ini", PlainSetupIni()) && medium_.Write("install.ini", DescriptionIni(title)) &&
                 medium_.Write("Lics.txt", "软件许可协议\r\n\r\n请仔细阅读以下条款。\r\n");
  if (!written) ADD_FAILURE() << "cannot write the medium";
  return written;
}

bool SetupScenario::StartSetup(const std::vector<std::wstring>& args) {
  if (!medium_.Created()) {
    ADD_FAILURE() << "the scratch medium folder could not be created";
    return false;
  }
  if (GetFileAttributesW(program_.c_str()) == INVALID_FILE_ATTRIBUTES) {
    ADD_FAILURE() << "setup.exe is not next to the test program";
    return false;
  }
  std::string error;
  startTick_ = GetTickCount64();
  setup_ = Process::Start(program_, args, medium_.Path(), &error);
  if (!setup_) ADD_FAILURE() << error;
  return setup_.has_value();
}

bool SetupScenario::CopySetupToMedium() {
  const std::wstring copy = medium_.Path() + L"\\setup.exe";
  if (!CopyFileW(SetupProgram().c_str(), copy.c_str(), TRUE)) return false;
  program_ = copy;
  return true;
}

std::optional<WindowInfo> SetupScenario::ExpectWindow(std::string_view caption, DWORD timeoutMs) {
  std::optional<WindowInfo> w = WaitForWindow(Pid(), caption, timeoutMs);
  if (!w) {
    ADD_FAILURE() << "no window \"" << Utf8(caption) << "\" within " << timeoutMs << " ms\n" << DumpWindows(Pid());
  }
  return w;
}

std::optional<MessageBoxInfo> SetupScenario::ExpectMessageBox(std::string_view text, DWORD timeoutMs) {
  std::optional<MessageBoxInfo> box = WaitForMessageBox(Pid(), timeoutMs, text);
  if (!box) {
    ADD_FAILURE() << "no message box \"" << Utf8(text) << "\" within " << timeoutMs << " ms\n" << DumpWindows(Pid());
  }
  return box;
}

void SetupScenario::Press(HWND window, std::string_view buttonCaption) {
  Outcome done = PressButton(window, buttonCaption, kBoxTimeoutMs);
  EXPECT_TRUE(done.ok) << done.message;
}

void SetupScenario::Answer(std::string_view buttonCaption) {
  Outcome done = AnswerMessageBox(Pid(), buttonCaption, kBoxTimeoutMs);
  EXPECT_TRUE(done.ok) << done.message;
}

std::optional<DWORD> SetupScenario::ExpectExit(DWORD timeoutMs) {
  if (!setup_) return std::nullopt;
  if (!setup_->WaitExit(timeoutMs)) {
    ADD_FAILURE() << "setup.exe still runs after " << timeoutMs << " ms\n" << DumpWindows(Pid());
    return std::nullopt;
  }
  return setup_->ExitCode();
}

}  // namespace yv::e2e
