#include "driver/window_list.h"

#include <algorithm>

#include "text/cp936.h"

namespace yv::e2e {

namespace {

constexpr UINT kTextTimeoutMs = 1000;
constexpr int kMessageBoxTextId = 0xFFFF;

// Class names of the standard controls are ASCII and compared without case.
bool SameClass(std::string_view a, std::string_view b) {
  auto lower = [](char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 32) : ch; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return lower(x) == lower(y);
         });
}

std::string ClassOf(HWND hwnd) {
  wchar_t buf[256];
  int n = GetClassNameW(hwnd, buf, 256);
  return text::FromWide(std::wstring_view(buf, n > 0 ? static_cast<std::size_t>(n) : 0));
}

int ButtonType(LONG style) { return static_cast<int>(style & BS_TYPEMASK); }

bool IsCheckType(int type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
         type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
}

// The stored text of a window, read without asking its owner.
std::string StoredText(HWND hwnd) {
  wchar_t buf[1024];
  int n = InternalGetWindowText(hwnd, buf, 1024);
  return text::FromWide(std::wstring_view(buf, n > 0 ? static_cast<std::size_t>(n) : 0));
}

// answers: whether the owner of the window answers messages at all. When it does not
// (busy installing, say), every control is read from the stored texts at once instead
// of waiting for each in turn.
ControlInfo ReadControl(HWND top, HWND hwnd, bool answers) {
  ControlInfo c;
  c.hwnd = hwnd;
  c.parent = GetParent(hwnd);
  for (HWND p = c.parent; p && p != top; p = GetParent(p)) ++c.depth;
  c.className = ClassOf(hwnd);
  c.text = answers ? ReadText(hwnd) : StoredText(hwnd);
  c.id = GetDlgCtrlID(hwnd);
  GetWindowRect(hwnd, &c.rect);
  MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&c.rect), 2);
  c.style = GetWindowLongW(hwnd, GWL_STYLE);
  c.enabled = IsWindowEnabled(hwnd) != FALSE;
  c.visible = IsWindowVisible(hwnd) != FALSE;
  if (answers && c.IsButton() && IsCheckType(ButtonType(c.style))) {
    DWORD_PTR state = 0;
    if (SendMessageTimeoutW(hwnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &state))
      c.checked = static_cast<int>(state);
  }
  return c;
}

struct EnumContext {
  HWND top;
  bool answers;
  std::vector<ControlInfo>* out;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  auto* ctx = reinterpret_cast<EnumContext*>(param);
  ctx->out->push_back(ReadControl(ctx->top, hwnd, ctx->answers));
  return TRUE;
}

struct TopContext {
  DWORD pid;
  std::vector<HWND>* out;
};

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM param) {
  auto* ctx = reinterpret_cast<TopContext*>(param);
  if (!IsWindowVisible(hwnd)) return TRUE;
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (ctx->pid == 0 || owner == ctx->pid) ctx->out->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> VisibleTopWindows(DWORD pid) {
  std::vector<HWND> found;
  TopContext ctx{pid, &found};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&ctx));
  return found;
}

// Drops the '&' marks and, when ignoreTrailingKey, an accelerator in brackets at the
// end: "是(&Y)" -> "是".
std::wstring PlainCaption(std::wstring caption, bool ignoreTrailingKey) {
  caption.erase(std::remove(caption.begin(), caption.end(), L'&'), caption.end());
  if (ignoreTrailingKey && caption.size() >= 3 && caption.back() == L')' &&
      caption[caption.size() - 3] == L'(') {
    caption.resize(caption.size() - 3);
  }
  return caption;
}

}  // namespace

bool ControlInfo::IsButton() const { return SameClass(className, "Button"); }

bool ControlInfo::IsPushButton() const {
  int type = ButtonType(style);
  return IsButton() && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

bool ControlInfo::IsEdit() const { return SameClass(className, "Edit"); }

bool WindowInfo::IsMessageBox() const {
  if (className != "#32770") return false;
  return std::any_of(controls.begin(), controls.end(), [](const ControlInfo& c) {
    return (c.id & 0xFFFF) == kMessageBoxTextId && SameClass(c.className, "Static");
  });
}

const ControlInfo* WindowInfo::FindControl(std::string_view wanted,
                                           std::string_view ofClass) const {
  for (const ControlInfo& c : controls) {
    if (!ofClass.empty() && !SameClass(c.className, ofClass)) continue;
    if (CaptionMatches(c.text, wanted)) return &c;
  }
  return nullptr;
}

const ControlInfo* WindowInfo::FindControlById(int id) const {
  for (const ControlInfo& c : controls)
    if (c.id == id) return &c;
  return nullptr;
}

std::vector<int> MessageBoxInfo::ButtonIds() const {
  std::vector<int> ids;
  for (const Button& b : buttons) ids.push_back(b.id);
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::string ReadText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs,
                          &length)) {
    std::wstring buf(length + 1, L'\0');
    DWORD_PTR got = 0;
    if (SendMessageTimeoutW(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                            SMTO_ABORTIFHUNG, kTextTimeoutMs, &got)) {
      buf.resize(std::min<std::size_t>(got, length));
      return text::FromWide(buf);
    }
  }
  // The owner is busy: fall back on the text the window system keeps for the window.
  return StoredText(hwnd);
}

bool IsResponsive(HWND hwnd, DWORD timeoutMs) {
  DWORD_PTR ignored = 0;
  return IsWindow(hwnd) &&
         SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
}

bool CaptionMatches(std::string_view shown, std::string_view wanted) {
  if (shown == wanted) return true;
  std::wstring plainWanted = PlainCaption(text::ToWide(wanted), false);
  std::wstring plainShown = PlainCaption(text::ToWide(shown), false);
  if (plainShown == plainWanted) return true;
  return PlainCaption(plainShown, true) == plainWanted;
}

WindowInfo ReadWindow(HWND hwnd, bool withControls) {
  WindowInfo w;
  w.hwnd = hwnd;
  GetWindowThreadProcessId(hwnd, &w.pid);
  w.owner = GetWindow(hwnd, GW_OWNER);
  w.className = ClassOf(hwnd);
  const bool answers = IsResponsive(hwnd, kTextTimeoutMs);
  w.caption = answers ? ReadText(hwnd) : StoredText(hwnd);
  GetWindowRect(hwnd, &w.rect);
  RECT client{};
  GetClientRect(hwnd, &client);
  w.client = {client.right - client.left, client.bottom - client.top};
  w.style = GetWindowLongW(hwnd, GWL_STYLE);
  w.exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
  w.maximised = IsZoomed(hwnd) != FALSE;
  w.minimised = IsIconic(hwnd) != FALSE;
  w.enabled = IsWindowEnabled(hwnd) != FALSE;
  if (withControls) {
    EnumContext ctx{hwnd, answers, &w.controls};
    EnumChildWindows(hwnd, CollectChild, reinterpret_cast<LPARAM>(&ctx));
  }
  return w;
}

std::vector<WindowInfo> ListWindows(DWORD pid, bool withControls) {
  std::vector<WindowInfo> windows;
  for (HWND hwnd : VisibleTopWindows(pid)) windows.push_back(ReadWindow(hwnd, withControls));
  return windows;
}

bool ReadMessageBox(HWND hwnd, MessageBoxInfo* box) {
  if (ClassOf(hwnd) != "#32770") return false;
  WindowInfo w = ReadWindow(hwnd, true);
  if (!w.IsMessageBox()) return false;
  *box = MessageBoxInfo{};
  box->hwnd = hwnd;
  box->pid = w.pid;
  box->owner = w.owner;
  box->caption = w.caption;
  for (const ControlInfo& c : w.controls) {
    if (!c.visible) continue;
    if ((c.id & 0xFFFF) == kMessageBoxTextId && SameClass(c.className, "Static")) {
      box->text = c.text;
    } else if (c.IsButton()) {
      box->buttons.push_back({c.hwnd, c.id, c.text, c.enabled});
    } else if (SameClass(c.className, "Static") && (c.style & SS_TYPEMASK) == SS_ICON) {
      DWORD_PTR icon = 0;
      if (SendMessageTimeoutW(c.hwnd, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs,
                              &icon) &&
          icon != 0)
        box->hasIcon = true;
    }
  }
  return true;
}

std::vector<MessageBoxInfo> ListMessageBoxes(DWORD pid) {
  std::vector<MessageBoxInfo> boxes;
  for (HWND hwnd : VisibleTopWindows(pid)) {
    MessageBoxInfo box;
    if (ReadMessageBox(hwnd, &box)) boxes.push_back(std::move(box));
  }
  return boxes;
}

std::vector<WindowInfo> FindWindowsByCaption(DWORD pid, std::string_view caption,
                                             bool withControls) {
  std::vector<WindowInfo> found;
  for (HWND hwnd : VisibleTopWindows(pid)) {
    if (ReadText(hwnd) == caption) found.push_back(ReadWindow(hwnd, withControls));
  }
  return found;
}

}  // namespace yv::e2e
