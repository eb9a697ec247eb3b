#include "archive/implode_parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace yv::archive {

void RunInParallel(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& task) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr firstError;
  std::mutex errorLock;
  auto work = [&] {
    for (std::size_t i = next++; i < count && !failed; i = next++) {
      try {
        task(i);
      } catch (...) {
        const std::lock_guard<std::mutex> hold(errorLock);
        if (!firstError) firstError = std::current_exception();
        failed = true;
      }
    }
  };
  const std::size_t helpers = std::min<std::size_t>(threads == 0 ? 0 : threads - 1, count == 0 ? 0 : count - 1);
  std::vector<std::thread> pool;
  pool.reserve(helpers);
  for (std::size_t t = 0; t < helpers; ++t) pool.emplace_back(work);
  work();
  for (std::thread& thread : pool) thread.join();
  if (firstError) std::rethrow_exception(firstError);
}

std::string ImplodeInParallel(std::string_view content, ImplodeLiteralMode mode, unsigned dictionarySize,
                              unsigned threads) {
  std::vector<ImplodeBits> segments(ImplodeSegmentCount(content.size()));
  RunInParallel(segments.size(), threads,
                [&](std::size_t i) { segments[i] = ImplodeSegment(content, i, mode, dictionarySize); });
  return JoinImplodeSegments(segments, mode, dictionarySize, content.size());
}

}  // namespace yv::archive
