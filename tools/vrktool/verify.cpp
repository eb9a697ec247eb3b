// verify: decodes every entry of containers and checks everything a reader may trip on.
#include "vrktool/commands.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <new>
#include <sstream>
#include <system_error>
#include <thread>

#include "vrktool/container_read.h"
#include "vrktool/native.h"
#include "vrktool/progress.h"
#include "vrktool/tool_io.h"

namespace yv::vrktool {

namespace {

// Where one container's findings go, and what it tells of its reading.
struct ContainerCheck {
  std::ostream& out;                         // its reports
  std::ostream& err;                         // its findings
  std::function<void(const File&)> reading;  // each block checked, the file being read
  std::function<void()> beforeReport;        // a report line is about to be written
};

int VerifyContainer(const std::string& container, const ContainerCheck& check) {
  std::ostream& out = check.out;
  std::ostream& err = check.err;
  const File* current = nullptr;
  const archive::BlockSink checksumOnly = [&](const char*, std::size_t) {
    if (current) check.reading(*current);
    return true;
  };
  if (!archive::IsPackageArchivePath(container)) {
    OpenPacked open;
    uint64_t decoded = 0;
    if (!Open(container, open, err)) return kExitFailed;
    current = &open.file;
    if (!DecodePacked(container, open, checksumOnly, decoded, err)) return kExitFailed;
    check.beforeReport();
    out << container << ": ok (packed file, " << decoded << " bytes)\n";
    return kExitOk;
  }
  OpenArchive open;
  if (!Open(container, open, err)) return kExitFailed;
  archive::PackageReader& reader = *open.reader;
  current = &open.file;
  DuplicateNames names;
  std::size_t compressed = 0;
  std::size_t stored = 0;
  bool ok = true;
  archive::PackageEntry entry;
  while (reader.NextEntry(entry)) {
    const std::size_t index = reader.EntriesRead();
    const std::string label = EntryLabel(index, entry.name);
    (entry.IsCompressed() ? compressed : stored)++;
    ok &= GuardEntry(container, label, err, [&] {
      bool good = true;
      if (!ComponentsOf(entry.name)) {
        err << "vrktool: " << container << ": " << label << ": the name is not valid GBK\n";
        good = false;
      }
      if (const std::size_t earlier = names.Add(entry.name, index)) {
        err << "vrktool: " << container << ": " << label << " has the name of entry " << earlier
            << " (Windows compares names without regard to letter case)\n";
        good = false;
      }
      const std::string failure = CheckEntryData(reader, entry, checksumOnly);
      if (!failure.empty()) {
        err << "vrktool: " << container << ": " << label << ": " << failure << "\n";
        good = false;
      }
      return good;
    });
  }
  current = nullptr;
  check.beforeReport();  // the reports below stand on lines of their own
  if (!ReadToTheEnd(container, reader, err) || !NoFileIsAFolder(container, names, out, err) || !ok) {
    return kExitFailed;
  }
  out << container << ": ok (" << compressed << " compressed, " << stored << " stored entries)\n";
  if (reader.TrailingBytes() > 0) out << container << ": note: " << TrailingNote(reader.TrailingBytes()) << "\n";
  return kExitOk;
}

// Several containers are checked at once, one a thread (as many threads as the processor
// runs at once), each into its own buffers; each container's report comes out in the
// order of the command line as soon as it and those before it are checked.
int VerifyAtOnce(const std::vector<std::string>& containers, const std::vector<uint64_t>& sizes, std::size_t threads,
                 const ToolContext& tool, Progress& progress) {
  struct Outcome {
    std::ostringstream out, err;
    int result = kExitOk;
    bool done = false;
  };
  std::vector<Outcome> outcomes(containers.size());
  std::mutex lock;
  std::condition_variable checked;
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i; (i = next++) < containers.size();) {
      uint64_t counted = 0;  // of this container's bytes, on the progress line
      const auto count = [&](uint64_t position) {
        if (position <= counted) return;
        progress.Add(position - counted);
        counted = position;
      };
      const ContainerCheck check{outcomes[i].out, outcomes[i].err,
                                 [&](const File& file) {
                                   if (progress.Shown()) count(FilePosition(file));
                                 },
                                 [] {}};
      int result = kExitFailed;
      try {
        result = VerifyContainer(containers[i], check);
      } catch (const std::bad_alloc&) {
        outcomes[i].err << "vrktool: not enough memory\n";
      }
      count(sizes[i]);
      {
        const std::lock_guard<std::mutex> hold(lock);
        outcomes[i].result = result;
        outcomes[i].done = true;
      }
      checked.notify_one();
    }
  };
  std::vector<std::thread> workers;
  try {
    for (std::size_t t = 0; t < threads; ++t) workers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads than asked for; with none, this one does the work.
  }
  if (workers.empty()) work();
  int result = kExitOk;
  for (Outcome& outcome : outcomes) {
    {
      std::unique_lock<std::mutex> hold(lock);
      checked.wait(hold, [&] { return outcome.done; });
    }
    progress.Report(tool.err, outcome.err.str());
    progress.Report(tool.out, outcome.out.str());
    if (outcome.result != kExitOk) result = kExitFailed;
  }
  for (std::thread& worker : workers) worker.join();
  return result;
}

}  // namespace

int Verify(const std::vector<std::string>& containers, const ToolContext& tool, bool progressShown) {
  // The line counts the bytes of all the containers read so far.
  std::vector<uint64_t> sizes;
  uint64_t total = 0;
  for (const std::string& container : containers) total += sizes.emplace_back(FileSize(PathFromArgument(container)));
  Progress progress(tool.err, progressShown, total);
  const std::size_t threads = std::min<std::size_t>(containers.size(), std::thread::hardware_concurrency());
  if (threads > 1) return VerifyAtOnce(containers, sizes, threads, tool, progress);
  int result = kExitOk;
  uint64_t before = 0;  // bytes of the containers already verified
  for (std::size_t i = 0; i < containers.size(); ++i) {
    const ContainerCheck check{tool.out, progress.Messages(),
                               [&](const File& file) {
                                 if (progress.Due()) progress.Set(before + FilePosition(file));
                               },
                               [&] { progress.Finish(); }};
    if (VerifyContainer(containers[i], check) != kExitOk) result = kExitFailed;
    before += sizes[i];
  }
  return result;
}

int RunVerify(const ParsedCommand& parsed, const ToolContext& tool) {
  if (parsed.operands.empty()) return Usage(tool.err, "verify needs a CONTAINER", "verify");
  return Verify(parsed.operands, tool, ProgressShown(tool.terminal, parsed.Has("--quiet")));
}

}  // namespace yv::vrktool
