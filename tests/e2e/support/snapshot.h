// A picture of the machine as an installation can change it: every file and folder of
// drive C (sizes and content hashes; links are not followed) and the keys and values
// below HKEY_LOCAL_MACHINE\SOFTWARE in both views and HKEY_CURRENT_USER\Software (but
// Wine's own settings there).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace yv::e2e {

using Snapshot = std::map<std::string, std::string>;  // what (UTF-8) -> how it is

// Folders in `skipped` (the temporary folder, say) are left out with what they hold.
Snapshot TakeSnapshot(const std::vector<std::wstring>& skipped);

// The name of a path or key as a snapshot spells it.
std::string Utf8(const std::wstring& s);

// "+ what" for what is new, "- what" for what went, "~ what" for what changed.
std::vector<std::string> Differences(const Snapshot& before, const Snapshot& after);

}  // namespace yv::e2e
