#include "threshold.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "frame/image_stats.h"

namespace gantrel {

namespace {

enum { kFrameIn, kRegionIn, kLevelIn };
constexpr int kAreaIn = 3, kSensitivityIn = 4;

constexpr long kParallelPixels = 32768;

// 8 or 32 bits per pixel: the only depths whose rows the rules can write.
bool Readable(int bpp) { return bpp == 8 || bpp == 32; }

// The two-valued pixel at level L: dark below it.
inline void PixelRule(const uint8_t* in, uint8_t* out, int bpp, int level) {
  if (bpp == 8) {
    *out = *in < level ? 0 : 255;
    return;
  }
  const uint8_t v = in[0] + in[1] + in[2] < 3 * level ? 0 : 255;
  out[0] = out[1] = out[2] = v;
  out[3] = 255;
}

struct LocalRule {
  int level;
  float sensitivity;
  bool region;  // the 32-bit scaled mean is a float with a region, an integer without

  // v: the pixel (8-bit byte or B, G, R); m: the mean at the same place.
  bool Dark(const uint8_t* v, const uint8_t* m, int bpp) const {
    float grey, lm;
    if (bpp == 8) {
      grey = *v;
      lm = static_cast<float>((*m * level * 2) / 255.0);
    } else {
      grey = static_cast<float>(static_cast<int>((v[0] + v[1] + v[2]) / 3.0));
      const int sum = m[0] + m[1] + m[2];
      lm = region ? static_cast<float>(sum * level * 2 / 765.0) : static_cast<float>(sum * level * 2 / 765);
    }
    const float d = std::fabs(grey - lm);
    return (d < sensitivity && grey < level) || (d >= sensitivity && lm > grey);
  }
  void Write(const uint8_t* v, const uint8_t* m, uint8_t* out, int bpp) const {
    const uint8_t x = Dark(v, m, bpp) ? 0 : 255;
    if (bpp == 8) {
      *out = x;
    } else {
      out[0] = out[1] = out[2] = x;
      out[3] = 255;
    }
  }
};

// A frame-shaped block of rows owned by the object.
struct Plane {
  uint8_t* data;
  int width, depth, bpp;
  ptrdiff_t stride;
  uint8_t* row(int y) const { return data + y * stride; }
};

Plane MakePlane(std::vector<uint8_t>& store, int w, int d, int bpp) {
  const ptrdiff_t stride = (static_cast<ptrdiff_t>(w) * bpp + 31) / 32 * 4;
  store.assign(static_cast<size_t>(stride) * d, 0);
  return {store.data(), w, d, bpp, stride};
}

Plane PlaneOf(const FrameRows& f) { return {f.data, f.width, f.depth, f.bpp, f.stride}; }

// One pass of the box mean along rows (horizontal) or columns: the integer
// mean of the 2r + 1 values around each pixel that lie inside the frame.
// Colour frames average B, G and R and copy alpha from the source.
void BoxPass(const Plane& src, const Plane& dst, int r, bool horizontal) {
  const int w = src.width, d = src.depth, bytes = src.bpp / 8, channels = bytes == 4 ? 3 : 1;
  const int lines = horizontal ? d : w, length = horizontal ? w : d;
#pragma omp parallel for schedule(static) if (static_cast <long>(w) * d >= kParallelPixels)
  for (int line = 0; line < lines; ++line) {
    const auto at = [&](const Plane& p, int i) {
      return horizontal ? p.row(line) + static_cast<ptrdiff_t>(i) * bytes : p.row(i) + static_cast<ptrdiff_t>(line) * bytes;
    };
    for (int c = 0; c < channels; ++c) {
      long long sum = 0;
      int lo = 0, hi = -1;  // the window [lo, hi] summed so far
      for (int i = 0; i < length; ++i) {
        const int want0 = std::max(i - r, 0), want1 = std::min(i + r, length - 1);
        while (hi < want1) sum += at(src, ++hi)[c];
        while (lo < want0) sum -= at(src, lo++)[c];
        at(dst, i)[c] = static_cast<uint8_t>(sum / (hi - lo + 1));
      }
    }
    if (bytes == 4) {
      for (int i = 0; i < length; ++i) at(dst, i)[3] = at(src, i)[3];
    }
  }
}

// Region-scan writers: each writes the rule's value for one region pixel.
struct RegionWriter {
  const FrameRows* in;
  const Plane* out;
  int offsetX, offsetY;  // position of (0, 0) of out in the input
  int level;
  const Plane* mean;  // local rule when set
  LocalRule local;
};

bool WriteRegionPixel(void* user, int x, int y, unsigned) {
  const auto* w = static_cast<const RegionWriter*>(user);
  const int ox = x - w->offsetX, oy = y - w->offsetY;
  // Writes stay within the output, whatever the region scan delivers.
  if (x < 0 || y < 0 || x >= w->in->width || y >= w->in->depth || ox < 0 || oy < 0 || ox >= w->out->width ||
      oy >= w->out->depth) {
    return true;
  }
  const int bytes = w->in->bpp / 8;
  const uint8_t* src = w->in->row(y) + static_cast<ptrdiff_t>(x) * bytes;
  uint8_t* dst = w->out->row(oy) + static_cast<ptrdiff_t>(ox) * bytes;
  if (w->mean) {
    // The mean plane is laid over the output's box.
    w->local.Write(src, w->mean->row(oy) + static_cast<ptrdiff_t>(ox) * bytes, dst, w->in->bpp);
  } else {
    PixelRule(src, dst, w->in->bpp, w->level);
  }
  return true;
}

}  // namespace

bool CThreshold::Run(const RunArgs& a) {
  const int method = methodIndex;
  Frame* frame = InputFrame(a, kFrameIn);
  if (!frame) return a.fail(kNoInputFrame);
  const FrameRows in(frame);
  const TRectangularRegion* region = InputElement<TRectangularRegion>(a, kRegionIn, GetRectangularRegion);
  WarnArray(a, kRegionIn);

  // The "Threshold" of 18 and 22: absent 128.
  const auto fractionLevel = [&](int input) {
    const double* p = NumberInput(a, input);
    int level = 128;
    if (p) {
      const ParamName n = InputName(a, input);
      if (*p > 1) {
        frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 1.0f);
        level = 255;
      } else if (*p < 0) {
        frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 0.0f);
        level = 0;
      } else {
        level = Level(*p);
      }
    }
    WarnArray(a, input);
    return level;
  };
  int level = 128, r = 5, cropIn = 3;
  float rate = 0, sensitivity = 12.25f;
  if (method == 18) {
    level = fractionLevel(kLevelIn);
  } else if (method == 19) {
    const double* p = NumberInput(a, kLevelIn);
    if (!p) return a.fail(u"error: Cannot get requasted rate of black pixels");
    rate = static_cast<float>(*p);
    if (rate > 1) {
      const ParamName n = InputName(a, kLevelIn);
      frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), rate, 1.0f);
      rate = 1;
    }
    WarnArray(a, kLevelIn);
  } else if (method == 20 || method == 21) {
    cropIn = 2;
  } else {
    level = fractionLevel(kLevelIn);
    if (const double* p = NumberInput(a, kAreaIn)) {
      r = TruncInt(*p * 0.5);
      const ParamName n = InputName(a, kAreaIn);
      if (r >= 51) {
        frame::WarnIntParameterCorrected(a.ctx, 63, n.c_str(), r, 100);
        r = 50;
      } else if (r < 0) {
        frame::WarnIntParameterCorrected(a.ctx, 63, n.c_str(), r, 0);
        r = 0;
      }
    }
    WarnArray(a, kAreaIn);
    if (const double* p = NumberInput(a, kSensitivityIn)) {
      const ParamName n = InputName(a, kSensitivityIn);
      if (*p > 1) {
        frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 1.0f);
        sensitivity = 255;
      } else if (*p < 0) {
        frame::WarnRealParameterCorrected(a.ctx, 63, n.c_str(), static_cast<float>(*p), 0.0f);
        sensitivity = 0;
      } else {
        sensitivity = static_cast<float>(*p * 255);
      }
    }
    WarnArray(a, kSensitivityIn);
    cropIn = 5;
  }
  const bool* cropFlag = FlagInput(a, cropIn);
  const bool crop = cropFlag ? *cropFlag : true;
  WarnArray(a, cropIn);

  const bool histogramRule = method >= 19 && method <= 21;
  const int frameOut = histogramRule ? 1 : 0;
  if (histogramRule) {
    if (method == 19 && rate == 0) {
      if (double* p = OutputElement<double>(a, 0, GetNumber, 0)) *p = 0;
      return true;
    }
    unsigned h[256] = {};
    ScanRectangularRegion(frame, region, 1, h, frame::CountHistogramBin);
    unsigned total = 0;
    for (unsigned v : h) total += v;
    if (total == 0) return a.fail(u"error: Bad defined input region");
    if (method == 19) {
      level = RateLevel(h, rate);
    } else if (method == 20) {
      level = BetweenClassLevel(h);
    } else if (!FlankLevel(h, &level)) {
      return a.fail(u"error: Input frame does not have suitable characteristics");
    }
    if (double* p = OutputElement<double>(a, 0, GetNumber, 0)) *p = level / 255.0;
    SetOutputMaxIndex(a, 0, 0);
  }

  // A frame whose rows cannot be read is a failure, not an unwritten output.
  if (!Readable(in.bpp)) return a.fail(u"error: Input frame must have 8 or 32 bits per pixel");
  const bool cropped = region && crop;
  CropBox box;
  if (region && (cropped || method == 22)) {
    box = CropBoxOf(*region, in.width, in.depth);
    if (box.empty()) return a.fail(u"error: Region is defined out of frame");
  }
  const int outW = cropped ? box.width() : in.width, outD = cropped ? box.height() : in.depth;
  FrameRows out;
  if (!frame::OutputRows(a, frameOut, outW, outD, in.bpp, &out)) return true;
  const Plane target = PlaneOf(out);
  const int bytes = in.bpp / 8;
  const LocalRule local{level, sensitivity, region != nullptr};

  if (!region) {
    if (method == 22) {
      const Plane rows = MakePlane(workA_, in.width, in.depth, in.bpp);
      BoxPass(PlaneOf(in), rows, r, true);
      BoxPass(rows, target, r, false);  // the output holds the mean for now
    }
#pragma omp parallel for schedule(static) if (static_cast <long>(in.width) * in.depth >= kParallelPixels)
    for (int y = 0; y < in.depth; ++y) {
      const uint8_t* src = in.row(y);
      uint8_t* dst = out.row(y);
      for (int x = 0; x < in.width; ++x) {
        const ptrdiff_t at = static_cast<ptrdiff_t>(x) * bytes;
        if (method == 22) {
          local.Write(src + at, dst + at, dst + at, in.bpp);
        } else {
          PixelRule(src + at, dst + at, in.bpp, level);
        }
      }
    }
    return true;
  }

  const int mode = in.bpp == 8 ? 1 : 0;
  if (!cropped) {
    std::memcpy(out.frame, frame, static_cast<size_t>(std::min(GetFrameSize(out.frame), GetFrameSize(frame))));
    RegionWriter writer{&in, &target, 0, 0, level, nullptr, local};
    Plane mean{};
    if (method == 22) {
      // The mean of the crop box, laid over the whole frame at the box.
      const Plane copy = MakePlane(workA_, box.width(), box.height(), in.bpp);
      for (int y = 0; y < copy.depth; ++y) {
        std::memcpy(copy.row(y), in.row(box.top + y) + static_cast<ptrdiff_t>(box.left) * bytes,
                    static_cast<size_t>(copy.width) * bytes);
      }
      const Plane rows = MakePlane(workB_, box.width(), box.height(), in.bpp);
      BoxPass(copy, rows, r, true);
      BoxPass(rows, copy, r, false);
      mean = copy;
      // Region pixels are written only inside the box, where the mean is.
      const Plane window{target.row(box.top) + static_cast<ptrdiff_t>(box.left) * bytes, box.width(), box.height(),
                         in.bpp, target.stride};
      writer = {&in, &window, box.left, box.top, level, &mean, local};
      ScanRectangularRegion(frame, region, mode, &writer, WriteRegionPixel);
      return true;
    }
    ScanRectangularRegion(frame, region, mode, &writer, WriteRegionPixel);
    return true;
  }

#pragma omp parallel for schedule(static) if (static_cast <long>(outW) * outD >= kParallelPixels)
  for (int y = 0; y < outD; ++y) {
    std::memcpy(out.row(y), in.row(box.top + y) + static_cast<ptrdiff_t>(box.left) * bytes,
                static_cast<size_t>(outW) * bytes);
  }
  RegionWriter writer{&in, &target, box.left, box.top, level, nullptr, local};
  Plane mean{};
  if (method == 22) {
    const Plane rows = MakePlane(workA_, outW, outD, in.bpp);
    mean = MakePlane(workB_, outW, outD, in.bpp);
    BoxPass(target, rows, r, true);
    BoxPass(rows, mean, r, false);
    writer.mean = &mean;
  }
  ScanRectangularRegion(frame, region, mode, &writer, WriteRegionPixel);
  return true;
}

}  // namespace gantrel
