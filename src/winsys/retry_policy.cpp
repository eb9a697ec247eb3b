#include "winsys/retry_policy.h"

namespace yv::winsys {

bool RetryPolicy::TryAgain(const std::string& path, const std::function<bool()>& ask) {
  if (path != path_) {
    path_ = path;
    attempts_ = 0;
  }
  if (attempts_ < quietAttempts_) {
    ++attempts_;
    pause_(pauseMs_);
    return true;
  }
  attempts_ = quietAttempts_;
  return ask();
}

}  // namespace yv::winsys
