#include "ui/fonts.h"

#include <map>
#include <string>
#include <tuple>

#include "text/cp936.h"

namespace yv::ui {

HFONT FontFor(const FontSpec& spec) {
  using Key = std::tuple<std::string, int, bool, bool, BYTE>;
  static std::map<Key, HFONT> fonts;
  Key key{spec.face, spec.height, spec.bold, spec.italic, spec.charset};
  auto it = fonts.find(key);
  if (it != fonts.end()) return it->second;
  // Heights are pixels; layouts are not scaled to the screen's font size.
  HFONT font = CreateFontW(spec.height, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, spec.italic, FALSE,
                           FALSE, spec.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           text::ToWide(spec.face).c_str());
  fonts.emplace(key, font);
  return font;
}

}  // namespace yv::ui
