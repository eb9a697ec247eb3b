// Libraries of system names planted where setup.exe and uninstall.exe start from. Wine
// prefers its own libraries to a file beside a program, where Windows looks in the
// program's folder first; the named programs are told to prefer such a file, as Windows
// would (Wine's per-program DllOverrides "native,builtin" under HKEY_CURRENT_USER: Wine
// reads its load order at a process's start from the registry or from the environment it
// was itself started with, not from the environment a Windows parent passes on). Each
// planted library that a process loads leaves a marker beside itself
// (tests/common/planted_library.cpp).
#pragma once

#include <string>
#include <vector>

namespace yv::test {

// The system libraries the programs pull in or that Windows loads for them, none of them
// one the system protects itself (names without ".dll").
extern const std::vector<std::wstring> kPlantedNames;

class PlantedLibraries {
 public:
  // `programs`: the file names of the programs to prefer a planted library ("setup.exe").
  explicit PlantedLibraries(std::vector<std::wstring> programs);
  // Removes what it planted, the markers and the load order it set.
  ~PlantedLibraries();
  PlantedLibraries(const PlantedLibraries&) = delete;
  PlantedLibraries& operator=(const PlantedLibraries&) = delete;

  // Plants a copy of planted_library.dll (from the test program's folder) under each name
  // into `folder` (in place of one a stopped run left); false when one could not be written.
  bool PlantIn(const std::wstring& folder);
  // The markers written so far: "<planted library>: <program that loaded it>" (UTF-8).
  std::vector<std::string> Loaded() const;

 private:
  std::vector<std::wstring> programs_;
  std::vector<std::wstring> planted_;
};

}  // namespace yv::test
