#include "win_test_support.h"

#include <gtest/gtest.h>

#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/file_io.h"
#include "remove_tree.h"
#include "text/cp936.h"

namespace yv::test {

namespace {
unsigned NextSerial() {
  static unsigned serial = 0;
  return ++serial;
}

std::wstring UniqueName(const wchar_t* prefix) {
  return std::wstring(prefix) + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(NextSerial()) + L"_" +
         std::to_wstring(GetTickCount());
}

void MakeFolders(const std::wstring& path) {
  for (std::size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
  }
}
}  // namespace

std::string Gbk(const std::wstring& text) {
  return text::FromWide(text);
}

ScratchDir::ScratchDir() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring path = std::wstring(temp) + UniqueName(L"yvtest_");
  MakeFolders(path);
  path_ = text::FromWide(path);
}

ScratchDir::~ScratchDir() {
  RemoveTree(text::ToWide(path_), L"\\yvtest_");
}

std::string ScratchDir::Folder(const std::string& relative) const {
  std::string path = path_ + "\\" + relative;
  MakeFolders(text::ToWide(path));
  return path;
}

std::string ScratchDir::Write(const std::string& relative, const std::string& bytes) const {
  std::string path = path_ + "\\" + relative;
  std::wstring wide = text::ToWide(path);
  MakeFolders(wide.substr(0, wide.find_last_of(L'\\')));
  if (!platform::WriteWholeFile(path, bytes)) throw std::runtime_error("cannot write " + path);
  return path;
}

WorkingFolder::WorkingFolder(const std::string& folder) {
  wchar_t current[MAX_PATH];
  previous_.assign(current, GetCurrentDirectoryW(MAX_PATH, current));
  if (!SetCurrentDirectoryW(text::ToWide(folder).c_str())) throw std::runtime_error("cannot enter " + folder);
}

WorkingFolder::~WorkingFolder() {
  SetCurrentDirectoryW(previous_.c_str());
}

RegistrySandbox::RegistrySandbox(HKEY predefined, bool refusesNewKeys)
    : predefined_(predefined), scratch_(L"Software\\YvTest\\" + UniqueName(L"root_")) {
  if (RegCreateKeyExW(HKEY_CURRENT_USER, scratch_.c_str(), 0, nullptr, refusesNewKeys ? REG_OPTION_VOLATILE : 0,
                      KEY_ALL_ACCESS, nullptr, &root_, nullptr) != ERROR_SUCCESS ||
      RegOverridePredefKey(predefined_, root_) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot redirect a registry root");
  }
}

RegistrySandbox::~RegistrySandbox() {
  RegOverridePredefKey(predefined_, nullptr);
  RegCloseKey(root_);
  RegDeleteTreeW(HKEY_CURRENT_USER, scratch_.c_str());
}

void RegistrySandbox::SetString(const std::string& key, const std::string& name, const std::string& value) const {
  HKEY k;
  if (RegCreateKeyExW(predefined_, text::ToWide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
      ERROR_SUCCESS) {
    throw std::runtime_error("cannot create key " + key);
  }
  std::wstring v = text::ToWide(value);
  RegSetValueExW(k, text::ToWide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                 static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
}

MessageBoxScript::MessageBoxScript(std::deque<int> answers) : answers_(std::move(answers)) {
  ui::SetMessageBoxResponder([this](const ui::MessageBoxCall& call) {
    calls_.push_back(call);
    if (action_) action_(call);
    if (answers_.empty()) return IDOK;
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
  });
}

MessageBoxScript::~MessageBoxScript() {
  ui::SetMessageBoxResponder(UnscriptedBoxes());
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(text::ToWide(folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = text::FromWide(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> TreeOf(const std::string& folder) {
  std::vector<std::string> tree;
  for (const std::string& name : FilesIn(folder)) {
    const std::string path = folder + "\\" + name;
    if (GetFileAttributesW(text::ToWide(path).c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
      tree.push_back(name + "\\");
      for (const std::string& below : TreeOf(path)) tree.push_back(name + "\\" + below);
    } else {
      tree.push_back(name);
    }
  }
  std::sort(tree.begin(), tree.end());
  return tree;
}

namespace {

// Under Wine: runs "/bin/<tool> <options>" on the Unix names of `paths`, without waiting
// (Wine gives no handle of a Unix program to wait on). False elsewhere.
bool RunUnixTool(const std::wstring& tool, const std::vector<std::wstring>& paths) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (!unixName) return false;
  const std::wstring program = L"Z:\\bin\\" + tool.substr(0, tool.find(L' '));
  std::wstring command = L"Z:\\bin\\" + tool;
  for (const std::wstring& path : paths) {
    char* name = unixName(path.c_str());
    if (!name) return false;
    wchar_t wide[MAX_PATH * 3];
    const int length = MultiByteToWideChar(CP_UTF8, 0, name, -1, wide, MAX_PATH * 3);
    HeapFree(GetProcessHeap(), 0, name);
    command += L" \"" + std::wstring(wide, length > 0 ? length - 1 : 0) + L"\"";
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  return CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started);
}

// Waits up to five seconds for what stands at `path` to be (or not be) a link.
bool AwaitLink(const std::wstring& path, bool link) {
  for (int i = 0; i < 250; ++i) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if ((attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) == link) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace

bool MakeFolderLink(const std::string& link, const std::string& target) {
  const std::wstring at = text::ToWide(link);
  const std::wstring to = text::ToWide(target);
  if (CreateDirectoryW(at.c_str(), nullptr)) {
    // A mount point's reparse data: tag and size, then the offsets and sizes of the
    // substitute and printed names, then the names.
    const std::wstring names = L"\\??\\" + to + L'\0' + to + L'\0';
    const WORD substitute = static_cast<WORD>((to.size() + 4) * sizeof(wchar_t));
    const WORD printed = static_cast<WORD>(to.size() * sizeof(wchar_t));
    const WORD offsets[] = {0, substitute, static_cast<WORD>(substitute + sizeof(wchar_t)), printed};
    std::vector<char> data(8 + sizeof offsets + names.size() * sizeof(wchar_t));
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    const WORD length = static_cast<WORD>(data.size() - 8);
    std::memcpy(data.data(), &tag, 4);
    std::memcpy(data.data() + 4, &length, 2);
    std::memcpy(data.data() + 8, offsets, sizeof offsets);
    std::memcpy(data.data() + 8 + sizeof offsets, names.data(), names.size() * sizeof(wchar_t));
    const HANDLE folder = CreateFileW(at.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    DWORD returned = 0;
    const bool made = DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, data.data(), static_cast<DWORD>(data.size()),
                                      nullptr, 0, &returned, nullptr);
    CloseHandle(folder);
    if (made) return true;
    RemoveDirectoryW(at.c_str());
  }
  return RunUnixTool(L"ln -s", {to, at}) && AwaitLink(at, true);
}

void RemoveFolderLink(const std::string& link) {
  const std::wstring at = text::ToWide(link);
  if (!RemoveDirectoryW(at.c_str()) && RunUnixTool(L"rm", {at})) AwaitLink(at, false);
}

std::optional<std::string> SmallDisk() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"YV_SMALL_DISK", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  ULARGE_INTEGER total{};
  if (!GetDiskFreeSpaceExW(path, nullptr, &total, nullptr) || total.QuadPart > 16u << 20) return std::nullopt;
  return text::FromWide(path);
}

std::string FillDisk(const std::string& folder) {
  const std::string filler = folder + "\\filler.bin";
  HANDLE file = CreateFileW(text::ToWide(filler).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  const std::string block(4096, 'f');
  DWORD written = 0;
  while (WriteFile(file, block.data(), 4096, &written, nullptr) && written == 4096) {
  }
  CloseHandle(file);
  return filler;
}

std::string ProgramBeside(const char* name) {
  wchar_t self[MAX_PATH];
  std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  return text::FromWide(path.substr(0, path.find_last_of(L'\\') + 1)) + name;
}

ui::MessageBoxResponder UnscriptedBoxes() {
  return [](const ui::MessageBoxCall& call) {
    ADD_FAILURE() << "message box without a script: " << call.text;
    return (call.style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
  };
}

std::vector<MessageBoxScript::Box> MessageBoxScript::Boxes() const {
  std::vector<Box> boxes;
  for (const auto& call : calls_) boxes.emplace_back(call.owner, call.text, call.caption, call.style);
  return boxes;
}

std::vector<std::string> MessageBoxScript::Texts() const {
  std::vector<std::string> texts;
  for (const auto& call : calls_) texts.push_back(call.text);
  return texts;
}

winsys::ChangeLayer& DirectChanges() {
  static winsys::ChangeLayer changes(nullptr);
  return changes;
}

}  // namespace yv::test
