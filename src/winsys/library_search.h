// Where the programs that run with administrator rights load libraries from. setup.exe
// and uninstall.exe start from folders a user can write (a downloaded medium, the
// temporary folder, the Windows folder's uninstaller beside its log), and Windows looks for
// a library in the program's own folder before the system folder: a library of a system
// name placed there would run with those rights. The manifest pins the libraries Windows
// loads for the programs before their first instruction (comctl32, which the forms layer
// imports, is not one the system protects itself); every later load is looked for in the
// system folder alone.
#pragma once

#include <windows.h>

#include <string>

namespace yv::winsys {

// The first thing each program does. Later loads by name search the system folder only
// (SetDefaultDllDirectories, which Windows 7 has with its update KB2533623); the working
// folder is in no search for a library (SetDllDirectoryW(L"")), and SearchPath looks in it
// last (safe search mode), for the rare program named without a path.
void LimitLibrarySearch();

// The system folder followed by "\" and `name`; empty when the folder cannot be read.
std::wstring SystemFile(const wchar_t* name);

// A library of the system folder, loaded by its full path (its own imports are looked for
// beside it first); nullptr when it is not there.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a library of the system folder; nullptr when this Windows has none.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
  const HMODULE module = LoadSystemLibrary(library);
  const FARPROC found = module ? GetProcAddress(module, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

}  // namespace yv::winsys
