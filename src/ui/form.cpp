#include "ui/form.h"

#include <commctrl.h>

#include <stdexcept>

#include "text/cp936.h"
#include "ui/application.h"
#include "ui/fonts.h"

namespace yv::ui {

namespace {

constexpr wchar_t kFormClass[] = L"YvForm";

ModalObserver& Observer() {
  static ModalObserver observer;
  return observer;
}

void RegisterFormClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcW;  // replaced per window in WM_NCCREATE below
  wc.hInstance = Instance();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);
  registered = true;
}

struct Creation {
  const wchar_t* cls;
  DWORD style;
  DWORD exStyle;
};

Creation CreationFor(const ControlSpec& s) {
  DWORD visible = (s.flags & kHidden) ? 0 : WS_VISIBLE;
  DWORD base = WS_CHILD | visible | ((s.flags & kDisabled) ? WS_DISABLED : 0);
  switch (s.kind) {
    case Kind::Label:
      return {L"STATIC", base | SS_NOPREFIX | ((s.flags & kCentered) ? SS_CENTER : SS_LEFT), 0};
    case Kind::StaticText:
      return {L"STATIC", base | SS_NOPREFIX | SS_LEFT, 0};
    case Kind::Button:
      return {L"BUTTON", base | WS_TABSTOP | ((s.flags & kDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0};
    case Kind::CheckBox:
      return {L"BUTTON", base | WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case Kind::Edit:
      return {L"EDIT", base | WS_TABSTOP | ES_AUTOHSCROLL | ((s.flags & kReadOnly) ? ES_READONLY : 0),
              WS_EX_CLIENTEDGE};
    case Kind::Memo:
      return {L"EDIT",
              base | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
                  ((s.flags & kReadOnly) ? ES_READONLY : 0) | ((s.flags & kVScroll) ? WS_VSCROLL : 0),
              WS_EX_CLIENTEDGE};
    case Kind::ProgressBar:
      return {PROGRESS_CLASSW, base, 0};
    case Kind::Bevel:
      return {L"STATIC", base | SS_OWNERDRAW, 0};
    case Kind::Image:
      return {L"STATIC", base | SS_OWNERDRAW, 0};
  }
  return {L"STATIC", base, 0};
}

}  // namespace

void SetModalObserver(ModalObserver observer) { Observer() = std::move(observer); }

Form::Form(FormSpec form, const std::vector<ControlSpec>& layout) : spec_(std::move(form)) {
  RegisterFormClass();
  DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
  DWORD exStyle = 0;
  if (spec_.border == Border::Dialog) {
    style |= WS_DLGFRAME;
    exStyle |= WS_EX_DLGMODALFRAME;
  } else {
    style |= WS_BORDER;
  }
  RECT rc{0, 0, spec_.clientWidth, spec_.clientHeight};
  AdjustWindowRectEx(&rc, style, FALSE, exStyle);
  int width = rc.right - rc.left;
  int height = rc.bottom - rc.top;
  // Centred on the screen (the restored position of a maximised form too).
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

  // Secondary forms stay above the application's window, which owns them.
  HWND owner = ApplicationWindow();
  hwnd_ = CreateWindowExW(exStyle, kFormClass, text::ToWide(spec_.caption).c_str(), style, x, y, width,
                          height, owner, nullptr, Instance(), nullptr);
  if (!hwnd_) throw std::runtime_error("Error creating window");
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form::WindowProc));
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(spec_.font)), FALSE);
  background_ = BrushFor(spec_.color);
  if (spec_.iconId) {
    HICON big = static_cast<HICON>(LoadImageW(Instance(), MAKEINTRESOURCEW(spec_.iconId), IMAGE_ICON, 32, 32, 0));
    HICON small = static_cast<HICON>(LoadImageW(Instance(), MAKEINTRESOURCEW(spec_.iconId), IMAGE_ICON, 16, 16, 0));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
  for (const auto& row : layout) CreateControl(row);
}

Form::~Form() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  for (auto& [color, brush] : brushes_) DeleteObject(brush);
  for (auto& [control, bitmap] : images_) DeleteObject(bitmap);
}

void Form::CreateControl(const ControlSpec& s) {
  Creation c = CreationFor(s);
  int left = s.left, top = s.top, width = s.width, height = s.height;
  if (s.flags & kAlignTop) {
    left = 0;
    top = 0;
    width = spec_.clientWidth;
  }
  if (s.flags & kAlignLeft) {
    left = 0;
    top = 0;
    height = spec_.clientHeight;
  }
  std::wstring caption = s.kind == Kind::Image ? L"" : text::ToWide(s.caption);
  HWND h = CreateWindowExW(c.exStyle, c.cls, caption.c_str(), c.style, left, top, width, height, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(controls_.size() + 100)),
                           Instance(), nullptr);
  if (!h) throw std::runtime_error("Error creating window");
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(s.font ? *s.font : spec_.font)), FALSE);
  if (s.kind == Kind::Image && s.resourceId) {
    auto bitmap = static_cast<HBITMAP>(LoadImageW(Instance(), MAKEINTRESOURCEW(s.resourceId), IMAGE_BITMAP, 0, 0, 0));
    if (bitmap) images_[h] = bitmap;
  }
  if (s.backColor != kNoColor) BrushFor(s.backColor);
  controls_.push_back(std::make_unique<Control>(*this, s, h));
}

void Form::AlignControls(int clientWidth, int clientHeight) {
  // Aligned controls follow the client area: a top line keeps its height, a left
  // column its width.
  for (const auto& c : controls_) {
    RECT rc;
    GetWindowRect(c->Handle(), &rc);
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    if (c->GetFlags() & kAlignTop) {
      MoveWindow(c->Handle(), 0, 0, clientWidth, height, TRUE);
    } else if (c->GetFlags() & kAlignLeft) {
      MoveWindow(c->Handle(), 0, 0, width, clientHeight, TRUE);
    }
  }
}

Control* Form::Find(const std::string& name) const {
  for (const auto& c : controls_) {
    if (c->Name() == name) return c.get();
  }
  return nullptr;
}

Control& Form::operator[](const std::string& name) const {
  Control* c = Find(name);
  if (!c) throw std::logic_error("no control " + name);
  return *c;
}

void Form::SetTabOrder(std::initializer_list<const char*> names) {
  // Tab follows the z-order of the controls: put them on top, one after the other.
  HWND previous = HWND_TOP;
  for (const char* name : names) {
    HWND h = (*this)[name].Handle();
    SetWindowPos(h, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = h;
  }
}

Control* Form::ControlOf(HWND hwnd) const {
  for (const auto& c : controls_) {
    if (c->Handle() == hwnd) return c.get();
  }
  return nullptr;
}

std::string Form::Caption() const { return WindowText(hwnd_); }

void Form::SetCaption(const std::string& gbk) { SetWindowTextW(hwnd_, text::ToWide(gbk).c_str()); }

HBRUSH Form::BrushFor(COLORREF color) {
  COLORREF rgb = ResolveColor(color);
  auto it = brushes_.find(rgb);
  if (it != brushes_.end()) return it->second;
  HBRUSH brush = CreateSolidBrush(rgb);
  brushes_.emplace(rgb, brush);
  return brush;
}

Form* Form::FromWindow(HWND hwnd) {
  if (!hwnd) return nullptr;
  wchar_t cls[16];
  if (!GetClassNameW(hwnd, cls, 16) || wcscmp(cls, kFormClass) != 0) return nullptr;
  return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool Form::Showing() const { return hwnd_ && IsWindowVisible(hwnd_); }

void Form::Show() {
  ShowWindow(hwnd_, spec_.maximized ? SW_SHOWMAXIMIZED : SW_SHOW);
  UpdateWindow(hwnd_);
}

void Form::Hide() { ShowWindow(hwnd_, SW_HIDE); }

namespace {
struct DisabledWindows {
  HWND keep;
  std::vector<HWND> list;
};
BOOL CALLBACK DisableOne(HWND hwnd, LPARAM param) {
  auto* d = reinterpret_cast<DisabledWindows*>(param);
  if (hwnd != d->keep && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    EnableWindow(hwnd, FALSE);
    d->list.push_back(hwnd);
  }
  return TRUE;
}
}  // namespace

int Form::ShowModal() {
  DisabledWindows disabled{hwnd_, {}};
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled));
  modalResult = mrNone;
  inModalLoop_ = true;
  Show();
  SetForegroundWindow(hwnd_);
  // Focus the first enabled control in tab order, the default button when it can.
  for (const auto& c : controls_) {
    if ((c->GetFlags() & kDefault) && c->Enabled()) {
      c->SetFocus();
      break;
    }
  }
  if (Observer()) Observer()(*this);
  MSG msg;
  while (modalResult == mrNone) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The application is ending: leave the loop and let the outer loop see WM_QUIT.
      PostQuitMessage(static_cast<int>(msg.wParam));
      modalResult = mrCancel;
      break;
    }
    DispatchOne(msg);
  }
  inModalLoop_ = false;
  for (HWND h : disabled.list) EnableWindow(h, TRUE);
  Hide();
  return modalResult;
}

void Form::Close() {
  if (inModalLoop_) {
    if (modalResult == mrNone) modalResult = mrCancel;
    return;
  }
  if (hwnd_) DestroyWindow(hwnd_);
}

void Form::StartTimer(UINT_PTR id, UINT intervalMs, std::function<void()> handler) {
  timers_[id] = std::move(handler);
  SetTimer(hwnd_, id, intervalMs, nullptr);
}

void Form::StopTimer(UINT_PTR id) {
  KillTimer(hwnd_, id);
  timers_.erase(id);
}

bool Form::PreTranslate(MSG& msg) {
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
    Control* focused = ControlOf(GetFocus());
    bool enter = msg.wParam == VK_RETURN;
    if (enter && focused && focused->GetKind() == Kind::Memo && !(focused->GetFlags() & kReadOnly)) {
      return false;  // Enter makes a new line in an editable memo
    }
    if (enter && focused && focused->GetKind() == Kind::Button) {
      focused->Click();
      return true;
    }
    unsigned role = enter ? kDefault : kCancel;
    for (const auto& c : controls_) {
      if ((c->GetFlags() & role) && c->Enabled() && c->Visible()) {
        c->Click();
        return true;
      }
    }
    return true;
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
    return IsDialogMessageW(hwnd_, &msg) != 0;
  }
  return false;
}

void Form::PaintImage(const DRAWITEMSTRUCT& item, const Control& control) {
  RECT rc = item.rcItem;
  FillRect(item.hDC, &rc, background_);
  auto it = images_.find(item.hwndItem);
  if (it == images_.end()) return;
  BITMAP bm;
  GetObjectW(it->second, sizeof bm, &bm);
  int x = rc.left, y = rc.top;
  if (control.GetFlags() & kCentered) {
    x += (rc.right - rc.left - bm.bmWidth) / 2;
    y += (rc.bottom - rc.top - bm.bmHeight) / 2;
  }
  HDC memory = CreateCompatibleDC(item.hDC);
  HGDIOBJ old = SelectObject(memory, it->second);
  BitBlt(item.hDC, x, y, bm.bmWidth, bm.bmHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void Form::PaintBevel(const DRAWITEMSTRUCT& item) {
  // A raised line along the top: highlight above, shadow below.
  RECT rc = item.rcItem;
  FillRect(item.hDC, &rc, background_);
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ old = SelectObject(item.hDC, light);
  MoveToEx(item.hDC, rc.left, rc.top, nullptr);
  LineTo(item.hDC, rc.right, rc.top);
  SelectObject(item.hDC, shadow);
  MoveToEx(item.hDC, rc.left, rc.top + 1, nullptr);
  LineTo(item.hDC, rc.right, rc.top + 1);
  SelectObject(item.hDC, old);
  DeleteObject(light);
  DeleteObject(shadow);
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form) return DefWindowProcW(hwnd, msg, wParam, lParam);
  // No error may cross the window procedure: report it the standard way.
  try {
    return form->HandleMessage(msg, wParam, lParam);
  } catch (const std::exception& error) {
    ReportException(error);
    return 0;
  }
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (OnMessage(msg, wParam, lParam, result)) return result;
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        if (Control* c = ControlOf(reinterpret_cast<HWND>(lParam))) {
          c->Clicked();
          return 0;
        }
      }
      break;
    case WM_TIMER: {
      auto it = timers_.find(wParam);
      if (it != timers_.end()) {
        auto handler = it->second;  // the handler may stop its own timer
        handler();
      }
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(hwnd_, &rc);
      FillRect(reinterpret_cast<HDC>(wParam), &rc, background_);
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      Control* c = ControlOf(reinterpret_cast<HWND>(lParam));
      if (c && c->TextColor() != kNoColor) SetTextColor(dc, ResolveColor(c->TextColor()));
      if (c && c->BackColor() != kNoColor) {
        SetBkColor(dc, ResolveColor(c->BackColor()));
        return reinterpret_cast<LRESULT>(BrushFor(c->BackColor()));
      }
      if (msg == WM_CTLCOLOREDIT) break;
      // Labels take the form's colour.
      SetBkColor(dc, ResolveColor(spec_.color));
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(background_);
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      Control* c = ControlOf(item->hwndItem);
      if (c && c->GetKind() == Kind::Bevel) {
        PaintBevel(*item);
        return TRUE;
      }
      if (c && c->GetKind() == Kind::Image) {
        PaintImage(*item, *c);
        return TRUE;
      }
      break;
    }
    case WM_SIZE:
      AlignControls(LOWORD(lParam), HIWORD(lParam));
      break;
    case WM_CLOSE:
      if (OnCloseRequest()) Close();
      return 0;
    case WM_DESTROY: {
      HWND self = hwnd_;
      hwnd_ = nullptr;
      for (auto& [id, handler] : timers_) KillTimer(self, id);
      timers_.clear();
      SetWindowLongPtrW(self, GWLP_USERDATA, 0);
      OnDestroyed();
      if (MainForm() == this) PostQuitMessage(0);
      return DefWindowProcW(self, msg, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

}  // namespace yv::ui
