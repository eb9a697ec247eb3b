#include "winsys/data_flusher.h"

namespace yv::winsys {

DataFlusher::~DataFlusher() {
  Drain();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void DataFlusher::Hand(HANDLE file, const std::string& target) {
  std::unique_lock<std::mutex> lock(mutex_);
  // Started with the first file, so that a layer that stages nothing has no thread.
  if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
  changed_.wait(lock, [this] { return waiting_.size() < kWaiting; });
  waiting_.emplace_back(file, target);
  changed_.notify_all();
}

ChangeFault DataFlusher::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return waiting_.empty() && !flushing_; });
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
    flushing_ = true;
    changed_.notify_all();
    lock.unlock();
    const bool flushed = FlushFileBuffers(file) != 0;
    const DWORD error = flushed ? ERROR_SUCCESS : GetLastError();
    const bool closed = CloseHandle(file) != 0;
    const DWORD closeError = closed ? ERROR_SUCCESS : GetLastError();
    lock.lock();
    flushing_ = false;
    if (!fault_ && (!flushed || !closed)) {
      const DWORD cause = flushed ? closeError : error;
      fault_ = {KindOfError(cause) == ChangeFault::Kind::kDiskFull ? ChangeFault::Kind::kDiskFull
                                                                   : ChangeFault::Kind::kCannotCreate,
                target, cause};
    }
    changed_.notify_all();
  }
}

}  // namespace yv::winsys
