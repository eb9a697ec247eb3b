// The reference for the encoder's output sizes: a plain greedy parse of the same stream
// format (at each position the longest copy that hash chains find, else a literal).
#pragma once

#include <string>
#include <string_view>

#include "archive/implode.h"

namespace yv::bench {

std::string GreedyImplode(std::string_view content, archive::ImplodeLiteralMode mode, unsigned dictionarySize);

}  // namespace yv::bench
