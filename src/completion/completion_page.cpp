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
#include "winsys/deployment.h"
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

TdlgStep7::TdlgStep7(winsys::ChangeLayer& changes)
    : WizardPage(wizard::texts::kCompletionCaption, wizard::FrameButtons::None, kRows),
      tableLabel_((*this)["Label1"]),
      memo_((*this)["Memo1"]),
      drivers_(Get<ui::ComboBox>("ComboBox1")),
      cards_(Get<ui::RadioGroup>("RadioGroup1")),
      changes_(changes) {
  (*this)["Button3"].onClick = [this] { Button3Click(); };
  SetTabOrder({"Button3", "Memo1", "ComboBox1", "RadioGroup1"});
  const std::string& desc = gInstall.DescFilePath;
  const std::string cardSetting = profile::ReadString(desc, "info", "configcard", "");
  if (!medium::UsesDriverTable(cardSetting)) gInstall.CardCount = profile::ReadInteger(desc, "info", "DriverCards", 0);
  mode_ = CardModeFor(cardSetting, gInstall.CardCount);

  tableLabel_.SetVisible(mode_ == CardMode::kDriverTable);
  drivers_.SetVisible(mode_ == CardMode::kDriverTable);
  cards_.SetVisible(mode_ == CardMode::kCardList);
  if (mode_ == CardMode::kNone) Place(memo_, 8, 190);
  if (mode_ == CardMode::kCardList) {
    Place(cards_, 154, 65);  // in the place of the driver table's label
    gInstall.CardList = ReadCardNames(desc, gInstall.CardCount);
    cards_.SetColumns(2);
    cards_.SetItems(*gInstall.CardList);
    cards_.SetItemIndex(0);
  }
  if (mode_ == CardMode::kDriverTable) {
    drivers_.SetItemHeight(12);
    const std::string table = gInstall.InstallDir + "\\" + medium::kDriverTableFile;
    if (table.size() <= medium::kPathLimit) {
      settingsPath_ = table;
      const DriverTable read = ReadDriverTable(settingsPath_);
      drivers_.SetItems(read.names);
      drivers_.SetItemIndex(read.current >= 0 && read.current < drivers_.Count() ? read.current : -1);
    } else {
      // The table cannot be read: it stays empty, and finishing offers to leave the card.
      ui::ShowMessageBox(Handle(), texts::kTooLong + table, wizard::texts::kSetupCaption, MB_OK);
    }
  }
  // A deployment's card stands as if chosen here (an index past the driver table names none).
  if (const auto card = winsys::TakeAnswer(winsys::gDeployment.switches.card)) {
    skipCard_ = *card == deploy::kNoCard;
    if (!skipCard_ && mode_ == CardMode::kCardList) cards_.SetItemIndex(*card);
    if (!skipCard_ && mode_ == CardMode::kDriverTable) drivers_.SetItemIndex(*card < drivers_.Count() ? *card : -1);
  }
  // Without its text file the page still shows, with an empty text box.
  memo_.SetText(text::WithCrLf(platform::ReadWholeFile(gInstall.SourceDir + "\\ad4.txt").value_or("")));
}

void TdlgStep7::Button3Click() {
  if (!CardStep()) return;
  if (!RunPostInstallActions(Handle(), changes_, starter)) return;
  modalResult = ui::mrOk;
}

void TdlgStep7::AnswerUnseen() {
  modalResult = ui::mrNone;
  Button3Click();
}

bool TdlgStep7::CardStep() {
  if (skipCard_ && mode_ != CardMode::kNone) return true;
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
  const int chosen = cards_.ItemIndex();
  const std::vector<std::string>& names = *gInstall.CardList;
  if (chosen < 0 || chosen >= static_cast<int>(names.size())) return false;
  return InstallCardDrivers(Handle(), changes_, chosen, names[static_cast<std::size_t>(chosen)]);
}

bool TdlgStep7::WriteChosenDriver() {
  const int chosen = drivers_.ItemIndex();
  // A text typed into the box instead of a picked entry names no driver.
  if (chosen < 0 || drivers_.Text() != drivers_.ItemText(chosen)) {
    ui::ShowMessageBox(Handle(), texts::kNoDriverChosen, texts::kNoDriverChosenCaption, MB_OK);
    // With entries to pick from the user can still choose; an empty table cannot succeed.
    return drivers_.Count() == 0 && UserSkipsCard();
  }
  try {
    WriteDriverChoice(changes_, settingsPath_, chosen, drivers_.Count());
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
