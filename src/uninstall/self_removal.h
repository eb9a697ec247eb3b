// A running program cannot delete its own file. The uninstaller leaves a copy of itself in
// the temporary folder that waits for it to end and then deletes it; the copy is itself
// deleted at the next restart (MOVEFILE_DELAY_UNTIL_REBOOT).
#pragma once

#include <string>

namespace yv::uninstall {

// The argument that starts a copy in its cleaning role.
inline constexpr char kCleanupSwitch[] = "/cleanup";

// Starts the copy; false when it could not be made or started (the file then stays).
bool RemoveSelfAfterExit(const std::string& ownPath);

// The copy's work: `arguments` are what followed kCleanupSwitch (the waiting handle's
// number and the path to delete). Returns the exit code.
int RunCleanup(const std::string& arguments, const std::string& ownPath);

}  // namespace yv::uninstall
