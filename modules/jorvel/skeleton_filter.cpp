// Skeletonisation: the input thresholded into a bordered binary plane,
// pruned into the thinning plane, thinned and copied out.
#include <algorithm>
#include <cmath>

#include "filters.h"
#include "morphology.h"

namespace jorvel {

namespace {

class CSkelet final : public CFilter {
 public:
  using CFilter::CFilter;
  bool Run(const RunArgs& a) override {
    Input in;
    if (!GetInput(a, &in)) return false;
    const bool changed = FrameChanged(in.width, in.depth, 0);
    width_ = in.width;
    depth_ = in.depth;
    maxIterations_ = ReadInt(a, 1, 20, 0, 50);
    threshold_ = ReadSkeletonThreshold(a);
    Frame* out = nullptr;
    if (!GetOutput(a, in.width, in.depth, 8, &out)) return false;

    if (binary_.empty() || changed) {
      const size_t extra = static_cast<size_t>(GetFrameSize(out)) + (static_cast<size_t>(width_) + depth_) * 8 + 16;
      binary_.Make(width_ + 2, depth_ + 2, 8, extra);
      thin_.Make(width_ + 2, depth_ + 2, 8, extra);
    }
    const ThinPlane binary = Plane(binary_), thin = Plane(thin_);
    Border(binary);
    Border(thin);
    Binarise(in, binary);
    PruneEndPoints(binary, thin, threshold_);
    ThinIterate(thin, out, maxIterations_);
    return true;
  }

 private:
  // t * 255 in single precision, truncated; past 255 or below 0 it takes the
  // bound, reported as the fraction 1.0 or 0.
  int ReadSkeletonThreshold(const RunArgs& a) {
    const Number n = ReadNumber(a, 2, 0.5);
    const float t = ToFloat(n.value);
    const float scaled = t * 255.0f;
    if (!(scaled > -1.0f)) {
      frame::WarnRealParameterCorrected(a.ctx, 63, n.name.c_str(), t, 0.0f);
      return 0;
    }
    if (scaled >= 256.0f) {
      frame::WarnRealParameterCorrected(a.ctx, 63, n.name.c_str(), t, 1.0f);
      return 255;
    }
    return static_cast<int>(scaled);
  }

  ThinPlane Plane(WorkFrame& f) const {
    const frame::FrameRows rows(f.frame());
    return ThinPlane{rows.data, rows.stride, depth_, width_};
  }

  static void Border(const ThinPlane& p) {
    std::fill(p.at(0, 0), p.at(0, 0) + p.width + 2, 255);
    std::fill(p.at(p.depth + 1, 0), p.at(p.depth + 1, 0) + p.width + 2, 255);
    for (int r = 1; r <= p.depth; ++r) *p.at(r, 0) = *p.at(r, p.width + 1) = 255;
  }

  void Binarise(const Input& in, const ThinPlane& p) const {
    const frame::FrameRows src(in.frame);
    const int n = in.bpp / 8, t = threshold_;
    frame::ForRows(in.depth, in.width, [&](int y) {
      const uint8_t* row = src.row(y);
      uint8_t* dst = p.at(y + 1, 1);
      if (in.bpp == 8) {
        for (int x = 0; x < in.width; ++x) dst[x] = row[x] < t ? 0 : 255;
      } else if (in.bpp == 24 || in.bpp == 32) {
        for (int x = 0; x < in.width; ++x) dst[x] = row[x * n] + row[x * n + 1] + row[x * n + 2] < 3 * t ? 0 : 255;
      } else {
        std::fill(dst, dst + in.width, 255);  // no pixels to read: all background
      }
    });
  }

  WorkFrame binary_, thin_;
  int depth_ = 0, width_ = 0;
  int threshold_ = 0, maxIterations_ = 0;
};

}  // namespace

std::unique_ptr<CFilter> MakeSkeletonFilter(int method) { return std::make_unique<CSkelet>(method); }

}  // namespace jorvel
