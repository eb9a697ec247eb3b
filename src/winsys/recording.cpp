#include "winsys/recording.h"

#include <vector>

#include "install_log/registry_file.h"
#include "platform/file_io.h"
#include "text/cp936.h"
#include "text/gbk.h"

namespace yv::winsys {

using install_log::Record;
using install_log::RecordKind;
using install_log::View;

namespace {

struct Root {
  HKEY key;
  const char* name;
};
const Root kRoots[] = {
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},   {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},     {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};

// A deleted key's values are recorded up to this many; the rest could not be restored.
constexpr int kDeletedValueLimit = 10000;

void Put(install_log::ChangeRecorder& log, const Record& record) {
  log.Record(record);
}

Record Make(RecordKind kind, std::string text) {
  Record r;
  r.kind = kind;
  r.text = std::move(text);
  return r;
}

std::string KeyText(HKEY root, const std::string& path) {
  return path.empty() ? RootName(root) : RootName(root) + "\\" + path;
}

bool KeyExists(HKEY root, const std::string& path, View view) {
  HKEY key = nullptr;
  const LONG status = RegOpenKeyExW(root, text::ToWide(path).c_str(), 0, KEY_QUERY_VALUE | ViewAccess(view), &key);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  // A key that may not be read is there all the same.
  return status != ERROR_FILE_NOT_FOUND && status != ERROR_PATH_NOT_FOUND;
}

Record ValueRecord(HKEY key, const std::string& keyText, const std::string& name, View view) {
  Record r = Make(RecordKind::Value, keyText);
  r.view = view;
  r.valueName = name;
  if (!key) return r;
  const std::wstring wname = text::ToWide(name);
  DWORD type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExW(key, wname.c_str(), nullptr, &type, nullptr, &size);
  std::string data;
  // A value that grows between the two reads is read again.
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    data.resize(size);
    status = RegQueryValueExW(key, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (status == ERROR_SUCCESS) {
      data.resize(size);
      r.existed = true;
      r.earlier = {type, data};
      break;
    }
  }
  return r;
}

// Every value of the key and its subkeys, as a deletion of the whole key takes them.
void RecordSubtreeValues(install_log::ChangeRecorder& log, HKEY root, const std::string& path, View view, int& budget) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, text::ToWide(path).c_str(), 0, KEY_READ | ViewAccess(view), &key) != ERROR_SUCCESS) return;
  std::vector<wchar_t> name(16384);  // the longest value name, on the heap: keys nest deep
  for (DWORD i = 0; budget > 0; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    if (RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Put(log, ValueRecord(key, KeyText(root, path), text::FromWide(std::wstring_view(name.data(), length)), view));
    --budget;
  }
  std::vector<std::string> subkeys;
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.push_back(text::FromWide(std::wstring_view(name.data(), length)));
  }
  RegCloseKey(key);
  for (const std::string& sub : subkeys) RecordSubtreeValues(log, root, path + "\\" + sub, view, budget);
}

// "HKEY_...\path" as a root and a path. The classes root is a merged view; what an
// administrator's import writes there lands below HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
std::optional<std::pair<HKEY, std::string>> SplitKey(const std::string& key) {
  const std::size_t sep = text::FindChar(key, '\\');
  const std::string rootName = key.substr(0, sep);
  const std::string rest = sep == std::string::npos ? std::string() : key.substr(sep + 1);
  const auto root = RootOf(rootName);
  if (!root) return std::nullopt;
  if (*root == HKEY_CLASSES_ROOT) {
    return std::make_pair(HKEY_LOCAL_MACHINE,
                          rest.empty() ? std::string("SOFTWARE\\Classes") : "SOFTWARE\\Classes\\" + rest);
  }
  return std::make_pair(*root, rest);
}

}  // namespace

View OwnView() {
  return sizeof(void*) == 8 ? View::k64 : View::k32;
}

std::vector<View> RegistryEditorViews() {
  BOOL wow64 = FALSE;
  if (sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64)) return {View::k32, View::k64};
  return {View::k32};
}

REGSAM ViewAccess(View view) {
  return view == View::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

std::string RootName(HKEY root) {
  for (const Root& r : kRoots) {
    if (r.key == root) return r.name;
  }
  return "HKEY_?";
}

std::optional<HKEY> RootOf(const std::string& name) {
  for (const Root& r : kRoots) {
    if (text::EqualsIgnoreCase(name, r.name)) return r.key;
  }
  return std::nullopt;
}

void RecordShortcut(install_log::ChangeRecorder& log, const std::string& path) {
  Put(log, Make(RecordKind::Link, path));
}

void RecordKeyCreate(install_log::ChangeRecorder& log, HKEY root, const std::string& path, View view) {
  if (!log.Keeps()) return;
  bool missing = false;
  for (std::size_t i = 0; i <= path.size(); i += i < path.size() ? text::CharLength(path, i) : 1) {
    if (i < path.size() && path[i] != '\\') continue;
    const std::string level = path.substr(0, i);
    if (level.empty()) continue;
    missing = missing || !KeyExists(root, level, view);
    if (!missing) continue;
    Record r = Make(RecordKind::Key, KeyText(root, level));
    r.view = view;
    Put(log, r);
  }
}

void RecordValueChange(install_log::ChangeRecorder& log, HKEY root, const std::string& key, const std::string& name,
                       View view) {
  if (!log.Keeps()) return;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, text::ToWide(key).c_str(), 0, KEY_QUERY_VALUE | ViewAccess(view), &opened) != ERROR_SUCCESS) {
    opened = nullptr;
  }
  Put(log, ValueRecord(opened, KeyText(root, key), name, view));
  if (opened) RegCloseKey(opened);
}

void RecordRegistryImport(install_log::ChangeRecorder& log, const std::string& path) {
  if (!log.Keeps()) return;
  const auto bytes = platform::ReadWholeFile(path);
  if (!bytes) return;
  const auto toGbk = [](std::u16string_view wide) { return text::FromWide(std::wstring(wide.begin(), wide.end())); };
  const auto changes = install_log::ReadRegistryFile(*bytes, toGbk);
  if (!changes) return;
  int budget = kDeletedValueLimit;
  for (const View view : RegistryEditorViews())
    for (const install_log::RegistryChange& change : *changes) {
      const auto key = SplitKey(change.key);
      if (!key) continue;
      using Kind = install_log::RegistryChange::Kind;
      switch (change.kind) {
        case Kind::kKey:
          RecordKeyCreate(log, key->first, key->second, view);
          break;
        case Kind::kDeleteKey:
          RecordSubtreeValues(log, key->first, key->second, view, budget);
          break;
        case Kind::kValue:
        case Kind::kDeleteValue:
          RecordValueChange(log, key->first, key->second, change.name, view);
          break;
      }
    }
}

}  // namespace yv::winsys
