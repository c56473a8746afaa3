// The edge detector: Gaussian smoothing along rows and along columns, the
// derivative of each across its own direction, then non-maximum suppression.
#include <algorithm>
#include <cmath>
#include <vector>

#include "convolve.h"
#include "filters.h"

namespace jorvel {

namespace {

// Smallest standard deviation a run uses: 0 or less would divide by zero.
constexpr float kMinDeviation = 0.01f;

class CEdge final : public CFilter {
 public:
  explicit CEdge(int method) : CFilter(method, 0, 0, -1) {}
  bool Run(const RunArgs& a) override {
    Input in;
    if (!GetInput(a, &in)) return false;
    // Every frame-sized buffer follows this one decision.
    const bool changed = FrameChanged(in.width, in.depth, in.bpp);
    Frame* out = nullptr;
    if (!GetOutput(a, in.width, in.depth, 8, &out)) return false;
    const Number given = ReadNumber(a, 1, 1.0);
    float s = ToFloat(given.value);
    if (!(s > 0.0f)) {
      frame::WarnRealParameterCorrected(a.ctx, 63, given.name.c_str(), s, kMinDeviation);
      s = kMinDeviation;
    }
    const int t = ReadThreshold(a, 2);

    const double half = std::clamp(static_cast<double>(s) * 3.35 + 0.33, 0.0, 10.0);
    const int r = static_cast<int>(half);
    const int n = 2 * r + 1;
    if (gauss_.empty() || s != deviation_ || static_cast<int>(gauss_.size()) != n) BuildKernels(s, r, n);

    const size_t plane = static_cast<size_t>(in.width) * static_cast<size_t>(in.depth);
    if (changed || rowsPlane_.size() != plane) {
      for (std::vector<float>* p : {&rowsPlane_, &columnsPlane_, &gx_, &gy_}) p->assign(plane, 0.0f);
    }
    if (changed || rowsFrame_.empty()) {
      rowsFrame_.Make(in.width, in.depth, in.bpp);
      columnsFrame_.Make(in.width, in.depth, in.bpp);
    }
    ConvolveRows(in.frame, gauss_.data(), n, rowsFrame_.frame(), in.depth, in.width);
    ConvolveColumns(in.frame, gauss_.data(), n, columnsFrame_.frame(), in.depth, in.width);
    FrameToFloat(rowsFrame_.frame(), rowsPlane_.data(), in.depth, in.width);
    FrameToFloat(columnsFrame_.frame(), columnsPlane_.data(), in.depth, in.width);
    ConvolveRowsFloat(rowsPlane_.data(), derivative_.data(), n, gx_.data(), in.depth, in.width);
    ConvolveColumnsFloat(columnsPlane_.data(), derivative_.data(), n, gy_.data(), in.depth, in.width);
    // The smoothed values are spent: their plane holds the magnitudes.
    SuppressNonMaxima(gx_.data(), gy_.data(), out, in.depth, in.width, t, rowsPlane_.data());
    return true;
  }

 private:
  void BuildKernels(float s, int r, int n) {
    gauss_.assign(static_cast<size_t>(n), 0.0f);
    derivative_.assign(static_cast<size_t>(n), 0.0f);
    for (int i = 0; i < n; ++i) {
      const int x = i - r;
      gauss_[i] = static_cast<float>(std::exp(static_cast<double>(x * x) / (-2.0 * s * s)));
      derivative_[i] = static_cast<float>((-x / (2.0 * s * s)) * gauss_[i]);
    }
    float sum = 0.0f;
    for (float v : gauss_) sum += v;
    if (sum != 0.0f) {
      for (float& v : gauss_) v /= sum;
    }
    deviation_ = s;
  }

  WorkFrame rowsFrame_, columnsFrame_;
  std::vector<float> gauss_, derivative_;
  std::vector<float> rowsPlane_, columnsPlane_, gx_, gy_;
  float deviation_ = 0.0f;
};

}  // namespace

std::unique_ptr<CFilter> MakeEdgeFilter(int method) { return std::make_unique<CEdge>(method); }

}  // namespace jorvel
