// The one retry policy of both programs: a file in use is tried again quietly a number of
// times, a pause apart (the program that holds it may be closing), and only then is the
// question asked, or the answer given that a silent run gives.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace yv::winsys {

class RetryPolicy {
 public:
  // `pause` waits (the page keeps its window alive meanwhile); Sleep by default.
  RetryPolicy(int quietAttempts, DWORD pauseMs, std::function<void(DWORD)> pause = Sleep)
      : quietAttempts_(quietAttempts), pauseMs_(pauseMs), pause_(std::move(pause)) {}
  // True to try `path` again: after a pause while quiet attempts are left for it, then
  // what `ask` says. Once asked about a path, it is asked about at once.
  bool TryAgain(const std::string& path, const std::function<bool()>& ask);

 private:
  int quietAttempts_;
  DWORD pauseMs_;
  std::function<void(DWORD)> pause_;
  std::string path_;
  int attempts_ = 0;
};

}  // namespace yv::winsys
