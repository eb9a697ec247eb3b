#include "completion/completion_page.h"

#include "completion/completion_texts.h"
#include "medium/medium_rules.h"
#include "platform/file_io.h"
#include "profile/profile.h"
#include "text/gbk.h"
#include "text/line_breaks.h"
#include "ui/application.h"
#include "ui/group_controls.h"
#include "ui/list_controls.h"
#include "ui/message_box.h"
#include "winsys/recording.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::completion {

using ui::ControlSpec;
using ui::Kind;
using wizard::gInstall;

namespace {

const std::vector<ControlSpec> kRows = {
    {Kind::Memo, "Memo1", 136, 8, 345, 129, "", ui::kReadOnly | ui::kVScroll, 0, nullptr, ui::kNoColor,
     ui::SysColor(COLOR_ACTIVEBORDER)},
    {Kind::Label, "Label1", 136, 154, 144, 12, texts::kChooseDriver},
    {Kind::ComboBox, "ComboBox1", 286, 150, 193, 20},
    {Kind::RadioGroup, "RadioGroup1", 136, 176, 343, 41, texts::kChooseCard},
    {Kind::Button, "Button3", 264, 256, 75, 25, wizard::texts::kFinish, ui::kDefault},
};

void Place(ui::Control& control, int top, int height) {
  RECT rc;
  GetWindowRect(control.Handle(), &rc);
  MapWindowPoints(nullptr, GetParent(control.Handle()), reinterpret_cast<POINT*>(&rc), 2);
  MoveWindow(control.Handle(), rc.left, top, rc.right - rc.left, height, TRUE);
}

}  // namespace

TdlgStep7::TdlgStep7() : WizardPage(wizard::texts::kCompletionCaption, wizard::FrameButtons::None, kRows) {
  (*this)["Button3"].onClick = [this] { Button3Click(); };
  SetTabOrder({"Button3", "Memo1", "ComboBox1", "RadioGroup1"});
  const std::string& desc = gInstall.DescFilePath;
  auto& label = (*this)["Label1"];
  auto& combo = Get<ui::ComboBox>("ComboBox1");
  auto& cards = Get<ui::RadioGroup>("RadioGroup1");
  const std::string cardSetting = profile::ReadString(desc, "info", "configcard", "");
  if (!medium::UsesDriverTable(cardSetting)) gInstall.CardCount = profile::ReadInteger(desc, "info", "DriverCards", 0);
  mode_ = CardModeFor(cardSetting, gInstall.CardCount);

  label.SetVisible(mode_ == CardMode::kDriverTable);
  combo.SetVisible(mode_ == CardMode::kDriverTable);
  cards.SetVisible(mode_ == CardMode::kCardList);
  if (mode_ == CardMode::kNone) Place((*this)["Memo1"], 8, 190);
  if (mode_ == CardMode::kCardList) {
    Place(cards, 154, 65);  // in the place of the driver table's label
    gInstall.CardList = ReadCardNames(desc, gInstall.CardCount);
    cards.SetColumns(2);
    cards.SetItems(*gInstall.CardList);
    cards.SetItemIndex(0);
  }
  if (mode_ == CardMode::kDriverTable) {
    combo.SetItemHeight(12);
    const auto path = text::JoinBounded(text::kPathLimit, {gInstall.InstallDir, "\\cfg\\newuser\\system.ini"});
    if (path) {
      settingsPath_ = *path;
      const DriverTable table = ReadDriverTable(settingsPath_);
      combo.SetItems(table.names);
      combo.SetItemIndex(table.current >= 0 && table.current < combo.Count() ? table.current : -1);
    } else {
      // The table cannot be read: it stays empty, and finishing offers to leave the card.
      ui::ShowMessageBox(Handle(), texts::kTooLong + gInstall.InstallDir + "\\cfg\\newuser\\system.ini",
                         wizard::texts::kSetupCaption, MB_OK);
    }
  }
  // Without its text file the page still shows, with an empty text box.
  (*this)["Memo1"].SetText(text::WithCrLf(platform::ReadWholeFile(gInstall.SourceDir + "\\ad4.txt").value_or("")));
}

void TdlgStep7::Button3Click() {
  if (!CardStep()) return;
  if (!RunPostInstallActions(Handle(), starter)) return;
  modalResult = ui::mrOk;
}

bool TdlgStep7::CardStep() {
  switch (mode_) {
    case CardMode::kNone:
      modalResult = ui::mrOk;  // the page closes even if an action ends the handler early
      return true;
    case CardMode::kCardList:
      return ConfigureChosenCard() || UserSkipsCard();
    case CardMode::kDriverTable:
      return WriteChosenDriver();
  }
  return false;
}

bool TdlgStep7::ConfigureChosenCard() {
  const int chosen = Get<ui::RadioGroup>("RadioGroup1").ItemIndex();
  const std::vector<std::string>& names = *gInstall.CardList;
  if (chosen < 0 || chosen >= static_cast<int>(names.size())) return false;
  return InstallCardDrivers(Handle(), chosen, names[static_cast<std::size_t>(chosen)]);
}

bool TdlgStep7::WriteChosenDriver() {
  const auto& combo = Get<ui::ComboBox>("ComboBox1");
  const int chosen = combo.ItemIndex();
  // A text typed into the box instead of a picked entry names no driver.
  if (chosen < 0 || combo.Text() != combo.ItemText(chosen)) {
    ui::ShowMessageBox(Handle(), texts::kNoDriverChosen, texts::kNoDriverChosenCaption, MB_OK);
    // With entries to pick from the user can still choose; an empty table cannot succeed.
    return combo.Count() == 0 && UserSkipsCard();
  }
  try {
    winsys::RecordFileWrite(settingsPath_);
    WriteDriverChoice(settingsPath_, chosen, combo.Count());
  } catch (const profile::ProfileWriteError& error) {
    ui::ReportException(error);
    return UserSkipsCard();
  }
  return true;
}

bool TdlgStep7::UserSkipsCard() {
  return ui::ShowMessageBox(Handle(), texts::kSkipCardQuestion, wizard::texts::kCompletionCaption,
                            MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace yv::completion
