#include "ui/fonts.h"

#include <map>
#include <string>
#include <tuple>

#include "text/cp936.h"

namespace yv::ui {

HFONT FontFor(const FontSpec& font) {
  using Key = std::tuple<std::string, int, bool, bool, BYTE>;
  static std::map<Key, HFONT> fonts;
  Key key{font.face, font.height, font.bold, font.italic, font.charset};
  auto it = fonts.find(key);
  if (it != fonts.end()) return it->second;
  // Heights are pixels; layouts are not scaled to the screen's font size.
  HFONT created = CreateFontW(font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic, FALSE,
                              FALSE, font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, text::ToWide(font.face).c_str());
  fonts.emplace(key, created);
  return created;
}

}  // namespace yv::ui
