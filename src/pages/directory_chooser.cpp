#include "pages/directory_chooser.h"

#include "pages/pages_texts.h"
#include "text/gbk.h"
#include "ui/folder_controls.h"
#include "ui/message_box.h"
#include "wizard/texts.h"

namespace yv::pages {

using ui::ControlSpec;
using ui::Kind;

namespace {

const ui::FontSpec kFont{"宋体", -12};

const std::vector<ControlSpec> kRows = {
    {Kind::Label, "Label1", 16, 10, 90, 12, texts::kChooserLabel},
    {Kind::Edit, "Edit1", 16, 26, 249, 20},
    {Kind::DirectoryList, "DirectoryListBox1", 16, 48, 161, 147},
    {Kind::DriveList, "DriveComboBox1", 16, 200, 161, 18},
    {Kind::Button, "Button1", 194, 96, 75, 25, texts::kOk, ui::kDefault, ui::mrOk},
    {Kind::Button, "Button2", 194, 128, 75, 25, texts::kCancel, ui::kCancel, ui::mrCancel},
};

}  // namespace

TdlgSelDir::TdlgSelDir()
    : ui::Form(ui::FormSpec{texts::kChooserCaption, 281, 232, ui::Border::DialogSystemMenu, ui::SysColor(COLOR_BTNFACE),
                            kFont},
               kRows),
      folder_((*this)["Edit1"]),
      folders_(Get<ui::DirectoryList>("DirectoryListBox1")) {
  SetTabOrder({"DirectoryListBox1", "DriveComboBox1", "Edit1", "Button1", "Button2"});
  folders_.SetItemHeight(16);
  folders_.onChange = [this] { DirectoryListBox1Change(); };
  Get<ui::DriveList>("DriveComboBox1").Couple(folders_);
  (*this)["Button1"].onClick = [this] { Button1Click(); };
  folders_.SetDirectory("C:\\");
}

void TdlgSelDir::DirectoryListBox1Change() {
  SetFolder(folders_.Directory());
}

void TdlgSelDir::Button1Click() {
  // The modal result 1 of the button is in force; a refused text keeps the dialog open.
  const std::string folder = Folder();
  if (folder.empty()) {
    ui::ShowMessageBox(Handle(), texts::kNoFolder, wizard::texts::kSetupCaption, MB_OK);
    modalResult = ui::mrNone;
  } else if (folder.size() > text::kPathLimit) {
    // The folder is kept in 255 bytes further on: a longer one is refused here, where
    // the user can still shorten it, rather than cut.
    ui::ShowMessageBox(Handle(), texts::kFolderTooLong, wizard::texts::kSetupCaption, MB_OK | MB_ICONWARNING);
    modalResult = ui::mrNone;
  }
}

}  // namespace yv::pages
