// What programs of either bitness see on a 64-bit Windows: the registry view of a
// 32-bit program is the 64-bit one's "Wow6432Node" below SOFTWARE, and its system
// folder is the prefix's "syswow64". The scenarios are programs of the bitness of the
// setup.exe they drive: 32-bit as shipped, 64-bit where the machine runs no 32-bit code.
#pragma once

#include <optional>
#include <string>

namespace yv::e2e {

enum class Bitness { k32, k64 };
// The bitness of the setup.exe under test, and the other one.
inline constexpr Bitness kProductBitness = sizeof(void*) == 8 ? Bitness::k64 : Bitness::k32;
inline constexpr Bitness kOtherBitness = sizeof(void*) == 8 ? Bitness::k32 : Bitness::k64;

// The data of the string value `name` under HKEY_LOCAL_MACHINE\`key` (GBK), as a program
// of the given bitness reads it at that path (registry_probe32/64.exe), or nullopt.
std::optional<std::string> ProbeValue(Bitness bitness, const std::string& key, const std::string& name);

// "SOFTWARE\X..." as a 64-bit program reaches the 32-bit view's key: "SOFTWARE\Wow6432Node\X...".
std::string Wow6432Path(const std::string& key);

// The content of `name` (GBK) in the system folder of programs of the given bitness,
// read without the file system redirection of 32-bit programs: the Windows folder's
// "system32" (64-bit) or "syswow64" (32-bit). nullopt when there is no such file.
std::optional<std::string> ReadSystemFolderFile(Bitness bitness, const std::string& name);

}  // namespace yv::e2e
