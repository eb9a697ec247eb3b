#include "winsys/data_flusher.h"

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
    const DWORD error = FlushAndClose(file);
    lock.lock();
    flushing_ = false;
    if (!fault_ && error != ERROR_SUCCESS) fault_ = NewFileFaultOf(error, target);
    changed_.notify_all();
  }
}

}  // namespace yv::winsys
