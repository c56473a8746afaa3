// downsample (block means), oversample and resize (through ResampleFrame).
#include "resample.h"

#include <climits>
#include <vector>

#include "geometry.h"

namespace ilvant {
namespace {


constexpr std::u16string_view kModeName = u"Type of interpolation";

// trunc of number input i; below 1 becomes 1, with the correction warning
// when `warn` is set; absent gives `absent`.
int ReadAtLeastOne(const RunArgs& a, int i, int absent, bool warn) {
  const NumberInput v = ReadNumber(a, i);
  if (!v.ok) return absent;
  const int k = frame::TruncateToInt(v.value);
  if (k >= 1) return k;
  if (warn) frame::WarnIntParameterCorrected(a.ctx, 63, v.name.c_str(), k, 1);
  return 1;
}

// Input 3, the interpolation mode: bilinear when absent or unknown.
int ReadMode(const RunArgs& a) {
  const NumberInput v = ReadNumber(a, 3, false);
  if (!v.ok) return kBilinear;
  const int mode = frame::TruncateToInt(v.value);
  if (mode >= kNearest && mode <= kBicubic) return mode;
  // Highest index 255: the whole text is 65 characters and must reach the host uncut.
  std::u16string text = u"Not existing mode defined for the parameter ";
  text += kModeName;
  AddWarning(a.ctx, 255, text.c_str());
  return kBilinear;
}

// Mean of each kx x ky block, remainder dropped; 32-bit frames get alpha 255.
template <int N>
void BlockMeans(const FrameRows& in, const FrameRows& out, int kx, int ky) {
  constexpr int kChannels = N == 1 ? 1 : 3;
  const uint64_t area = static_cast<uint64_t>(kx) * static_cast<uint64_t>(ky);
#pragma omp parallel
  {
    std::vector<uint64_t> sums(static_cast<size_t>(out.width) * kChannels);
#pragma omp for schedule(dynamic, 8)
    for (int y = 0; y < out.depth; ++y) {
      std::fill(sums.begin(), sums.end(), 0);
      for (int j = 0; j < ky; ++j) {
        const uint8_t* s = in.row(y * ky + j);
        for (int x = 0; x < out.width; ++x) {
          const uint8_t* p = s + static_cast<ptrdiff_t>(x) * kx * N;
          uint64_t* acc = &sums[static_cast<size_t>(x) * kChannels];
          for (int i = 0; i < kx; ++i, p += N) {
            for (int c = 0; c < kChannels; ++c) acc[c] += p[c];
          }
        }
      }
      uint8_t* d = out.row(y);
      for (int x = 0; x < out.width; ++x) {
        for (int c = 0; c < kChannels; ++c) d[x * N + c] = static_cast<uint8_t>(sums[x * kChannels + c] / area);
        if (N == 4) d[x * N + 3] = 255;
      }
    }
  }
}

// Output of the target size at the input's depth: a whole copy when the size
// is unchanged (`same`), else ResampleFrame.
bool Resample(const RunArgs& a, const FrameRows& in, int tw, int td, int mode, bool same) {
  if (in.bpp == 24 && !same) return a.fail(kNo24Bit);
  FrameRows out;
  if (!OutputRows(a, 0, tw, td, in.bpp, &out)) return a.fail(kNoOutputFrame);
  if (same) {
    CopyFrame(out.frame, in.frame);
  } else {
    ResampleFrame(in.width, in.depth, in.bpp, tw, td, in.data, out.data, mode);
  }
  return true;
}

}  // namespace

bool RunDownsample(const RunArgs& a) {
  FrameRows in;
  if (!InputRows(a, 0, &in)) return FailInput(a, u"Input frame");
  const int kx = ReadAtLeastOne(a, 1, 1, false);
  const int ky = ReadAtLeastOne(a, 2, 1, false);
  const int tw = in.width / kx;
  const int td = in.depth / ky;
  if (tw == 0 || td == 0) return a.fail(kZeroDimension);
  if (in.bpp == 24 && (kx != 1 || ky != 1)) return a.fail(kNo24Bit);

  FrameRows out;
  if (!OutputRows(a, 0, tw, td, in.bpp, &out)) return a.fail(kNoOutputFrame);
  if (kx == 1 && ky == 1) {
    CopyFrame(out.frame, in.frame);
  } else if (in.bpp == 8) {
    BlockMeans<1>(in, out, kx, ky);
  } else if (in.bpp == 32) {
    BlockMeans<4>(in, out, kx, ky);
  }
  return true;
}

bool RunOversample(const RunArgs& a) {
  FrameRows in;
  if (!InputRows(a, 0, &in)) return FailInput(a, u"Input frame");
  const int kx = ReadAtLeastOne(a, 1, 1, true);
  const int ky = ReadAtLeastOne(a, 2, 1, true);
  const int64_t tw = static_cast<int64_t>(kx) * in.width;
  const int64_t td = static_cast<int64_t>(ky) * in.depth;
  if (tw == 0 || td == 0) return a.fail(kZeroDimension);
  const int mode = ReadMode(a);
  // No frame side can pass the int range; the product must not wrap into one.
  if (tw > INT_MAX || td > INT_MAX) return a.fail(kNoOutputFrame);
  return Resample(a, in, static_cast<int>(tw), static_cast<int>(td), mode, kx == 1 && ky == 1);
}

bool RunResize(const RunArgs& a) {
  FrameRows in;
  if (!InputRows(a, 0, &in)) return FailInput(a, u"Input frame");
  const int tw = ReadAtLeastOne(a, 1, in.width, true);
  const int td = ReadAtLeastOne(a, 2, in.depth, true);
  const int mode = ReadMode(a);
  return Resample(a, in, tw, td, mode, tw == in.width && td == in.depth);
}

}  // namespace ilvant
