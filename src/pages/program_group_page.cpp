#include "pages/program_group_page.h"

#include "pages/user_and_group_texts.h"
#include "shell/folder_walk.h"
#include "ui/list_controls.h"
#include "ui/message_box.h"
#include "winsys/deployment.h"
#include "winsys/registry.h"
#include "winsys/system_folders.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::pages {

using ui::ControlSpec;
using ui::Kind;
using wizard::gInstall;

namespace {

const std::vector<ControlSpec> kRows = {
    {Kind::Label, "Label1", 144, 8, 36, 12, texts::kGroup},
    {Kind::Edit, "Edit1", 144, 24, 329, 20},
    {Kind::Label, "Label2", 144, 56, 84, 12, texts::kExistingGroups},
    {Kind::ListBox, "ListBox1", 144, 72, 329, 137},
};

}  // namespace

TdlgStep4::TdlgStep4()
    : WizardPage(wizard::texts::kProgramGroupCaption, wizard::FrameButtons::BackNextCancel, kRows),
      name_((*this)["Edit1"]),
      folders_(Get<ui::ListBox>("ListBox1")) {
  // This page's Cancel stands a little right of the common frame's.
  MoveFrameButton("Button3", 400);
  SetTabOrder({"Edit1", "ListBox1", "Button1", "Button2", "Button3"});
  folders_.SetItemHeight(12);
  folders_.onClick = [this] { ListBox1Click(); };

  const winsys::RegistryKey folders(HKEY_CURRENT_USER, wizard::texts::kShellFoldersKey);
  const bool allUsers = winsys::gDeployment.switches.allUsers;
  if (!allUsers && !folders.IsOpen()) {
    ui::ShowMessageBox(Handle(), texts::kRegistryDamaged, texts::kRegistryDamagedCaption, MB_OK | MB_ICONINFORMATION);
    return;  // an empty list and an empty name
  }
  // A "Programs" value that cannot be read (or is over 255 bytes) leaves the list empty.
  if (const auto programs = allUsers ? winsys::AllUsersProgramsFolder() : folders.ReadString("Programs")) {
    for (const std::string& folder : shell::ListPlainFolders(*programs))
      folders_.Add(folder.substr(programs->size() + 1));
  }
  name_.SetText(gInstall.ProgramGroup);
  if (const auto group = winsys::TakeAnswer(winsys::gDeployment.switches.group)) name_.SetText(*group);
}

void TdlgStep4::ListBox1Click() {
  if (folders_.ItemIndex() >= 0) name_.SetText(folders_.ItemText(folders_.ItemIndex()));
}

bool TdlgStep4::AcceptNext() {
  const std::string name = name_.Text();
  if (name.empty()) {
    ui::ShowMessageBox(Handle(), texts::kNoGroupName, texts::kNoGroupNameCaption, MB_OK);
    return false;
  }
  gInstall.ProgramGroup = name;
  return true;
}

}  // namespace yv::pages
