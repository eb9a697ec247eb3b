// Helpers of the Windows tests: scratch folders on the Wine drive, a sandbox for the
// machine registry, and scripted message boxes.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "ui/message_box.h"
#include "winsys/change_layer.h"

namespace yv::test {

// Registry keys the wizard reads and writes, as the tests set them up and read them back.
inline constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kAppPaths[] = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\App Paths\\dravkp.exe";

// A fresh folder under the temporary folder, removed with its content at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return path_; }  // GBK, no trailing backslash
  // Writes bytes to a file below the folder (relative name, '\' separated), making folders.
  std::string Write(const std::string& relative, const std::string& bytes) const;
  std::string Folder(const std::string& relative) const;  // made with its parents

 private:
  std::string path_;
};

// Makes `folder` the process's working folder for the object's life, so that nothing a
// test runs can act on the repository through a relative path.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::string& folder);
  ~WorkingFolder();
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

 private:
  std::wstring previous_;
};

// Redirects a root key of this process (HKEY_LOCAL_MACHINE unless named) into a
// scratch key for the test's life.
class RegistrySandbox {
 public:
  // A refusing sandbox is a volatile key, under which no lasting key can be created: a
  // root where nothing may be registered.
  explicit RegistrySandbox(HKEY predefined = HKEY_LOCAL_MACHINE, bool refusesNewKeys = false);
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // Writes a string value (GBK) under the redirected root as the program sees it.
  void SetString(const std::string& key, const std::string& name, const std::string& value) const;

 private:
  HKEY predefined_;
  std::wstring scratch_;
  HKEY root_ = nullptr;
};

// Records every message box and answers from a script (IDOK when the script is empty).
class MessageBoxScript {
 public:
  explicit MessageBoxScript(std::deque<int> answers = {});
  ~MessageBoxScript();
  MessageBoxScript(const MessageBoxScript&) = delete;
  MessageBoxScript& operator=(const MessageBoxScript&) = delete;

  void Answer(int button) { answers_.push_back(button); }
  // Runs before each box is answered, as the person who reads it would act.
  void OnEachBox(std::function<void(const ui::MessageBoxCall&)> action) { action_ = std::move(action); }
  const std::vector<ui::MessageBoxCall>& Calls() const { return calls_; }
  // The boxes as (owner, text, caption, style), or their texts alone, to compare a whole
  // sequence at once.
  using Box = std::tuple<HWND, std::string, std::string, UINT>;
  std::vector<Box> Boxes() const;
  std::vector<std::string> Texts() const;

 private:
  std::deque<int> answers_;
  std::vector<ui::MessageBoxCall> calls_;
  std::function<void(const ui::MessageBoxCall&)> action_;
};

// The names of the files and folders in `folder`, sorted.
std::vector<std::string> FilesIn(const std::string& folder);
// Everything below `folder`, as paths relative to it, sorted; a folder ends with a
// backslash ("sub\\", "sub\\a.txt").
std::vector<std::string> TreeOf(const std::string& folder);

// Makes `link` a link to the folder `target`, as a user who may write where it lies could:
// a junction; under Wine, which makes neither junctions nor symbolic links, a Unix
// symbolic link, which its programs see as a link to a folder. False when none was made.
bool MakeFolderLink(const std::string& link, const std::string& target);
// Removes such a link, never what it leads to.
void RemoveFolderLink(const std::string& link);

// A small filesystem of its own (YV_SMALL_DISK, mounted for the test run by
// small_disk.sh), where a disk can really be filled; std::nullopt when there is none.
std::optional<std::string> SmallDisk();
// Fills the rest of the disk under `folder` with one file; its path.
std::string FillDisk(const std::string& folder);

// A program built beside the test program.
std::string ProgramBeside(const char* name);

// Outside a MessageBoxScript a box fails the test instead of waiting for a person.
ui::MessageBoxResponder UnscriptedBoxes();

// Converts a UTF-8 literal of a test into GBK only where a test needs to build bytes at
// run time; literals in the sources are GBK already.
std::string Gbk(const std::wstring& text);

// A change layer without a journal, as the last page has when the medium names no
// uninstaller: each file is put in place at once.
winsys::ChangeLayer& DirectChanges();

}  // namespace yv::test
