// The record the probe programs keep: one line per event, appended (GBK) to the file
// that the environment variable YV_RUN_LOG names, so a test sees who ran, in which
// order, with which command line and in which working folder.
#pragma once

#include <windows.h>

#include <string>

inline void AppendProbeLine(const std::wstring& line) {
  wchar_t log[MAX_PATH];
  if (!GetEnvironmentVariableW(L"YV_RUN_LOG", log, MAX_PATH)) return;
  const std::wstring text = line + L"\r\n";
  std::string bytes(text.size() * 2, '\0');
  bytes.resize(
      static_cast<std::size_t>(WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                                   static_cast<int>(bytes.size()), nullptr, nullptr)));
  HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// "start <command line>|<working folder>"
inline void RecordStart() {
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  AppendProbeLine(std::wstring(L"start ") + GetCommandLineW() + L"|" + folder);
}

// The number after `option` ("--exit=") in the command line, or `otherwise`.
inline int OptionValue(const wchar_t* option, int otherwise) {
  const std::wstring command = GetCommandLineW();
  const std::size_t at = command.find(option);
  return at == std::wstring::npos ? otherwise : _wtoi(command.c_str() + at + wcslen(option));
}
