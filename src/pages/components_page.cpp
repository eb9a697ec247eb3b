#include "pages/components_page.h"

#include <algorithm>

#include "medium/medium_rules.h"
#include "pages/directory_chooser.h"
#include "pages/pages_texts.h"
#include "profile/profile.h"
#include "text/gbk.h"
#include "ui/message_box.h"
#include "winsys/deployment.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::pages {

using ui::ControlSpec;
using ui::Inside;
using ui::Kind;
using wizard::gInstall;

namespace {

const std::vector<ControlSpec> kRows = {
    {Kind::GroupBox, "GroupBox2", 136, 8, 345, 65, texts::kFolderGroup},
    Inside("GroupBox2", {Kind::Label, "Label1", 16, 34, 96, 12, texts::kChooseFolder}),
    Inside("GroupBox2", {Kind::Label, "Label2", 112, 34, 140, 12, "C:\\dravk"}),
    Inside("GroupBox2", {Kind::Button, "Button4", 256, 24, 75, 25, texts::kBrowse}),
    {Kind::GroupBox, "GroupBox1", 136, 80, 345, 140, texts::kComponentsGroup},
};

int32_t ReadCount(const std::string& description, const char* key) {
  return medium::CappedCount(profile::ReadInteger(description, "info", key, 0));
}

}  // namespace

TdlgStep3::TdlgStep3()
    : WizardPage(wizard::texts::kComponentsCaption, wizard::FrameButtons::BackNextCancel, kRows),
      folderLabel_((*this)["Label2"]),
      componentsGroup_((*this)["GroupBox1"]) {
  (*this)["Button4"].onClick = [this] { Button4Click(); };
  MoveFrameButton("Button3", 400);
  SetTabOrder({"Button2", "GroupBox2", "GroupBox1", "Button1", "Button3"});
  openingFolder_ = gInstall.InstallDir;
  ShowFolder(openingFolder_);

  const std::string& description = gInstall.DescFilePath;
  gInstall.PartCount = ReadCount(description, "parts");
  gInstall.CopyCount = ReadCount(description, "copy");
  gInstall.DeleteCount = ReadCount(description, "delete");
  if (gInstall.PartCount <= 0) {
    componentsGroup_.SetVisible(false);
  } else {
    RECT client;
    GetClientRect(componentsGroup_.Handle(), &client);
    const int spacing = static_cast<int>(client.bottom) / (gInstall.PartCount + 1);
    gInstall.PartCaptions.emplace();
    for (int i = 0; i < gInstall.PartCount; ++i) {
      const std::string number = std::to_string(i);
      const std::string caption = profile::ReadString(description, "info", "part" + number, "");
      const std::string name = "CheckBox" + number;
      auto& box = AddControl(
          Inside("GroupBox1", {Kind::CheckBox, name.c_str(), 24, (i + 1) * spacing - 10, 300, 17, caption.c_str()}));
      gInstall.PartCaptions->push_back(caption);
      box.SetChecked(gInstall.FreshInstall || i == 0);
      boxes_[static_cast<std::size_t>(i)] = &box;
    }
  }
  // With the boxes as they start, Next asks nothing: it stores the folder and the
  // initial choice, so that Back or an unattended upgrade find them in gInstall.
  Button2Click();
  // A deployment's folder and components stand as if the user had chosen them here.
  auto& answers = winsys::gDeployment.switches;
  if (const auto folder = winsys::TakeAnswer(answers.dir)) ShowFolder(*folder);
  if (const auto chosen = winsys::TakeAnswer(answers.components)) {
    for (int i = 0; i < gInstall.PartCount; ++i) {
      boxes_[static_cast<std::size_t>(i)]->SetChecked(std::find(chosen->begin(), chosen->end(), i) != chosen->end());
    }
  }
}

void TdlgStep3::ShowFolder(const std::string& folder) {
  folder_ = folder;
  folderLabel_.SetText(folder);
}

int TdlgStep3::Ask(const char* format, int i, int silentAnswer) {
  const std::string& caption = (*gInstall.PartCaptions)[static_cast<std::size_t>(i)];
  auto question = text::FormatBounded(text::kPathLimit, format, {gInstall.ProductName, caption});
  if (!question) {
    ui::ShowMessageBox(Handle(), texts::kQuestionTooLong, wizard::texts::kSetupCaption, MB_OK | MB_ICONWARNING);
    return 0;
  }
  return ui::ShowMessageBox(Handle(), *question, wizard::texts::kSetupCaption, MB_YESNO, silentAnswer);
}

bool TdlgStep3::AcceptNext() {
  if (folder_ != gInstall.InstallDir && !gInstall.FreshInstall) gInstall.FreshInstall = true;
  gInstall.InstallDir = folder_;
  bool anySelected = false;
  for (int i = 0; i < gInstall.PartCount; ++i) {
    ui::Control& box = *boxes_[static_cast<std::size_t>(i)];
    if (gInstall.FreshInstall && !box.Checked()) {
      int answer = Ask(texts::kAskFreshComponent, i, IDNO);
      if (answer == 0) return false;  // a question too long ends the action as a No to the second does
      if (answer == IDYES) box.SetChecked(true);
    } else if (!gInstall.FreshInstall && i > 0 && box.Checked()) {
      int answer = Ask(texts::kAskOverwriteComponent, i, IDYES);
      if (answer != IDYES) {
        if (answer == IDNO) box.SetChecked(false);
        return false;
      }
    }
    anySelected = anySelected || box.Checked();
    gInstall.PartSelected[static_cast<std::size_t>(i)] = box.Checked();
  }
  if (!anySelected) {
    ui::ShowMessageBox(Handle(), texts::kNoComponent, wizard::texts::kSetupCaption, MB_OK);
    return false;
  }
  return true;
}

void TdlgStep3::Button4Click() {
  // A new chooser each time, starting from the folder in force when the page opened.
  TdlgSelDir chooser;
  chooser.SetFolder(openingFolder_);
  if (chooser.ShowModal() != ui::mrOk) return;
  // The chooser refuses more than 255 bytes; one trailing backslash goes ("D:\" is "D:").
  ShowFolder(text::WithoutTrailingBackslash(chooser.Folder()));
}

}  // namespace yv::pages
