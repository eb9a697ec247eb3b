// Installation throughput under Wine: a medium's package archive installed through the
// quiet InstallPackageItem, against CopyFileW of the same files uncompressed, in one run
// (best of three each, into emptied folders). Prints both times and their ratio.
//
// usage: yv_install_bench ARCHIVE SOURCE_FOLDER WORK_FOLDER
//   ARCHIVE holds exactly the files of SOURCE_FOLDER (flat); WORK_FOLDER is scratch.
//   With YV_BENCH_LOG=1 the installation records every file in an installation log in
//   WORK_FOLDER, as setup.exe does when the medium names an uninstaller.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/win/extract.h"
#include "install_log/log_file.h"
#include "text/cp936.h"

namespace {

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

// An empty folder: the files of an earlier run are deleted (the folders hold no others).
void Empty(const std::wstring& folder) {
  CreateDirectoryW(folder.c_str(), nullptr);
  for (const std::wstring& name : FilesIn(folder)) DeleteFileW((folder + L"\\" + name).c_str());
}

uint64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return ~0ull;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

template <typename Work>
double Seconds(Work work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: yv_install_bench ARCHIVE SOURCE_FOLDER WORK_FOLDER\n");
    return 2;
  }
  const std::string archive = argv[1];
  const std::wstring source = yv::text::ToWide(argv[2]);
  const std::string work = argv[3];
  const std::string installed = work + "\\installed";
  const std::wstring copied = yv::text::ToWide(work) + L"\\copied";
  CreateDirectoryW(yv::text::ToWide(work).c_str(), nullptr);
  const std::vector<std::wstring> files = FilesIn(source);
  uint64_t total = 0;
  for (const std::wstring& name : files) total += FileSize(source + L"\\" + name);

  const char* withLog = std::getenv("YV_BENCH_LOG");
  yv::install_log::LogWriter log(work + "\\install.log", "bench");
  if (withLog && *withLog == '1') yv::install_log::SetCurrentRecorder(&log);
  yv::archive::FaultBoxes faults(nullptr);
  double install = 1e9;
  double copy = 1e9;
  for (int run = 0; run < 3; ++run) {
    Empty(yv::text::ToWide(installed));
    bool ok = true;
    install = std::min(install, Seconds([&] {
                         ok = static_cast<bool>(yv::archive::InstallPackageItemQuiet(faults, installed, archive, "."));
                       }));
    if (!ok) {
      std::fprintf(stderr, "InstallPackageItem failed\n");
      return 1;
    }
    Empty(copied);
    copy = std::min(copy, Seconds([&] {
                      for (const std::wstring& name : files) {
                        if (!CopyFileW((source + L"\\" + name).c_str(), (copied + L"\\" + name).c_str(), FALSE))
                          ok = false;
                      }
                    }));
    if (!ok) {
      std::fprintf(stderr, "CopyFileW failed\n");
      return 1;
    }
  }
  // The installed files must be the medium's files, size for size.
  for (const std::wstring& name : files) {
    if (FileSize(yv::text::ToWide(installed) + L"\\" + name) != FileSize(source + L"\\" + name)) {
      std::fprintf(stderr, "an installed file differs in size\n");
      return 1;
    }
  }
  std::printf(
      "%zu files, %.1f MiB: InstallPackageItem (quiet) %.0f ms (%.0f MB/s), CopyFileW %.0f ms (%.0f MB/s): "
      "install/copy x%.2f%s\n",
      files.size(), static_cast<double>(total) / (1 << 20), install * 1000, static_cast<double>(total) / install / 1e6,
      copy * 1000, static_cast<double>(total) / copy / 1e6, install / copy,
      yv::install_log::CurrentRecorder() ? " (each file recorded in the installation log)" : "");
  return 0;
}
