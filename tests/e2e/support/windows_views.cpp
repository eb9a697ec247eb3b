#include "support/windows_views.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "driver/process.h"
#include "support/medium.h"
#include "text/cp936.h"

namespace yv::e2e {

namespace {

// The bytes of an open file (closed afterwards), or nullopt when it did not open.
std::optional<std::string> ReadAndClose(HANDLE file) {
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string data(4096, '\0');
  DWORD got = 0;
  ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
  CloseHandle(file);
  data.resize(got);
  return data;
}

}  // namespace

std::optional<std::string> ProbeValue(Bitness bitness, const std::string& key, const std::string& name) {
  const wchar_t* program = bitness == Bitness::k32 ? L"\\registry_probe32.exe" : L"\\registry_probe64.exe";
  Medium scratch;
  const std::wstring output = scratch.Path() + L"\\value.bin";
  auto probe =
      Process::Start(ProgramFolder() + program, {text::ToWide(key), text::ToWide(name), output}, scratch.Path());
  if (!probe || !probe->WaitExit(10000)) {
    ADD_FAILURE() << "the registry probe did not run";
    return std::nullopt;
  }
  if (probe->ExitCode() != 0u) return std::nullopt;
  return ReadAndClose(CreateFileW(output.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string Wow6432Path(const std::string& key) {
  const std::size_t slash = key.find('\\');
  return key.substr(0, slash) + "\\Wow6432Node" + key.substr(slash);
}

std::optional<std::string> ReadSystemFolderFile(Bitness bitness, const std::string& name) {
  wchar_t windows[MAX_PATH] = L"";
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring path =
      std::wstring(windows) + (bitness == Bitness::k32 ? L"\\syswow64\\" : L"\\system32\\") + text::ToWide(name);
  // A 64-bit program sees both folders as they are.
  void* redirection = nullptr;
  if (kProductBitness == Bitness::k32 && !Wow64DisableWow64FsRedirection(&redirection)) {
    ADD_FAILURE() << "not a 32-bit program on a 64-bit system";
    return std::nullopt;
  }
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (kProductBitness == Bitness::k32) Wow64RevertWow64FsRedirection(redirection);
  return ReadAndClose(file);
}

}  // namespace yv::e2e
