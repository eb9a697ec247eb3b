// A running program cannot delete its own file. The uninstaller leaves a copy of itself
// that waits for it to end and then deletes it. The copy runs with the uninstaller's
// rights, so it is made where nobody else can write: a new folder of a random name under
// the temporary folder, whose access list lets only Administrators and SYSTEM in. The copy
// learns which program to delete from the process handle it inherits, never from a path
// it is told. The copy's file goes when the copy ends (where the system lets it), and the
// copy and its folder are named for deletion at the next restart (MOVEFILE_DELAY_UNTIL_REBOOT).
#pragma once

#include <string>

namespace yv::uninstall {

// The argument that starts a copy in its cleaning role; the number of the inherited
// process handle follows it.
inline constexpr char kCleanupSwitch[] = "/cleanup";

// Starts the copy; false when it could not be made or started (the file then stays).
bool RemoveSelfAfterExit(const std::string& ownPath);

// The copy's work: `arguments` are what followed kCleanupSwitch. Returns the exit code: 0
// the program deleted, 1 it stayed, 2 the arguments name no process handle (nothing done).
int RunCleanup(const std::string& arguments);

}  // namespace yv::uninstall
