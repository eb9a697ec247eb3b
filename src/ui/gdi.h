// Owners of GDI objects and icons, so that none outlives its use: each deletes its handle
// when it goes. A form's brushes and icons, a control's bitmap and the pens of one
// painting are held this way rather than freed by hand.
#pragma once

#include <windows.h>

#include <utility>

namespace yv::ui {

template <class Handle, class Free>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  ~Owned() { Reset(); }
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset() {
    if (handle_) Free{}(handle_);
    handle_ = nullptr;
  }

 private:
  Handle handle_ = nullptr;
};

struct FreeGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct FreeIcon {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct FreeMemoryDc {
  void operator()(HDC dc) const { DeleteDC(dc); }
};

using Brush = Owned<HBRUSH, FreeGdiObject>;
using Pen = Owned<HPEN, FreeGdiObject>;
using Bitmap = Owned<HBITMAP, FreeGdiObject>;
using Icon = Owned<HICON, FreeIcon>;
using MemoryDc = Owned<HDC, FreeMemoryDc>;  // from CreateCompatibleDC

// An object selected into a device context for a scope; the earlier one goes back after.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), earlier_(SelectObject(dc, object)) {}
  ~Selected() { SelectObject(dc_, earlier_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ earlier_;
};

}  // namespace yv::ui
