#include "pages/summary_page.h"

#include "pages/pages_texts.h"
#include "wizard/texts.h"

namespace yv::pages {

using ui::ControlSpec;
using ui::Kind;

namespace {

constexpr COLORREF kMemoColor = ui::SysColor(COLOR_ACTIVEBORDER);

const std::vector<ControlSpec> kRows = {
    {Kind::Memo, "Memo1", 136, 8, 345, 25, texts::kSummaryIntro, ui::kNoBorder, 0, nullptr, ui::kNoColor, kMemoColor},
    {Kind::Memo, "Memo2", 136, 40, 345, 169, "", ui::kReadOnly | ui::kVScroll | ui::kHScroll, 0, nullptr, ui::kNoColor,
     kMemoColor},
};

}  // namespace

std::string SummaryText(const wizard::InstallState& state) {
  std::string out;
  auto line = [&out](std::initializer_list<std::string_view> parts) {
    for (std::string_view part : parts) out.append(part);
    out.append("\r\n");
  };
  line({texts::kFolderHeading});
  line({});
  line({"\t", state.InstallDir});
  line({});
  line({texts::kUserHeading});
  line({});
  line({"\t", texts::kNameLabel, state.UserName});
  line({"\t", texts::kCompanyLabel, state.CompanyName});
  line({texts::kGroupHeading});
  line({});
  line({"\t", state.ProgramGroup});
  line({});
  line({texts::kComponentsHeading});
  line({});
  if (state.PartCaptions) {
    const auto& captions = *state.PartCaptions;
    for (std::size_t i = 0; i < captions.size() && i < state.PartSelected.size(); ++i) {
      if (state.PartSelected[i]) line({"\t", captions[i]});
    }
  }
  return out;
}

TdlgStep5::TdlgStep5() : WizardPage(wizard::texts::kSummaryCaption, wizard::FrameButtons::BackNextCancel, kRows) {
  MoveFrameButton("Button3", 400);
  SetTabOrder({"Button2", "Memo2", "Button1", "Button3", "Memo1"});
  (*this)["Memo2"].SetText(SummaryText(wizard::gInstall));
}

}  // namespace yv::pages
