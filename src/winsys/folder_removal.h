// Removal of a whole folder through the shell's delete operation.
#pragma once

#include <string>

namespace yv::winsys {

// Deletes the folder at `path` (GBK) with everything in it, permanently, and returns true
// when no folder is left there; nothing at the path counts as removed. The shell is only
// ever handed a fully qualified path below a drive or share root, shorter than MAX_PATH
// characters, without "." or ".." levels or wildcards: anything else is refused (false)
// before the shell is asked, since the shell's delete has been seen going on in the
// working folder when a path it was given was too long.
bool RemoveFolder(const std::string& path);

}  // namespace yv::winsys
