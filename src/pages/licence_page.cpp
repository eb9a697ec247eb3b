#include "pages/licence_page.h"

#include <stdexcept>

#include "platform/file_io.h"
#include "text/line_breaks.h"
#include "winsys/deployment.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::pages {

using ui::ControlSpec;
using ui::Kind;

namespace {

const std::vector<ControlSpec> kRows = {
    {Kind::Memo, "Memo1", 136, 8, 345, 209, "", ui::kReadOnly | ui::kVScroll, 0, nullptr, ui::kNoColor,
     ui::SysColor(COLOR_ACTIVEBORDER)},
};

}  // namespace

TdlgStep1::TdlgStep1() : WizardPage(wizard::texts::kLicenceCaption, wizard::FrameButtons::AgreeNextCancel, kRows) {
  (*this)["Button1"].onClick = [this] { Button1Click(); };
  SetTabOrder({"Button1", "Button2", "Memo1", "Button3"});
  const std::string path = wizard::gInstall.SourceDir + "\\Lics.txt";
  auto licence = platform::ReadWholeFile(path);
  if (!licence) {
    winsys::NoteCause(winsys::ExitCause::kMedium);
    throw std::runtime_error("Cannot open file " + path);
  }
  (*this)["Memo1"].SetText(text::WithCrLf(*licence));
}

void TdlgStep1::AnswerUnseen() {
  modalResult = ui::mrOk;
}

void TdlgStep1::Button1Click() {
  auto& next = (*this)["Button2"];
  next.SetEnabled(true);
  next.SetFocus();
}

}  // namespace yv::pages
