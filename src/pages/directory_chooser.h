// The directory chooser: a folder typed in Edit1 or picked in the folder tree and the
// drive list. It only returns the text of Edit1; it checks and creates nothing.
#pragma once

#include <string>

#include "ui/form.h"

namespace yv::ui {
class DirectoryList;
}  // namespace yv::ui

namespace yv::pages {

class TdlgSelDir : public ui::Form {
 public:
  TdlgSelDir();  // the tree at "C:\", Edit1 filled from it

  std::string Folder() const { return folder_.Text(); }
  void SetFolder(const std::string& gbk) { folder_.SetText(gbk); }

  void DirectoryListBox1Change();
  void Button1Click();  // OK

 private:
  ui::Control& folder_;         // Edit1
  ui::DirectoryList& folders_;  // DirectoryListBox1
};

}  // namespace yv::pages
