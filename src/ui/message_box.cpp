#include "ui/message_box.h"

#include "text/cp936.h"

namespace yv::ui {

namespace {
MessageBoxResponder& Responder() {
  static MessageBoxResponder responder;
  return responder;
}
}  // namespace

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style,
                   int silentAnswer) {
  if (Responder()) return Responder()(MessageBoxCall{owner, text, caption, style, silentAnswer});
  return MessageBoxW(owner, text::ToWide(text).c_str(), text::ToWide(caption).c_str(), style);
}

void SetMessageBoxResponder(MessageBoxResponder responder) { Responder() = std::move(responder); }

}  // namespace yv::ui
