#include "driver/dump.h"

#include <cstdio>

#include "text/cp936.h"

namespace yv::e2e {

namespace {

std::string Hex(unsigned long long value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%llx", value);
  return buf;
}

std::string Quoted(std::string_view gbk) { return "\"" + Utf8(gbk) + "\""; }

std::string Box(const RECT& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "at %ld,%ld size %ldx%ld", r.left, r.top, r.right - r.left,
                r.bottom - r.top);
  return buf;
}

// The style bits a test asks about, by name.
std::string StyleNames(LONG signedStyle) {
  const DWORD style = static_cast<DWORD>(signedStyle);
  static const struct {
    DWORD bit;
    const char* name;
  } kBits[] = {{WS_CAPTION, "caption"},       {WS_SYSMENU, "sysmenu"},
               {WS_MINIMIZEBOX, "minbox"},    {WS_MAXIMIZEBOX, "maxbox"},
               {WS_THICKFRAME, "thickframe"}, {WS_POPUP, "popup"},
               {WS_BORDER, "border"},         {WS_DLGFRAME, "dlgframe"}};
  std::string out;
  for (const auto& b : kBits) {
    if ((style & b.bit) != b.bit) continue;
    // WS_CAPTION is WS_BORDER | WS_DLGFRAME: name it once.
    if ((b.bit == WS_BORDER || b.bit == WS_DLGFRAME) && (style & WS_CAPTION) == WS_CAPTION)
      continue;
    out += out.empty() ? "" : ",";
    out += b.name;
  }
  return out.empty() ? "-" : out;
}

}  // namespace

std::string Utf8(std::string_view gbk) {
  std::wstring wide = text::ToWide(gbk);
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                              0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::string Describe(const WindowInfo& w) {
  std::string out = "window " + Hex(reinterpret_cast<UINT_PTR>(w.hwnd)) + " pid " +
                    std::to_string(w.pid) + " " + Quoted(w.caption) + " class " +
                    Quoted(w.className) + " " + Box(w.rect) + " client " +
                    std::to_string(w.client.cx) + "x" + std::to_string(w.client.cy) +
                    " style " + Hex(static_cast<DWORD>(w.style)) + " [" + StyleNames(w.style) +
                    "]";
  if (w.maximised) out += " maximised";
  if (w.minimised) out += " minimised";
  if (!w.enabled) out += " disabled";
  if (w.owner) out += " owner " + Hex(reinterpret_cast<UINT_PTR>(w.owner));
  if (w.IsMessageBox()) out += " (message box)";
  out += "\n";
  for (const ControlInfo& c : w.controls) {
    out += std::string(static_cast<std::size_t>(c.depth) * 2, ' ');
    out += Quoted(c.className) + " id " + std::to_string(c.id) + " " + Quoted(c.text) + " " +
           Box(c.rect);
    out += c.enabled ? "" : " disabled";
    out += c.visible ? "" : " hidden";
    if (c.checked == BST_CHECKED) out += " checked";
    if (c.checked == BST_UNCHECKED) out += " unchecked";
    if (c.checked == BST_INDETERMINATE) out += " indeterminate";
    out += "\n";
  }
  return out;
}

std::string Describe(const MessageBoxInfo& box) {
  std::string out = "message box " + Hex(reinterpret_cast<UINT_PTR>(box.hwnd)) + " pid " +
                    std::to_string(box.pid) + " caption " + Quoted(box.caption) + " text " +
                    Quoted(box.text) + (box.hasIcon ? " icon" : " no-icon") +
                    (box.owner ? " owner " + Hex(reinterpret_cast<UINT_PTR>(box.owner)) : "") +
                    " buttons:";
  for (const auto& b : box.buttons)
    out += " " + Quoted(b.caption) + "(id " + std::to_string(b.id) + ")";
  return out + "\n";
}

std::string Describe(const std::vector<WindowInfo>& windows) {
  if (windows.empty()) return "(no visible windows)\n";
  std::string out;
  for (const WindowInfo& w : windows) out += Describe(w);
  return out;
}

std::string DumpWindows(DWORD pid) {
  std::string head = pid ? "visible windows of process " + std::to_string(pid) + ":\n"
                         : "visible windows of all processes:\n";
  return head + Describe(ListWindows(pid, true));
}

}  // namespace yv::e2e
