// Installation throughput under Wine, in one run (median of kRounds each, each measurement
// starting with the files of the one before on the disk): a medium's package archive
// installed through the quiet InstallPackageItem as one run of the change layer (staged,
// flushed, committed) with its journal into a folder the run creates (a first
// installation), the same run on the page thread alone, the same run without a journal,
// the same run over the files of the one before (an upgrade: each file replaced), and
// CopyFileW of the same files uncompressed into an emptied folder, each copy also once
// flushed to the disk (what a run does before its renames publish a file). Prints the
// times (each also in its phases: staging, the wait for the last flushes, the commit
// window of the renames) and the ratios.
//
// usage: yv_install_bench ARCHIVE SOURCE_FOLDER WORK_FOLDER
//   ARCHIVE holds exactly the files of SOURCE_FOLDER (flat); WORK_FOLDER is scratch.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/win/extract.h"
#include "install_log/log_file.h"
#include "text/cp936.h"
#include "winsys/change_layer.h"

namespace {

constexpr int kRounds = 5;

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

// Every file of `folder` on the disk, so that the next measurement does not pay for the
// writes of the one before: a flush makes the file system write out what it holds of
// other files too.
void Settle(const std::wstring& folder) {
  for (const std::wstring& name : FilesIn(folder)) {
    const HANDLE file = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    FlushFileBuffers(file);
    CloseHandle(file);
  }
}

void Remove(const std::wstring& folder) {
  Empty(folder);
  RemoveDirectoryW(folder.c_str());
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

  yv::archive::FaultBoxes faults(nullptr);
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  // The run as setup.exe makes it, the same on the page thread alone (no archive read
  // ahead), and without a journal; each timed whole, and the first in its three phases
  // too: staging, the wait for the last flushes, the commit (renames).
  struct Variant {
    const char* name;
    bool journal;
    bool readAhead;
    bool upgrade;  // over the files of the variant before
    std::vector<double> whole, staging, flushWait, commit;
  };
  Variant variants[] = {{"run", true, true, false, {}, {}, {}, {}},
                        {"on one thread", true, false, false, {}, {}, {}, {}},
                        {"without journal", false, true, false, {}, {}, {}, {}},
                        {"upgrade", true, true, true, {}, {}, {}, {}}};
  const uint64_t readAheadFrom = yv::archive::gReadAheadFrom;
  std::vector<double> copies, durableCopies;
  // One run of the change layer; false when it did not go through.
  const auto installRun = [&](Variant& v, yv::install_log::ChangeRecorder* journal) {
    yv::archive::gReadAheadFrom = v.readAhead ? readAheadFrom : ~uint64_t{0};
    yv::winsys::ChangeLayer changes(journal);
    bool ok = true;
    v.staging.push_back(Seconds([&] {
      ok = !changes.BeginRun("bench", installed) && !changes.CreateFolder(installed) &&
           static_cast<bool>(yv::archive::InstallPackageItemQuiet(faults, changes, installed, archive, "."));
    }));
    v.flushWait.push_back(Seconds([&] { ok = ok && !changes.StagedFilesOnDisk(); }));
    v.commit.push_back(Seconds([&] { ok = ok && !changes.Commit(); }));
    return ok;
  };
  for (int run = 0; run < kRounds; ++run) {
    bool ok = true;
    for (Variant& v : variants) {
      if (!v.upgrade) Remove(yv::text::ToWide(installed));
      DeleteFileW(yv::text::ToWide(work + "\\install.log").c_str());
      yv::install_log::LogWriter log(work + "\\install.log", "bench",
                                     yv::install_log::Record::Of(yv::install_log::RecordKind::Run, "bench"));
      v.whole.push_back(Seconds([&] { ok = installRun(v, v.journal ? &log : nullptr); }));
      Settle(yv::text::ToWide(installed));
      if (!ok) {
        std::fprintf(stderr, "the installation run failed\n");
        return 1;
      }
    }
    Empty(copied);
    copies.push_back(Seconds([&] {
      for (const std::wstring& name : files) {
        if (!CopyFileW((source + L"\\" + name).c_str(), (copied + L"\\" + name).c_str(), FALSE)) ok = false;
      }
    }));
    Settle(copied);
    Empty(copied);
    durableCopies.push_back(Seconds([&] {
      for (const std::wstring& name : files) {
        const std::wstring to = copied + L"\\" + name;
        if (!CopyFileW((source + L"\\" + name).c_str(), to.c_str(), FALSE)) ok = false;
        const HANDLE file = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE || !FlushFileBuffers(file)) ok = false;
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
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
  const double copy = median(copies);
  const double durableCopy = median(durableCopies);
  std::printf("%zu files, %.1f MiB (median of %d), CopyFileW %.0f ms, each also flushed %.0f ms\n", files.size(),
              static_cast<double>(total) / (1 << 20), kRounds, copy * 1000, durableCopy * 1000);
  for (const Variant& v : variants) {
    std::printf("%-16s %5.0f ms (staging %.0f, wait for flushes %.0f, commit window %.0f), /copy x%.2f\n", v.name,
                median(v.whole) * 1000, median(v.staging) * 1000, median(v.flushWait) * 1000, median(v.commit) * 1000,
                median(v.whole) / copy);
  }
  std::printf(
      "run/copy x%.2f, run/flushed copy x%.2f, run/one thread x%.2f, journal/no journal x%.2f, upgrade/copy x%.2f, "
      "upgrade/flushed copy x%.2f\n",
      median(variants[0].whole) / copy, median(variants[0].whole) / durableCopy,
      median(variants[0].whole) / median(variants[1].whole), median(variants[0].whole) / median(variants[2].whole),
      median(variants[3].whole) / copy, median(variants[3].whole) / durableCopy);
  return 0;
}
