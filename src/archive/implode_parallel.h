// Encoding on several threads. The segments of a stream (implode.h) are independent, so
// they are shared out among the threads and joined in order: the stream is the same
// for any number of threads.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "archive/implode.h"

namespace yv::archive {

// Runs task(0) to task(count - 1) on up to `threads` threads, the caller's among them,
// each thread taking the next task not yet taken. Returns when all have ended; the first
// exception a task throws is thrown again here, after the others have stopped.
void RunInParallel(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& task);

// Implode's stream of `content`, its segments encoded on up to `threads` threads.
std::string ImplodeInParallel(std::string_view content, ImplodeLiteralMode mode, unsigned dictionarySize,
                              unsigned threads);

}  // namespace yv::archive
