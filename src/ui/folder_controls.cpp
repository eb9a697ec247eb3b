#include "ui/folder_controls.h"

#include <algorithm>
#include <cctype>

#include "text/cp936.h"
#include "text/gbk.h"
#include "ui/form.h"

namespace yv::ui {

namespace {

constexpr int kIndent = 10;  // pixels per level of the tree

bool IsFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesW(text::ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folders directly in `folder` (a full path, "C:\" or "C:\a"), hidden ones left
// out, in name order without regard to ASCII case.
std::vector<std::string> SubfolderNames(const std::string& folder) {
  std::string pattern = text::EndsWithBackslash(folder) ? folder + "*" : folder + "\\*";
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(text::ToWide(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
      continue;
    }
    if (name == L"." || name == L"..") continue;
    names.push_back(text::FromWide(name));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return text::ToLowerAscii(a) < text::ToLowerAscii(b); });
  return names;
}

// The folder names of a full path below its drive ("C:\a\b" gives a, b); false when
// the text is not a full path on a drive or names "." / "..".
bool SplitFolderPath(const std::string& path, char& drive, std::vector<std::string>& names) {
  if (path.size() < 2 || path[1] != ':' || !isalpha(static_cast<unsigned char>(path[0]))) return false;
  drive = static_cast<char>(toupper(static_cast<unsigned char>(path[0])));
  std::string rest = text::WithoutTrailingBackslash(path.substr(2));
  names.clear();
  if (rest.empty()) return true;
  if (rest[0] != '\\') return false;
  std::size_t start = 1;
  while (true) {
    std::size_t end = text::FindChar(rest, '\\', start);
    std::string name = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (name.empty() || name == "." || name == "..") return false;
    names.push_back(name);
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace

DirectoryList::DirectoryList(Form& form, const ControlSpec& row, HWND hwnd) : ListBox(form, row, hwnd) {}

const std::string& DirectoryList::EntryPath(int index) const {
  return entries_.at(static_cast<std::size_t>(index)).path;
}

namespace {
// While it lives, a drive without a disc fails quietly instead of asking the user.
class QuietDriveErrors {
 public:
  QuietDriveErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
  ~QuietDriveErrors() { SetThreadErrorMode(old_, nullptr); }
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

 private:
  DWORD old_ = 0;
};
}  // namespace

bool DirectoryList::SetDirectory(const std::string& path) {
  QuietDriveErrors quiet;
  char drive = 0;
  std::vector<std::string> names;
  if (!SplitFolderPath(path, drive, names)) return false;
  std::string current = std::string(1, drive) + ":\\";
  if (!IsFolder(current)) return false;
  std::vector<Entry> entries{{current, 0, true}};
  std::vector<std::string> shown{current};
  for (std::size_t i = 0; i < names.size(); ++i) {
    current += (i == 0 ? "" : "\\") + names[i];
    entries.push_back({current, static_cast<int>(i) + 1, true});
    shown.push_back(names[i]);
  }
  if (!IsFolder(current)) return false;
  int currentIndex = static_cast<int>(entries.size()) - 1;
  for (const std::string& name : SubfolderNames(current)) {
    entries.push_back({(names.empty() ? current : current + "\\") + name, static_cast<int>(names.size()) + 1, false});
    shown.push_back(name);
  }

  SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
  entries_ = std::move(entries);
  SetItems(shown);
  SetItemIndex(currentIndex);
  SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Handle(), nullptr, TRUE);

  bool changed = current != directory_;
  directory_ = current;
  if (drives_) drives_->SelectDrive(drive);
  if (changed && onChange) onChange();
  return true;
}

void DirectoryList::OpenSelected() {
  int index = ItemIndex();
  if (index >= 0 && index < static_cast<int>(entries_.size()))
    SetDirectory(entries_[static_cast<std::size_t>(index)].path);
}

void DirectoryList::OnCommand(WORD code) {
  ListBox::OnCommand(code);
  if (code == LBN_DBLCLK) OpenSelected();
}

bool DirectoryList::OnOwnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_KEYDOWN && wParam == VK_RETURN) {
    OpenSelected();
    result = 0;
    return true;
  }
  return ListBox::OnOwnMessage(msg, wParam, lParam, result);
}

bool DirectoryList::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= entries_.size()) return true;
  const Entry& entry = entries_[item.itemID];
  bool selected = (item.itemState & ODS_SELECTED) != 0;
  RECT rc = item.rcItem;
  FillRect(item.hDC, &rc, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  // A small folder: open folders drawn hollow, closed ones filled.
  int x = rc.left + 2 + entry.depth * kIndent;
  int middle = (rc.top + rc.bottom) / 2;
  RECT folder{x, middle - 4, x + 12, middle + 5};
  const Brush fill(CreateSolidBrush(entry.open ? RGB(255, 255, 224) : RGB(240, 200, 80)));
  FillRect(item.hDC, &folder, fill.Get());
  FrameRect(item.hDC, &folder, GetSysColorBrush(COLOR_WINDOWTEXT));
  RECT label = rc;
  label.left = x + 16;
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  std::wstring name = text::ToWide(ItemText(static_cast<int>(item.itemID)));
  DrawTextW(item.hDC, name.c_str(), static_cast<int>(name.size()), &label,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &rc);
  return true;
}

DriveList::DriveList(Form& form, const ControlSpec& row, HWND hwnd) : ComboBox(form, row, hwnd) {
  DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (drives & (1u << i)) Add(std::string(1, static_cast<char>('A' + i)) + ":");
  }
}

void DriveList::Couple(DirectoryList& folders) {
  folders_ = &folders;
  folders.drives_ = this;
  if (!folders.Directory().empty()) SelectDrive(folders.Directory()[0]);
}

char DriveList::Drive() const {
  int index = ItemIndex();
  return index < 0 ? 0 : ItemText(index)[0];
}

bool DriveList::SelectDrive(char letter) {
  for (int i = 0; i < Count(); ++i) {
    if (ItemText(i)[0] == letter) {
      SetItemIndex(i);
      return true;
    }
  }
  return false;
}

void DriveList::OnCommand(WORD code) {
  if (code == CBN_SELCHANGE && folders_) {
    char drive = Drive();
    // A drive that cannot be read (no disc) leaves the tree where it was.
    if (drive && !folders_->SetDirectory(std::string(1, drive) + ":\\") && !folders_->Directory().empty()) {
      SelectDrive(folders_->Directory()[0]);
    }
  }
  ComboBox::OnCommand(code);
}

}  // namespace yv::ui
