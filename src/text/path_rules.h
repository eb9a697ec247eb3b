// Rules for folder paths that name something the installation may delete: a path below
// a given folder must stay below it, and a full path must be rooted and plain. GBK-aware
// (a trail byte 0x5C is no separator).
#pragma once

#include <string_view>

namespace yv::text {

// True when `relative` names a folder strictly below the folder it is joined to: not
// empty, no root ('\' or '/' first), no drive or stream (':'), no wildcard ('*', '?'),
// and every level a real name, so no "." or ".." (nor a level of dots and blanks alone,
// which the system reads the same way) and no empty level. One trailing '\' is allowed.
bool IsPathBelow(std::string_view relative);

// True when `path` is fully qualified ("C:\..." or "\\server\share\...") and names a
// folder below the root of its drive or share by the rule above, so it never depends
// on the working folder and is never a root itself.
bool IsFullyQualifiedBelowRoot(std::string_view path);

}  // namespace yv::text
