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
  handed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void DataFlusher::Hand(HANDLE file, const std::string& target) {
  std::unique_lock<std::mutex> lock(mutex_);
  WaitUntil(lock, [this] { return waiting_.size() < kWaiting; });
  waiting_.emplace_back(file, target);
  // Under Wine each wake-up is a round trip through the wine server: idle threads are
  // woken for kBatch files at once (Drain wakes them for fewer), and one more thread is
  // started only while every one is busy (so that a layer that stages nothing has none).
  if (idle_ > 0) {
    if (waiting_.size() < kBatch) return;
    lock.unlock();
    handed_.notify_all();
    return;
  }
  if (workers_.size() >= kFlushers) return;
  try {
    workers_.emplace_back([this] { Work(); });
  } catch (const std::system_error&) {
    // Without any thread the file is flushed here.
    if (workers_.empty()) {
      waiting_.pop_back();
      const DWORD error = FlushAndClose(file);
      if (!fault_ && error != ERROR_SUCCESS) fault_ = NewFileFaultOf(error, target);
    }
  }
}

ChangeFault DataFlusher::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!waiting_.empty()) handed_.notify_all();
  WaitUntil(lock, [this] { return waiting_.empty() && flushing_ == 0; });
  ChangeFault fault = fault_;
  fault_ = {};
  return fault;
}

template <typename Condition>
void DataFlusher::WaitUntil(std::unique_lock<std::mutex>& lock, Condition condition) {
  ++settling_;
  settled_.wait(lock, condition);
  --settling_;
}

void DataFlusher::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    ++idle_;
    handed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    --idle_;
    if (waiting_.empty()) return;
    // Takes what waits until there is no more, without sleeping in between.
    do {
      const auto [file, target] = waiting_.front();
      waiting_.pop_front();
      ++flushing_;
      lock.unlock();
      const DWORD error = FlushAndClose(file);
      lock.lock();
      --flushing_;
      if (!fault_ && error != ERROR_SUCCESS) fault_ = NewFileFaultOf(error, target);
      if (settling_ > 0) settled_.notify_all();
    } while (!waiting_.empty());
  }
}

}  // namespace yv::winsys
