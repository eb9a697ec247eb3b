#include "uninstall/self_removal.h"

#include <windows.h>
// After windows.h:
#include <bcrypt.h>
#include <sddl.h>

#include <cstdint>
#include <optional>

#include "platform/file_io.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "winsys/handle.h"
#include "winsys/library_search.h"

namespace yv::uninstall {

namespace {

// The original ends within moments of starting the copy; a file still held after this
// long stays.
constexpr DWORD kWaitForOriginalMs = 60000;
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeletePauseMs = 100;

constexpr wchar_t kCopyName[] = L"\\uninstall.exe";
// Full control for SYSTEM and Administrators, passed on to what is made inside; no other
// entry, and nothing inherited from the temporary folder.
constexpr wchar_t kAdministratorsOnly[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The temporary folder, with its trailing backslash. Under the system account
// GetTempPath2W, where Windows has it, gives the system's own temporary folder.
std::optional<std::wstring> TempFolder() {
  const auto getTempPath2 = winsys::SystemFunction<decltype(&GetTempPathW)>(L"kernel32.dll", "GetTempPath2W");
  wchar_t folder[MAX_PATH + 1];
  const DWORD n = getTempPath2 ? getTempPath2(MAX_PATH + 1, folder) : GetTempPathW(MAX_PATH + 1, folder);
  if (n == 0 || n > MAX_PATH) return std::nullopt;
  return std::wstring(folder, n);
}

// "yv_" and 32 hexadecimal digits from the system's random source: nobody can foresee the
// name, so nobody can have made the folder first.
std::optional<std::wstring> RandomName() {
  const auto generate = winsys::SystemFunction<decltype(&BCryptGenRandom)>(L"bcrypt.dll", "BCryptGenRandom");
  unsigned char bytes[16];
  if (!generate || generate(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) return std::nullopt;
  constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring name = L"yv_";
  for (const unsigned char b : bytes) name += {kDigits[b >> 4], kDigits[b & 15]};
  return name;
}

bool MakePrivateFolder(const std::wstring& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdministratorsOnly, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return false;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const bool made = CreateDirectoryW(path.c_str(), &attributes) != 0;
  LocalFree(descriptor);
  return made;
}

// Writes the program into a new file, never one that was there. `keep` gets a handle that
// deletes the copy when the last process holding it ends: the copy inherits it, so its
// file goes when it ends, where the system lets it.
bool WriteCopy(const std::string& ownPath, const std::wstring& copy, winsys::ScopedHandle& keep) {
  const std::optional<std::string> bytes = platform::ReadWholeFile(ownPath);
  if (!bytes) return false;
  winsys::ScopedHandle out(
      CreateFileW(copy.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return false;
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  keep.reset(CreateFileW(copy.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherited,
                         OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!keep) {
    out.reset();
    DeleteFileW(copy.c_str());
    return false;
  }
  DWORD written = 0;
  return WriteFile(out.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &written, nullptr) &&
         written == bytes->size();
}

// The decimal number of a handle, digits only.
std::optional<HANDLE> HandleNamed(std::string_view digits) {
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > UINTPTR_MAX) return std::nullopt;
  return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

// The program file of the process `handle` stands for; std::nullopt unless the handle is
// one of this process's handles, of a process, and not of this one.
std::optional<std::wstring> ImageOf(HANDLE handle) {
  const DWORD id = GetProcessId(handle);
  if (id == 0 || id == GetCurrentProcessId()) return std::nullopt;
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(handle, 0, path.data(), &size)) return std::nullopt;
  path.resize(size);
  return path;
}

}  // namespace

bool RemoveSelfAfterExit(const std::string& ownPath) {
  const std::optional<std::wstring> temp = TempFolder();
  const std::optional<std::wstring> name = RandomName();
  if (!temp || !name || !MakePrivateFolder(*temp + *name)) return false;
  const std::wstring folder = *temp + *name;
  const std::wstring copy = folder + kCopyName;
  winsys::ScopedHandle keep;
  // The copy waits on a handle of this process that it inherits, and reads the program's
  // path from it.
  HANDLE self = nullptr;
  bool started = WriteCopy(ownPath, copy, keep) &&
                 DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                                 SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0);
  const winsys::ScopedHandle selfHandle(self);
  if (started) {
    // At the latest at the next restart, the file first, then its folder.
    MoveFileExW(copy.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    std::wstring command = L"\"" + copy + L"\" " + text::ToWide(kCleanupSwitch) + L" " +
                           std::to_wstring(reinterpret_cast<std::uintptr_t>(self));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    started = CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                             &process) != 0;
    if (started) {
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
  keep.reset();  // without a copy that holds it, the file goes now
  if (!started) RemoveDirectoryW(folder.c_str());
  return started;
}

int RunCleanup(const std::string& arguments) {
  const std::optional<HANDLE> original = HandleNamed(text::TrimBlanks(arguments));
  const std::optional<std::wstring> target = original ? ImageOf(*original) : std::nullopt;
  if (!target) return 2;
  const winsys::ScopedHandle originalHandle(*original);
  WaitForSingleObject(originalHandle.get(), kWaitForOriginalMs);
  bool deleted = false;
  for (int attempt = 0; attempt < kDeleteAttempts && !deleted; ++attempt) {
    deleted = DeleteFileW(target->c_str()) || GetFileAttributesW(target->c_str()) == INVALID_FILE_ATTRIBUTES;
    if (!deleted) Sleep(kDeletePauseMs);
  }
  return deleted ? 0 : 1;
}

}  // namespace yv::uninstall
