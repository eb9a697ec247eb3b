// The Windows boundary: GBK <-> UTF-16 with code page 936, whatever the system's own
// code page is. Windows builds only; nothing else converts text.
#pragma once

#include <string>
#include <string_view>

namespace yv::text {

std::wstring ToWide(std::string_view gbk);
std::string FromWide(std::wstring_view wide);

}  // namespace yv::text
