#include "winsys/data_flusher.h"

#include <system_error>

namespace yv::winsys {

DWORD FlushAndClose(HANDLE file) {
  const DWORD flushed = FlushFileBuffers(file) ? ERROR_SUCCESS : GetLastError();
  const DWORD closed = CloseHandle(file) ? ERROR_SUCCESS : GetLastError();
  return flushed != ERROR_SUCCESS ? flushed : closed;
}

DataFlusher::~DataFlusher() {
  Drain();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void DataFlusher::Hand(HANDLE file, const std::string& target) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return waiting_.size() < kWaiting; });
  waiting_.emplace_back(file, target);
  // A thread more while every one is busy, so that a layer that stages nothing has none.
  if (workers_.size() < kFlushers && flushing_ + waiting_.size() > workers_.size()) {
    try {
      workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // Without any thread the file is flushed here.
      if (workers_.empty()) {
        waiting_.pop_back();
        const DWORD error = FlushAndClose(file);
        if (!fault_ && error != ERROR_SUCCESS) fault_ = NewFileFaultOf(error, target);
        return;
      }
    }
  }
  changed_.notify_all();
}

ChangeFault DataFlusher::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return waiting_.empty() && flushing_ == 0; });
  ChangeFault fault = fault_;
  fault_ = {};
  return fault;
}

void DataFlusher::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    if (waiting_.empty()) return;
    const auto [file, target] = waiting_.front();
    waiting_.pop_front();
    ++flushing_;
    changed_.notify_all();
    lock.unlock();
    const DWORD error = FlushAndClose(file);
    lock.lock();
    --flushing_;
    if (!fault_ && error != ERROR_SUCCESS) fault_ = NewFileFaultOf(error, target);
    changed_.notify_all();
  }
}

}  // namespace yv::winsys
