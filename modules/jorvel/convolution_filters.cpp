// Convolution filters: blur, gaussian, mean, the three Laplacian high-boost
// kernels and the user kernels.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "convolve.h"
#include "filters.h"

namespace jorvel {

namespace {

// The output frame of a filter that keeps the input's geometry.
bool SameOutput(const RunArgs& a, const Input& in, Frame** out) {
  return GetOutput(a, in.width, in.depth, in.bpp, out);
}

class CBlur final : public CFilter {
 public:
  using CFilter::CFilter;
  bool Run(const RunArgs& a) override {
    Input in;
    if (!GetInput(a, &in)) return false;
    FrameChanged(in.width, in.depth, in.bpp);
    Frame* out = nullptr;
    if (!SameOutput(a, in, &out)) return false;
    const int r = ReadInt(a, 1, 1, 1, 10);
    const float p = ReadReal(a, 2, 0.5f, 0.0f, 1.0f);
    if (static_cast<int>(p) == 1) {
      const int size = std::min(GetFrameSize(out), GetFrameSize(in.frame));
      if (size > 0) std::memcpy(out, in.frame, static_cast<size_t>(size));
      return true;
    }
    const int n = 2 * r + 1;
    if (kernel_.empty() || n != side_ || p != ratio_) {
      kernel_.assign(static_cast<size_t>(n) * n, 1.0f);
      const float product = static_cast<float>(n * n - 1) * p;
      kernel_[static_cast<size_t>(r) * n + r] = static_cast<float>(static_cast<double>(product) / (1.0 - p));
      side_ = n;
      ratio_ = p;
    }
    ConvolveKernel(in.frame, kernel_.data(), n, n, out, in.depth, in.width, true);
    return true;
  }

 private:
  std::vector<float> kernel_;
  float ratio_ = 0.0f;
  int side_ = 0;
};

// Gaussian and mean: one kernel along rows into a scratch frame, then along
// columns into the output.
class CSeparable : public CFilter {
 public:
  using CFilter::CFilter;
  bool Run(const RunArgs& a) override {
    Input in;
    if (!GetInput(a, &in)) return false;
    const bool changed = FrameChanged(in.width, in.depth, in.bpp);
    Frame* out = nullptr;
    if (!SameOutput(a, in, &out)) return false;
    const int r = ReadInt(a, 1, 1, 0, 10);
    const int n = 2 * r + 1;
    BuildKernel(r, n);
    if (scratch_.empty() || changed) scratch_.Make(in.width, in.depth, in.bpp);
    ConvolveRows(in.frame, kernel_.data(), n, scratch_.frame(), in.depth, in.width);
    ConvolveColumns(scratch_.frame(), kernel_.data(), n, out, in.depth, in.width);
    return true;
  }

 protected:
  virtual void BuildKernel(int r, int n) = 0;
  std::vector<float> kernel_;

 private:
  WorkFrame scratch_;
};

// Elements divided by their sum when it is not 0.
void Normalise(std::vector<float>& k) {
  float sum = 0.0f;
  for (float v : k) sum += v;
  if (sum != 0.0f) {
    for (float& v : k) v /= sum;
  }
}

class CGaussian final : public CSeparable {
 public:
  using CSeparable::CSeparable;

 private:
  void BuildKernel(int r, int n) override {
    const float difference = static_cast<float>(r - 0.33);
    const float sigma = static_cast<float>(static_cast<double>(difference) / 3.35);
    if (!kernel_.empty() && sigma == sigma_) return;
    kernel_.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      const int x = i - r;
      kernel_[i] = static_cast<float>(std::exp(static_cast<double>(x * x) / (-2.0 * sigma * sigma)));
    }
    Normalise(kernel_);
    sigma_ = sigma;
  }
  float sigma_ = 0.0f;
};

class CMean final : public CSeparable {
 public:
  using CSeparable::CSeparable;

 private:
  void BuildKernel(int, int n) override {
    if (!kernel_.empty() && n == length_) return;
    kernel_.assign(static_cast<size_t>(n), 1.0f);
    Normalise(kernel_);
    length_ = n;
  }
  int length_ = 0;
};

// The 3x3 high-boost kernels: corners, edge neighbours and a centre of
// `centre` plus the coefficient.
class CLaplacian final : public CFilter {
 public:
  CLaplacian(int method, float corner, float edge, double centre)
      : CFilter(method), corner_(corner), edge_(edge), centre_(centre) {}
  bool Run(const RunArgs& a) override {
    Input in;
    if (!GetInput(a, &in)) return false;
    FrameChanged(in.width, in.depth, in.bpp);
    Frame* out = nullptr;
    if (!SameOutput(a, in, &out)) return false;
    const float c = ToFloat(ReadNumber(a, 1, 0.0).value);
    if (kernel_.empty()) {
      kernel_ = {corner_, edge_, corner_, edge_, static_cast<float>(centre_ + c), edge_, corner_, edge_, corner_};
      coefficient_ = c;
    } else if (c != coefficient_) {
      kernel_[4] = static_cast<float>(centre_ + c);
      coefficient_ = c;
    }
    ConvolveKernel(in.frame, kernel_.data(), 3, 3, out, in.depth, in.width, false);
    return true;
  }

 private:
  float corner_, edge_;
  double centre_;
  std::vector<float> kernel_;
  float coefficient_ = 0.0f;
};

// Most elements a user kernel may have: beyond it a run would read and
// convolve without bound.
constexpr int64_t kMaxKernelElements = 65536;

// "Kernel source" (input `i`) into kernel[0..count-1], row after row, 0 for
// elements the host does not give; false after the failure text.
bool ReadKernel(const RunArgs& a, int i, std::vector<float>& kernel, int64_t count) {
  const frame::ParamName name = frame::InputName(a, i);
  if (!name.ok) return a.fail(u"error: Cannot get any of the elements of the input array Kernel source");
  int max = -1;
  if (!GetObjectMaxIndex(a.ctx, 63, name.c_str(), &max)) max = -1;
  if (max < count - 1) {
    AddWarning(a.ctx, 127, u"Cannot get all the elements of the input array. Zero values were used instead.");
  }
  for (int64_t j = 0; j < count; ++j) {
    double* value = nullptr;
    kernel[j] = GetNumber(a.ctx, 63, name.c_str(), static_cast<int>(j), &value) && value ? ToFloat(*value) : 0.0f;
  }
  return true;
}

class CFixedKernel final : public CFilter {
 public:
  CFixedKernel(int method, int side) : CFilter(method), side_(side) {}
  bool Run(const RunArgs& a) override {
    Input in;
    if (!GetInput(a, &in)) return false;
    FrameChanged(in.width, in.depth, in.bpp);
    if (kernel_.empty()) kernel_.assign(static_cast<size_t>(side_) * side_, 0.0f);
    if (!ReadKernel(a, 1, kernel_, static_cast<int64_t>(side_) * side_)) return false;
    Frame* out = nullptr;
    if (!SameOutput(a, in, &out)) return false;
    ConvolveKernel(in.frame, kernel_.data(), side_, side_, out, in.depth, in.width, false);
    return true;
  }

 private:
  int side_;
  std::vector<float> kernel_;
};

class CKernel final : public CFilter {
 public:
  using CFilter::CFilter;
  bool Run(const RunArgs& a) override {
    Input in;
    if (!GetInput(a, &in)) return false;
    FrameChanged(in.width, in.depth, in.bpp);
    const int w = frame::TruncateToInt(ReadNumber(a, 1, 0.0).value);
    const int h = frame::TruncateToInt(ReadNumber(a, 2, 0.0).value);
    if (w % 2 != 1 || h % 2 != 1) return a.fail(u"error: Kernel dimensions must be odd integers");
    const int64_t count = static_cast<int64_t>(w) * h;
    if (count > kMaxKernelElements) return a.fail(u"error: Kernel has too many elements");
    if (kernel_.empty() || w != width_ || h != height_) {
      kernel_.assign(static_cast<size_t>(count), 0.0f);
      width_ = w;
      height_ = h;
    }
    if (!ReadKernel(a, 3, kernel_, count)) return false;
    Frame* out = nullptr;
    if (!SameOutput(a, in, &out)) return false;
    ConvolveKernel(in.frame, kernel_.data(), h, w, out, in.depth, in.width, false);
    return true;
  }

 private:
  std::vector<float> kernel_;
  int width_ = -1, height_ = -10;
};

}  // namespace

std::unique_ptr<CFilter> MakeConvolutionFilter(int method) {
  switch (method) {
    case 0: return std::make_unique<CBlur>(method);
    case 1: return std::make_unique<CGaussian>(method);
    case 2: return std::make_unique<CLaplacian>(method, 1.0f, -2.0f, 4.0);
    case 3: return std::make_unique<CLaplacian>(method, 0.0f, -1.0f, 4.0);
    case 4: return std::make_unique<CLaplacian>(method, -1.0f, -1.0f, 8.0);
    case 5: return std::make_unique<CMean>(method);
    case 16: return std::make_unique<CFixedKernel>(method, 3);
    case 17: return std::make_unique<CFixedKernel>(method, 5);
    case 18: return std::make_unique<CKernel>(method);
    default: return nullptr;
  }
}

}  // namespace jorvel
