// Fonts are created once per distinct FontSpec and live as long as the process.
#pragma once

#include <windows.h>

#include "ui/controls.h"

namespace yv::ui {

HFONT FontFor(const FontSpec& font);

}  // namespace yv::ui
