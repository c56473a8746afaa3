// draw_to_frame: the drawing steps collected so far, rendered into a copy of
// the input frame that the host keeps under the input's name.
#include <cstring>

#include "run.h"

namespace selvor {

bool RunDrawToFrame(const RunArgs& a) {
  const ParamName name = frame::InputName(a, 0, 127);
  Frame* in = nullptr;
  // Without a frame there is nothing to render into: the steps are kept.
  if (!name.ok || !GetInputFrame(a.ctx, 127, name.c_str(), &in) || !in) {
    return a.fail(u"error: Cannot get input frame");
  }
  const int w = GetFrameWidth(in), d = GetFrameDepth(in), bpp = GetFrameBPP(in);
  Frame* out = nullptr;
  if (!GetOutputFrame(a.ctx, 127, name.c_str(), &out, w, d, bpp) || !out) {
    return a.fail(u"error: Cannot get output frame");
  }
  // Copied only between frames of one geometry.
  if (GetFrameWidth(out) == w && GetFrameDepth(out) == d && GetFrameBPP(out) == bpp &&
      GetFrameDataSize(out) == GetFrameDataSize(in)) {
    std::memcpy(GetFrameDataAddr(out), GetFrameDataAddr(in), static_cast<size_t>(GetFrameDataSize(out)));
  }
  const ParamName clearName = frame::InputName(a, 1, 127);
  bool clear = true;
  bool* flag = nullptr;
  if (clearName.ok && GetFlag(a.ctx, 127, clearName.c_str(), 0, &flag) && flag) clear = *flag;
  DrawDrawingList(a.ctx, out);
  if (clear) DisposeDrawingList(a.ctx);
  return true;
}

}  // namespace selvor
