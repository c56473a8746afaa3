#include "threshold.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "box_mean.h"
#include "frame/image_stats.h"
#include "frame/row_kernel.h"

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
  // Dark (0) or light (255) for every mean m and value v of 8-bit frames, at m * 256 + v.
  void Table8(uint8_t* t) const {
    for (int m = 0; m < 256; ++m) {
      for (int v = 0; v < 256; ++v) {
        const uint8_t mb = static_cast<uint8_t>(m), vb = static_cast<uint8_t>(v);
        t[m << 8 | v] = Dark(&vb, &mb, 8) ? 0 : 255;
      }
    }
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

Plane PlaneOf(const FrameRows& f) { return {f.data, f.width, f.depth, f.bpp, f.stride}; }

// The two-valued pixel at level L for a row of 8-bit values: dark below it.
VISION_ROW_KERNEL
void LevelRow8(const uint8_t* in, uint8_t* out, int n, int level) {
  for (int x = 0; x < n; ++x) out[x] = in[x] < level ? 0 : 255;
}

// The local rule for a row of 8-bit values through its table; out holds the
// means and takes the result.
void LocalRow8(const uint8_t* in, uint8_t* out, int n, const uint8_t* table) {
  for (int x = 0; x < n; ++x) out[x] = table[out[x] << 8 | in[x]];
}

// The 256-bin histogram of a whole 8 or 32-bit frame (the grey of B, G, R),
// counted per thread; the same counts as the host's scan of the frame.
void FrameHistogram(const FrameRows& in, unsigned* h) {
#pragma omp parallel if (static_cast <long>(in.width) * in.depth >= kParallelPixels)
  {
    // Four sets of bins take runs of equal values without waiting on one counter.
    unsigned part[4][256] = {};
#pragma omp for schedule(static)
    for (int y = 0; y < in.depth; ++y) {
      const uint8_t* row = in.row(y);
      if (in.bpp == 8) {
        frame::CountRow8(row, in.width, part);
      } else {
        for (int x = 0; x < in.width; ++x, row += 4) ++part[x & 3][(unsigned{row[0]} + row[1] + row[2]) / 3];
      }
    }
#pragma omp critical(gantrel_histogram)
    for (int i = 0; i < 256; ++i) h[i] += part[0][i] + part[1][i] + part[2][i] + part[3][i];
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
      r = frame::TruncateToInt(*p * 0.5);
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
    if (!region && Readable(in.bpp)) {
      FrameHistogram(in, h);
    } else {
      ScanRectangularRegion(frame, region, 1, h, frame::CountHistogramBin);
    }
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
    // The between-class level is the last bin of the dark class: its pixels
    // stay dark, so a two-tone picture splits in two. The reported number
    // keeps its meaning; only the frame's rule starts one bin higher.
    if (method == 20) ++level;
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
    const uint8_t* table = nullptr;
    if (method == 22) {
      BoxMean(PlaneOf(in), target, r, workA_);  // the output holds the mean for now
      if (in.bpp == 8) {
        if (table_.empty() || tableLevel_ != level || tableSensitivity_ != sensitivity) {
          table_.resize(256 * 256);
          local.Table8(table_.data());
          tableLevel_ = level;
          tableSensitivity_ = sensitivity;
        }
        table = table_.data();
      }
    }
#pragma omp parallel for schedule(static) if (static_cast <long>(in.width) * in.depth >= kParallelPixels)
    for (int y = 0; y < in.depth; ++y) {
      const uint8_t* src = in.row(y);
      uint8_t* dst = out.row(y);
      if (in.bpp == 8) {
        if (table) {
          LocalRow8(src, dst, in.width, table);
        } else {
          LevelRow8(src, dst, in.width, level);
        }
        continue;
      }
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
      BoxMean(copy, copy, r, workB_);
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
    mean = MakePlane(workB_, outW, outD, in.bpp);
    BoxMean(target, mean, r, workA_);
    writer.mean = &mean;
  }
  ScanRectangularRegion(frame, region, mode, &writer, WriteRegionPixel);
  return true;
}

}  // namespace gantrel
