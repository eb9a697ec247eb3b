// The folders below a folder, as the program group page lists them.
#pragma once

#include <string>
#include <vector>

namespace yv::shell {

// Every folder below `root` (GBK) whose attributes are exactly the directory attribute,
// in pre-order (each folder directly followed by everything below it) and in the order
// the file system returns them, as full paths. A folder that is also hidden, system,
// read-only, archived or anything else is neither listed nor entered. A folder whose
// content cannot be searched is listed with nothing below it.
std::vector<std::string> ListPlainFolders(const std::string& root);

}  // namespace yv::shell
