// The two lists of a folder chooser. The directory list shows the folders of one drive
// as a tree: the root, each folder down to the current one (open), then the folders in
// the current one. Double-click or Enter on an entry makes it the current folder; each
// change of the current folder raises onChange. The drive list shows the drives; when
// the two are coupled, picking a drive moves the tree to that drive's root, and moving
// the tree to another drive selects that drive.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/list_controls.h"

namespace yv::ui {

class DriveList;

class DirectoryList : public ListBox {
 public:
  DirectoryList(Form& form, const ControlSpec& row, HWND hwnd);

  // The current folder as a full path: "C:\" for a root, "C:\a\b" below it.
  const std::string& Directory() const { return directory_; }
  // Moves the tree to an existing folder given as a full path ("D:\x", "D:\x\",
  // "D:"); false (and nothing changed) for anything else.
  bool SetDirectory(const std::string& path);
  // Makes the selected entry the current folder, as a double-click or Enter does.
  void OpenSelected();
  // The full path of entry `index`.
  const std::string& EntryPath(int index) const;

  std::function<void()> onChange;  // the current folder changed

  void OnCommand(WORD code) override;
  bool OnDrawItem(const DRAWITEMSTRUCT& item) override;
  bool UsesKey(WPARAM key) const override { return key == VK_RETURN; }
  bool OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  friend class DriveList;
  struct Entry {
    std::string path;  // full path
    int depth;         // 0 for the root
    bool open;         // the root, the current folder and the folders above it
  };
  std::vector<Entry> entries_;
  std::string directory_;
  DriveList* drives_ = nullptr;
};

class DriveList : public ComboBox {
 public:
  DriveList(Form& form, const ControlSpec& row, HWND hwnd);

  void Couple(DirectoryList& folders);
  char Drive() const;  // 'C' ..., or 0 when none is selected
  // Selects a drive without moving the tree; false when it is not listed.
  bool SelectDrive(char letter);

  void OnCommand(WORD code) override;

 private:
  DirectoryList* folders_ = nullptr;
};

}  // namespace yv::ui
