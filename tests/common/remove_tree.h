// Removal of the scratch folders of the Windows tests.
#pragma once

#include <string>

namespace yv::test {

// Removes a folder with everything below it. It never follows links out of the folder
// and refuses (false) a path that is not absolute or does not contain `marker`, so a
// path gone wrong cannot reach anything but a test's own folder. (The shell's folder
// deletion is not used: on paths past MAX_PATH it has gone on in the working folder.)
bool RemoveTree(const std::wstring& path, const std::wstring& marker);

}  // namespace yv::test
