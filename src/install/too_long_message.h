// The message for a name too long for the installation's buffers.
#pragma once

#include <windows.h>

#include <string>

namespace yv::install {

// "<what>太长!" and the whole value on the next line, caption "警告", OK, no icon.
void ReportTooLong(HWND owner, const char* what, const std::string& value);

}  // namespace yv::install
