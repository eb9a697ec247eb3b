// Owners of COM interfaces.
#pragma once

namespace yv::winsys {

// Releases a COM interface when it goes out of scope.
template <typename Interface>
struct Released {
  Interface* p = nullptr;
  ~Released() {
    if (p) p->Release();
  }
};

}  // namespace yv::winsys
