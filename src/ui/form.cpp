#include "ui/form.h"

#include <commctrl.h>

#include <stdexcept>

#include "text/cp936.h"
#include "ui/application.h"
#include "ui/folder_controls.h"
#include "ui/fonts.h"
#include "ui/group_controls.h"
#include "ui/list_controls.h"

namespace yv::ui {

namespace {

constexpr wchar_t kFormClass[] = L"YvForm";

ModalObserver& Observer() {
  static ModalObserver observer;
  return observer;
}

void RegisterFormClass(WNDPROC windowProc) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = windowProc;
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
  DWORD edge = (s.flags & kNoBorder) ? 0 : WS_EX_CLIENTEDGE;
  DWORD list = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
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
      return {L"EDIT", base | WS_TABSTOP | ES_AUTOHSCROLL | ((s.flags & kReadOnly) ? ES_READONLY : 0), edge};
    case Kind::Memo:
      return {L"EDIT",
              base | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
                  ((s.flags & kReadOnly) ? ES_READONLY : 0) | ((s.flags & kVScroll) ? WS_VSCROLL : 0) |
                  ((s.flags & kHScroll) ? WS_HSCROLL | ES_AUTOHSCROLL : 0),
              edge};
    case Kind::ProgressBar:
      return {PROGRESS_CLASSW, base, 0};
    case Kind::Bevel:
    case Kind::Image:
      return {L"STATIC", base | SS_OWNERDRAW, 0};
    case Kind::GroupBox:
    case Kind::RadioGroup:
      // Tab and the dialog keys go into the controls it holds.
      return {L"BUTTON", base | BS_GROUPBOX, WS_EX_CONTROLPARENT};
    case Kind::ListBox:
      return {L"LISTBOX", base | list, edge};
    case Kind::DirectoryList:
      return {L"LISTBOX", base | list | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, edge};
    case Kind::ComboBox:
      return {L"COMBOBOX",
              base | WS_TABSTOP | WS_VSCROLL |
                  ((s.flags & kDropDownList) ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL),
              0};
    case Kind::DriveList:
      return {L"COMBOBOX", base | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
  }
  return {L"STATIC", base, 0};
}

// The object of the row's kind.
std::unique_ptr<Control> MakeControl(Form& form, const ControlSpec& row, HWND hwnd) {
  switch (row.kind) {
    case Kind::Edit:
    case Kind::Memo:
      return std::make_unique<Edit>(form, row, hwnd);
    case Kind::Bevel:
      return std::make_unique<Bevel>(form, row, hwnd);
    case Kind::Image:
      return std::make_unique<Image>(form, row, hwnd);
    case Kind::GroupBox:
      return std::make_unique<GroupBox>(form, row, hwnd);
    case Kind::RadioGroup:
      return std::make_unique<RadioGroup>(form, row, hwnd);
    case Kind::ListBox:
      return std::make_unique<ListBox>(form, row, hwnd);
    case Kind::ComboBox:
      return std::make_unique<ComboBox>(form, row, hwnd);
    case Kind::DirectoryList:
      return std::make_unique<DirectoryList>(form, row, hwnd);
    case Kind::DriveList:
      return std::make_unique<DriveList>(form, row, hwnd);
    default:
      return std::make_unique<Control>(form, row, hwnd);
  }
}

// Each control's own window messages go to its object first.
LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR object) {
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, &ControlProc, 1);
  } else {
    try {
      LRESULT result = 0;
      if (reinterpret_cast<Control*>(object)->OnOwnMessage(msg, wParam, lParam, result)) return result;
    } catch (const std::exception& error) {
      ReportException(error);
      return 0;
    }
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void SetModalObserver(ModalObserver observer) {
  Observer() = std::move(observer);
}

Form::Form(FormSpec form, const std::vector<ControlSpec>& layout) : spec_(std::move(form)) {
  RegisterFormClass(&Form::WindowProc);
  DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
  DWORD exStyle = 0;
  if (spec_.border == Border::Dialog || spec_.border == Border::DialogSystemMenu) {
    style |= WS_DLGFRAME | (spec_.border == Border::DialogSystemMenu ? WS_SYSMENU : 0);
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

  background_ = BrushFor(spec_.color);
  // Secondary forms stay above the application's window, which owns them. The window
  // is bound to this object at WM_NCCREATE, so it sees every message from the first.
  HWND owner = ApplicationWindow();
  CreateWindowExW(exStyle, kFormClass, text::ToWide(spec_.caption).c_str(), style, x, y, width, height, owner, nullptr,
                  Instance(), this);
  if (!hwnd_) throw std::runtime_error("Error creating window");
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(spec_.font)), FALSE);
  if (spec_.iconId) {
    // The window does not own the icons it is given: the form frees them after it.
    const auto load = [this](int size) {
      return Icon(
          static_cast<HICON>(LoadImageW(Instance(), MAKEINTRESOURCEW(spec_.iconId), IMAGE_ICON, size, size, 0)));
    };
    bigIcon_ = load(32);
    smallIcon_ = load(16);
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
  }
  for (const auto& row : layout) AddControl(row);
}

Form::~Form() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

Control& Form::AddControl(const ControlSpec& s) {
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
  // A combo box's window reaches down over its open list.
  if (s.kind == Kind::ComboBox || s.kind == Kind::DriveList) height += 8 * 16;
  HWND parent = s.parent ? (*this)[s.parent].Handle() : hwnd_;
  std::wstring caption = s.kind == Kind::Image ? L"" : text::ToWide(s.caption);
  HWND h = CreateWindowExW(c.exStyle, c.cls, caption.c_str(), c.style, left, top, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(controls_.size() + 100)), Instance(), nullptr);
  if (!h) throw std::runtime_error("Error creating window");
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(s.font ? *s.font : spec_.font)), FALSE);
  if (s.backColor != kNoColor) BrushFor(s.backColor);
  controls_.push_back(MakeControl(*this, s, h));
  Control& control = *controls_.back();
  SetWindowSubclass(h, &ControlProc, 1, reinterpret_cast<DWORD_PTR>(&control));
  return control;
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

Control* Form::ControlAround(HWND hwnd) const {
  for (HWND h = hwnd; h && h != hwnd_; h = GetParent(h)) {
    if (Control* c = ControlOf(h)) return c;
  }
  return nullptr;
}

std::string Form::Caption() const {
  return WindowText(hwnd_);
}

void Form::SetCaption(const std::string& gbk) {
  SetWindowTextW(hwnd_, text::ToWide(gbk).c_str());
}

HBRUSH Form::BrushFor(COLORREF color) {
  COLORREF rgb = ResolveColor(color);
  auto it = brushes_.find(rgb);
  if (it != brushes_.end()) return it->second.Get();
  return brushes_.emplace(rgb, Brush(CreateSolidBrush(rgb))).first->second.Get();
}

Form* Form::FromWindow(HWND hwnd) {
  if (!hwnd) return nullptr;
  wchar_t cls[16];
  if (!GetClassNameW(hwnd, cls, 16) || wcscmp(cls, kFormClass) != 0) return nullptr;
  return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool Form::Showing() const {
  return hwnd_ && IsWindowVisible(hwnd_);
}

void Form::Show() {
  ShowWindow(hwnd_, spec_.maximized ? SW_SHOWMAXIMIZED : SW_SHOW);
  UpdateWindow(hwnd_);
}

void Form::Hide() {
  ShowWindow(hwnd_, SW_HIDE);
}

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
    Control* focused = ControlAround(GetFocus());
    bool enter = msg.wParam == VK_RETURN;
    if (focused && focused->UsesKey(msg.wParam)) return false;  // the control's own window takes it
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

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* created = reinterpret_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    created->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
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
      if (Control* c = lParam ? ControlOf(reinterpret_cast<HWND>(lParam)) : nullptr) {
        c->OnCommand(HIWORD(wParam));
        return 0;
      }
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (Control* c = ControlOf(header->hwndFrom)) return c->OnNotify(*header);
      break;
    }
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
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      Control* c = ControlOf(reinterpret_cast<HWND>(lParam));
      if (c && c->TextColor() != kNoColor) SetTextColor(dc, ResolveColor(c->TextColor()));
      if (c && c->BackColor() != kNoColor) {
        SetBkColor(dc, ResolveColor(c->BackColor()));
        return reinterpret_cast<LRESULT>(BrushFor(c->BackColor()));
      }
      if (msg != WM_CTLCOLORSTATIC) break;
      // Labels take the form's colour.
      SetBkColor(dc, ResolveColor(spec_.color));
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(background_);
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      Control* c = ControlOf(item->hwndItem);
      if (c && c->OnDrawItem(*item)) return TRUE;
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
