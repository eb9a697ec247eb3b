// The fixture of every whole-wizard scenario: a scratch medium, setup.exe started in it
// as a user would start it from the medium, and expectations that wait for what the
// wizard shows and, when it does not show it, fail with a dump of the visible windows.
// A setup.exe still running when the scenario ends is terminated through its own
// process handle.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/process.h"
#include "driver/window_list.h"
#include "support/medium.h"

namespace yv::e2e {

// Generous limits: the first program of a fresh Wine session needs a few seconds.
constexpr DWORD kWindowTimeoutMs = 15000;
constexpr DWORD kBoxTimeoutMs = 10000;
constexpr DWORD kExitTimeoutMs = 10000;

// setup.exe as built next to the test programs.
std::wstring SetupProgram();

class SetupScenario : public ::testing::Test {
 protected:
  // A setup.ini that names the main program and a product other than the one whose
  // earlier installation start-up looks up, so that what other scenarios left in the
  // registry cannot change the choice of description file.
  static std::string PlainSetupIni();
  // A description file with section "info" and the given title (GBK).
  static std::string DescriptionIni(std::string_view title);

  // A medium an interactive installation can start from: setup.ini, install.ini with
  // the given title, and the licence text the first page shows.
  bool WriteStartableMedium(std::string_view title);

  // Starts setup.exe in the medium; a failure is reported and returns false.
  bool StartSetup(const std::vector<std::wstring>& args = {});
  // From here on setup.exe starts from a copy on the medium, as a downloaded medium holds it.
  bool CopySetupToMedium();
  DWORD Pid() const { return setup_ ? setup_->pid() : 0; }
  // Milliseconds since StartSetup.
  ULONGLONG SinceStart() const { return GetTickCount64() - startTick_; }

  // Wait for a window or box of setup.exe; on timeout the failure shows what was there.
  std::optional<WindowInfo> ExpectWindow(std::string_view caption, DWORD timeoutMs = kWindowTimeoutMs);
  std::optional<MessageBoxInfo> ExpectMessageBox(std::string_view text, DWORD timeoutMs = kBoxTimeoutMs);
  void Press(HWND window, std::string_view buttonCaption);
  void Answer(std::string_view buttonCaption);
  // The exit code, or nullopt (reported) when setup.exe still runs after timeoutMs.
  std::optional<DWORD> ExpectExit(DWORD timeoutMs = kExitTimeoutMs);

  Medium medium_;
  std::wstring program_ = SetupProgram();
  std::optional<Process> setup_;
  ULONGLONG startTick_ = 0;
};

}  // namespace yv::e2e
