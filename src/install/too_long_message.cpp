#include "install/too_long_message.h"

#include "install/install_texts.h"
#include "text/gbk.h"
#include "ui/message_box.h"

namespace yv::install {

void ReportTooLong(HWND owner, const char* what, const std::string& value) {
  // A message box takes text of any length: the value is shown whole, never cut.
  const auto message = text::FormatBounded(std::string::npos, texts::kTooLong, {what, value});
  ui::ShowMessageBox(owner, message.value_or(value), texts::kWarningCaption, MB_OK);
}

}  // namespace yv::install
