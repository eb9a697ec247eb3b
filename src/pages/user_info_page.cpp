#include "pages/user_info_page.h"

#include "pages/user_and_group_texts.h"
#include "ui/message_box.h"
#include "winsys/deployment.h"
#include "winsys/registry.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::pages {

using ui::ControlSpec;
using ui::Kind;
using wizard::gInstall;

namespace {

constexpr char kDefaultsKey[] = "Software\\Microsoft\\MS Setup (ACME)\\User Info";

const std::vector<ControlSpec> kRows = {
    {Kind::Label, "Label1", 160, 16, 24, 12, texts::kCompany},
    {Kind::Edit, "Edit4", 160, 40, 305, 20},
    {Kind::Label, "Label2", 160, 80, 24, 12, texts::kName},
    {Kind::Edit, "Edit3", 160, 104, 305, 20},
};

}  // namespace

TdlgStep2::TdlgStep2(winsys::ChangeLayer& changes)
    : WizardPage(wizard::texts::kUserInfoCaption, wizard::FrameButtons::BackNextCancel, kRows),
      name_((*this)["Edit3"]),
      company_((*this)["Edit4"]),
      changes_(changes) {
  // This page's Next and Cancel stand apart from the common frame's.
  MoveFrameButton("Button2", 280, 258);
  MoveFrameButton("Button3", 394);
  SetTabOrder({"Edit4", "Edit3", "Button2", "Button1", "Button3"});

  // The installation state's values come first, field by field.
  const winsys::RegistryKey defaults(HKEY_CURRENT_USER, kDefaultsKey);
  const std::string name = defaults.ReadString("Defname").value_or("");
  const std::string company = defaults.ReadString("DefCompany").value_or("");
  name_.SetText(gInstall.UserName.empty() ? name : gInstall.UserName);
  company_.SetText(gInstall.CompanyName.empty() ? company : gInstall.CompanyName);
  if (const auto user = winsys::TakeAnswer(winsys::gDeployment.switches.user)) name_.SetText(*user);
  if (const auto given = winsys::TakeAnswer(winsys::gDeployment.switches.company)) company_.SetText(*given);
}

bool TdlgStep2::AcceptNext() {
  const winsys::RegistryKey product =
      winsys::RegistryKey::Create(changes_, HKEY_LOCAL_MACHINE, wizard::texts::kProductKey);
  if (!product.IsOpen()) {
    ui::ShowMessageBox(Handle(), texts::kRegistrationFailed, "", MB_TOPMOST);
    return false;
  }
  const std::string company = company_.Text();
  const std::string name = name_.Text();
  product.WriteString("Company", company);
  product.WriteString("Name", name);
  gInstall.UserName = name;
  gInstall.CompanyName = company;
  return true;
}

}  // namespace yv::pages
