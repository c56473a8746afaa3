// copy_frame: the input frame, header and pixels, into an output frame of the
// same geometry.
#include "frame_access.h"

namespace ilvant {

bool RunCopyFrame(const RunArgs& a) {
  Frame* input = nullptr;
  if (!InputFrame(a, 0, &input)) return FailInput(a, u"Input frame");
  Frame* output = nullptr;
  if (!OutputFrame(a, 0, GetFrameWidth(input), GetFrameDepth(input), GetFrameBPP(input), &output))
    return a.fail(kNoOutputFrame);
  CopyFrame(output, input);
  return true;
}

}  // namespace ilvant
