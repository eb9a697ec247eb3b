#include "planted_libraries.h"

#include <windows.h>

namespace yv::test {

const std::vector<std::wstring> kPlantedNames = {L"comctl32", L"uxtheme",     L"dwmapi",    L"version", L"msimg32",
                                                 L"winmm",    L"textshaping", L"cryptbase", L"bcrypt",  L"propsys",
                                                 L"profapi",  L"userenv",     L"ntmarta",   L"sspicli", L"wintypes"};

namespace {

std::wstring OverridesKey(const std::wstring& program) {
  return L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides";
}

std::wstring OwnFolder() {
  wchar_t self[MAX_PATH];
  const std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  return path.substr(0, path.rfind(L'\\'));
}

std::string Utf8(const std::wstring& s) {
  std::string out(s.size() * 3, '\0');
  out.resize(WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(),
                                 static_cast<int>(out.size()), nullptr, nullptr));
  return out;
}

}  // namespace

PlantedLibraries::PlantedLibraries(std::vector<std::wstring> programs) : programs_(std::move(programs)) {
  static const wchar_t kNativeFirst[] = L"native,builtin";
  for (const std::wstring& program : programs_) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, OverridesKey(program).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      continue;
    }
    for (const std::wstring& name : kPlantedNames) {
      RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst), sizeof kNativeFirst);
    }
    RegCloseKey(key);
  }
}

PlantedLibraries::~PlantedLibraries() {
  // The test prefix has no load order of its own for these programs: the keys go whole.
  for (const std::wstring& program : programs_) {
    RegDeleteKeyW(HKEY_CURRENT_USER, OverridesKey(program).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, (L"Software\\Wine\\AppDefaults\\" + program).c_str());
  }
  for (const std::wstring& file : planted_) {
    DeleteFileW(file.c_str());
    DeleteFileW((file + L".loaded").c_str());
  }
}

bool PlantedLibraries::PlantIn(const std::wstring& folder) {
  const std::wstring library = OwnFolder() + L"\\planted_library.dll";
  bool all = true;
  for (const std::wstring& name : kPlantedNames) {
    const std::wstring file = folder + L"\\" + name + L".dll";
    const bool copied = CopyFileW(library.c_str(), file.c_str(), FALSE) != 0;
    if (copied) planted_.push_back(file);
    all = all && copied;
  }
  return all;
}

std::vector<std::string> PlantedLibraries::Loaded() const {
  std::vector<std::string> loaded;
  for (const std::wstring& file : planted_) {
    const HANDLE marker = CreateFileW((file + L".loaded").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE) continue;
    wchar_t program[MAX_PATH];
    DWORD read = 0;
    ReadFile(marker, program, sizeof program, &read, nullptr);
    CloseHandle(marker);
    loaded.push_back(Utf8(file) + ": " + Utf8(std::wstring(program, read / sizeof(wchar_t))));
  }
  return loaded;
}

}  // namespace yv::test
