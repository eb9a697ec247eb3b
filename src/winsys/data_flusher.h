// Makes the files of a run durable beside it: each finished file's handle is flushed to
// the disk and closed on threads of their own, so that the disk's latency overlaps the
// decoding and writing of the next files. Up to kFlushers flushes run at once: a disk
// (and the file system's journal) serves several waiting flushes together far sooner than
// one after the other. Idle threads are woken for kBatch files at once. At most kWaiting
// handles wait; Drain wakes the threads for what waits, waits for every one and reports the
// first fault.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "winsys/change_fault.h"

namespace yv::winsys {

// Flushes a new file's data to the disk and closes it: ERROR_SUCCESS, or the first error.
DWORD FlushAndClose(HANDLE file);

class DataFlusher {
 public:
  static constexpr std::size_t kWaiting = 64;
  static constexpr std::size_t kFlushers = 4;
  static constexpr std::size_t kBatch = 8;

  DataFlusher() = default;
  ~DataFlusher();
  DataFlusher(const DataFlusher&) = delete;
  DataFlusher& operator=(const DataFlusher&) = delete;

  // Takes the open handle of `target`'s staged file; it is flushed and closed.
  void Hand(HANDLE file, const std::string& target);
  // Every handed file flushed and closed; the first fault since the last Drain.
  ChangeFault Drain();

 private:
  void Work();
  // Waits on settled_ until `condition` holds.
  template <typename Condition>
  void WaitUntil(std::unique_lock<std::mutex>& lock, Condition condition);

  std::mutex mutex_;
  std::condition_variable handed_;   // a file waits, or the flusher stops: for idle threads
  std::condition_variable settled_;  // a file was flushed: for Hand and Drain
  std::deque<std::pair<HANDLE, std::string>> waiting_;
  std::size_t idle_ = 0;      // threads waiting for a file
  std::size_t settling_ = 0;  // callers waiting on settled_
  std::size_t flushing_ = 0;
  bool stopping_ = false;
  ChangeFault fault_;
  std::vector<std::thread> workers_;
};

}  // namespace yv::winsys
