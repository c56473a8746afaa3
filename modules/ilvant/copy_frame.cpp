// copy_frame: the input frame, header and pixels, into an output frame of the
// same geometry.
#include <cstring>

#include "run.h"

namespace ilvant {

bool RunCopyFrame(const RunArgs& a) {
  const ParamName inName = InputName(a, 0);
  Frame* input = nullptr;
  if (!inName.ok || !GetInputFrame(a.ctx, 63, inName.c_str(), &input)) return a.fail(kNoInputFrame);

  const ParamName outName = OutputName(a, 0);
  const int bpp = GetFrameBPP(input);
  const int depth = GetFrameDepth(input);
  const int width = GetFrameWidth(input);
  Frame* output = nullptr;
  if (!outName.ok || !GetOutputFrame(a.ctx, 63, outName.c_str(), &output, width, depth, bpp)) {
    return a.fail(kNoOutputFrame);
  }
  std::memcpy(output, input, static_cast<size_t>(GetFrameSize(output)));
  return true;
}

}  // namespace ilvant
