#include "install/progress_page.h"

#include "install/install_texts.h"
#include "text/cp936.h"
#include "text/line_breaks.h"
#include "ui/application.h"
#include "winsys/deployment.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::install {

using ui::ControlSpec;
using ui::Kind;

namespace {

// Labels start without a size: each is sized to its text (FitToText).
const std::vector<ControlSpec> kRows = {
    {Kind::Memo, "Memo1", 136, 8, 345, 123, "", ui::kReadOnly | ui::kVScroll, 0, nullptr, ui::kNoColor,
     ui::SysColor(COLOR_ACTIVEBORDER)},
    {Kind::ProgressBar, "ProgressBar1", 136, 156, 345, 17},
    {Kind::Label, "Label0", 134, 140, 0, 0, texts::kInstalling},
    {Kind::Label, "Label1", 192, 140, 0, 0, texts::kLabel1Design},
    {Kind::StaticText, "StaticText1", 136, 201, 70, 16, texts::kStaticText1Design},
    {Kind::ProgressBar, "ProgressBar2", 136, 178, 345, 17},
};

// Sets a label's text and makes the label exactly as large as the text in its font.
void SetFittedText(ui::Control& label, const std::string& text) {
  label.SetText(text);
  const HWND window = label.Handle();
  const std::wstring wide = text::ToWide(text);
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

constexpr int kUpgradeQuietAttempts = 30;
constexpr DWORD kUpgradeRetryMs = 500;

// The page stays alive while it waits.
void PauseProcessingMessages(DWORD ms) {
  for (DWORD waited = 0; waited < ms; waited += 100) {
    ui::ProcessMessages();
    Sleep(100);
  }
}

// Both bars: 0 to 100 at first, one step at a time.
void PrepareBar(ui::Control& bar) {
  bar.SetRange(0, 100);
  bar.SetStep(1);
}

}  // namespace

TdlgStep6::TdlgStep6()
    : WizardPage(wizard::texts::kProgressCaption, wizard::FrameButtons::CancelOnly, kRows),
      text_((*this)["Memo1"]),
      caption_((*this)["Label1"]),
      fileLabel_((*this)["StaticText1"]),
      componentBar_((*this)["ProgressBar1"]),
      archiveBar_((*this)["ProgressBar2"]),
      upgradeWait_(kUpgradeQuietAttempts, kUpgradeRetryMs, PauseProcessingMessages) {
  SetTabOrder({"Memo1", "ProgressBar1", "StaticText1", "Button3", "ProgressBar2"});
  PrepareBar(componentBar_);
  PrepareBar(archiveBar_);
  SetFittedText((*this)["Label0"], texts::kInstalling);
  SetFittedText(caption_, texts::kLabel1Design);
  SetFittedText(fileLabel_, texts::kStaticText1Design);
}

void TdlgStep6::Button3Click() {
  if (wizard::ConfirmCancel()) {
    InstallOk = false;
  } else {
    modalResult = ui::mrNone;
  }
}

void TdlgStep6::ShowComponentText(const std::string& text) {
  text_.SetText(text::WithCrLf(text));
}

void TdlgStep6::ShowComponentCaption(const std::string& caption) {
  SetFittedText(caption_, caption);
}

void TdlgStep6::SetComponentMaximum(int lines) {
  componentBar_.SetRange(0, lines);
  componentBar_.SetPosition(0);
}

void TdlgStep6::StepComponent() {
  componentBar_.StepIt();
}

void TdlgStep6::SetArchiveMaximum(int entryCount) {
  archiveBar_.SetRange(0, entryCount);
  archiveBar_.SetPosition(0);
}

void TdlgStep6::StepArchive() {
  archiveBar_.StepIt();
}

void TdlgStep6::SetFileLabel(const std::string& text) {
  SetFittedText(fileLabel_, text);
}

void TdlgStep6::ProcessMessages() {
  ui::ProcessMessages();
}

bool TdlgStep6::Retry(const archive::Fault& fault) {
  // Nobody may be there to close the program: an unattended run waits quietly first.
  const bool unattended = wizard::gInstall.UpgradeMode || winsys::IsSilent();
  if (unattended && fault.kind == archive::FaultKind::kTargetInUse) {
    return upgradeWait_.TryAgain(fault.path, [&] { return InstallationView::Retry(fault); });
  }
  return InstallationView::Retry(fault);
}

}  // namespace yv::install
