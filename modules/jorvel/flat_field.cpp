// Flat-field correction by a white calibration frame, whose mean is kept
// with the frame's stamp.
#include "filters.h"
#include "rank.h"

namespace jorvel {

namespace {

class CFlatField final : public CFilter {
 public:
  using CFilter::CFilter;
  bool Run(const RunArgs& a) override {
    Input in;
    if (!GetInput(a, &in)) return false;
    FrameChanged(in.width, in.depth, in.bpp);
    const frame::ParamName name = frame::InputName(a, 1);
    Frame* white = nullptr;
    int32_t stamp = 0;
    if (!name.ok || !GetInputFrameTimestamp(a.ctx, 63, name.c_str(), &white, &stamp) || !white) {
      return a.fail(kNoInputFrame);
    }
    if (GetFrameWidth(white) != in.width || GetFrameDepth(white) != in.depth || GetFrameBPP(white) != in.bpp ||
        in.width == 0 || in.depth == 0) {
      return a.fail(u"error: Frame and pattern must be of the same size and type");
    }
    if (in.bpp != 8 && in.bpp != 32) return a.fail(u"error: Frame must have 8 or 32 bits per pixel");
    Frame* out = nullptr;
    if (!GetOutput(a, in.width, in.depth, in.bpp, &out)) return false;
    if (!computed_ || stamp != stamp_) {
      mean_ = WhiteMean(white, in.depth, in.width);
      computed_ = true;
    }
    stamp_ = stamp;
    const frame::FrameRows w(white), i(in.frame), o(out);
    if (in.bpp == 8) {
      FlatFieldGrey(w.data, w.stride, o.data, i.data, in.depth, in.width, mean_);
    } else {
      FlatFieldColor(w.data, o.data, i.data, in.depth, in.width, mean_);
    }
    return true;
  }

 private:
  float mean_ = 0.0f;
  int32_t stamp_ = 0;
  bool computed_ = false;
};

}  // namespace

std::unique_ptr<CFilter> MakeFlatFieldFilter(int method) { return std::make_unique<CFlatField>(method); }

}  // namespace jorvel
