// init: a small starting medium (see docs/medium.md).
#include "vrktool/commands.h"

namespace yv::vrktool {

int RunInit(const ParsedCommand& parsed, const ToolContext& tool) {
  if (parsed.operands.size() != 1) return Usage(tool.err, "init takes exactly one DIR", "init");
  tool.err << "vrktool: init is not built yet\n";
  return kExitFailed;
}

}  // namespace yv::vrktool
