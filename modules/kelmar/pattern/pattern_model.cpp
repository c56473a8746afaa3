// The pattern model of CPatternMatch: histograms, sample sets, their
// statistics, and the angle and extent tables.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "frame/image_stats.h"
#include "pattern/pattern_match.h"
#include "pattern/sampling.h"

namespace kelmar {

namespace {

constexpr float kDegToRad = static_cast<float>(0.017453292519943295);

constexpr std::u16string_view kTooSmall =
    u"error: Pattern is too small or it has few pixels with alpha channel greater than 127";
constexpr std::u16string_view kNoDetails = u"error: Pattern must have some details";
constexpr std::u16string_view kNoColourDetails =
    u"error: Pattern must have some details in each color (R, G and B)";

int RoundScaled(float v) { return v > 0 ? static_cast<int>(v + 0.5f) : static_cast<int>(v - 0.5f); }

float Clamp(double v, float lo, float hi) { return std::clamp(static_cast<float>(v), lo, hi); }

}  // namespace

void CPatternMatch::BuildAngleTables() {
  const int a = angleCount();
  sinTable_.resize(a);
  cosTable_.resize(a);
  for (int r = 0; r < a; ++r) {
    const float rad = static_cast<float>(angleStart_ + r * coarseStep_) * kDegToRad;
    sinTable_[r] = RoundScaled(1024.0f * std::sin(rad));
    cosTable_[r] = RoundScaled(1024.0f * std::cos(rad));
  }
}

// One walk over the pattern: the histograms, and every counted pixel kept
// for the refinement of matches on all of them (the grey method's value, or
// R, G and B).
void CPatternMatch::ReadPatternPixels(const Frame* pattern) {
  std::fill(std::begin(histGrey_), std::end(histGrey_), 0);
  std::fill(std::begin(histRed_), std::end(histRed_), 0);
  std::fill(std::begin(histGreen_), std::end(histGreen_), 0);
  std::fill(std::begin(histBlue_), std::end(histBlue_), 0);
  const int bpp = GetFrameBPP(pattern);
  const uint8_t* data = GetFrameDataAddr(const_cast<Frame*>(pattern));
  const int w = patternWidth_, h = patternHeight_;
  const size_t most = static_cast<size_t>(w) * h;
  fullDx_.clear();
  fullDy_.clear();
  fullDx_.reserve(most);
  fullDy_.reserve(most);
  for (std::vector<uint8_t>& v : fullValues_) {
    v.clear();
    v.reserve(colour() ? most : 0);
  }
  fullValues_[0].reserve(most);
  const auto add = [&](int x, int y, int r, int g, int b) {
    fullDx_.push_back(x - w / 2);
    fullDy_.push_back(y - h / 2);
    fullValues_[0].push_back(static_cast<uint8_t>(r));
    if (colour()) {
      ++histRed_[r >> 3];
      ++histGreen_[g >> 3];
      ++histBlue_[b >> 3];
      fullValues_[1].push_back(static_cast<uint8_t>(g));
      fullValues_[2].push_back(static_cast<uint8_t>(b));
    } else {
      ++histGrey_[r >> 3];
    }
  };
  if (bpp == 8) {
    const ptrdiff_t stride = (w + 3) & ~3;
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = data + y * stride;
      for (int x = 0; x < w; ++x) add(x, y, row[x], row[x], row[x]);
    }
  } else if (bpp == 32) {
    for (int y = 0; y < h; ++y) {
      const uint8_t* p = data + static_cast<ptrdiff_t>(y) * 4 * w;
      for (int x = 0; x < w; ++x, p += 4) {
        if (p[3] <= 127) continue;
        if (colour()) {
          add(x, y, p[2], p[1], p[0]);
        } else {
          add(x, y, (p[0] + p[1] + p[2]) / 3, 0, 0);
        }
      }
    }
  }
  patternPixelCount_ = static_cast<int32_t>(fullDx_.size());
  for (int ch = 0; ch < 3; ++ch) {
    fullSums_[ch] = fullSquares_[ch] = 0;
    for (const uint8_t v : fullValues_[ch]) {
      fullSums_[ch] += v;
      fullSquares_[ch] += v * v;
    }
  }
}

std::u16string_view CPatternMatch::BuildModel(const Frame* pattern, bool patternChanged, int threads) {
  (void)threads;
  if (patternChanged) ReadPatternPixels(pattern);
  const bool rebuild = patternChanged || !modelValid_ || fineStep_ != cachedFineStep_ ||
                       angleStart_ != cachedAngleStart_ || angleEnd_ != cachedAngleEnd_ ||
                       coarseStep_ != cachedCoarseStep_;
  if (rebuild) {
    modelValid_ = false;
    if (patternPixelCount_ < 200) return kTooSmall;
    const double s = speed_ + 1.0, c = patternPixelCount_;
    float percent[3];
    if (colour()) {
      percent[0] = Clamp(s * 2000 / c, 0.25f, 50);
      percent[1] = Clamp(20000 / c, 1.2f, 50);
      percent[2] = Clamp(25000 / c, 1.5f, 50);
    } else {
      percent[0] = Clamp(s * 5000 / c, 0.7f, 50);
      percent[1] = Clamp(50000 / c, 2.0f, 50);
      percent[2] = Clamp(60000 / c, 2.5f, 50);
    }
    const int a = angleCount();
    const int head = colour() ? 3 : 1;  // value rows
    const int bpp = GetFrameBPP(pattern);
    const SampleSource src{GetFrameDataAddr(const_cast<Frame*>(pattern)),
                           bpp == 8 ? (patternWidth_ + 3) & ~3 : 4 * patternWidth_,
                           bpp,
                           0,
                           0,
                           patternWidth_,
                           patternHeight_};
    for (int k = 0; k < 3; ++k) {
      counts_[k] = colour() ? 3 * std::max({CountSamplePoints(histRed_, percent[k]),
                                            CountSamplePoints(histGreen_, percent[k]),
                                            CountSamplePoints(histBlue_, percent[k])})
                            : CountSamplePoints(histGrey_, percent[k]);
      const int angles = k < 2 ? a : 1;
      sets_[k].assign(static_cast<size_t>(counts_[k]) * (head + 2 * angles), 0);
      const SampleAngles range = k < 2 ? SampleAngles{angleStart_ + 360, angleEnd_, coarseStep_}
                                       : SampleAngles{360, 0, 54};
      if (colour()) {
        SelectColorSamplePoints(sets_[k].data(), histRed_, histGreen_, histBlue_, percent[k], src, range);
      } else {
        SelectSamplePoints(sets_[k].data(), histGrey_, percent[k], src, range);
      }
    }
    if (colour()) {
      for (int k = 0; k < 3; ++k) {
        for (int ch = 0; ch < 3; ++ch) {
          int mean = 0;
          colourDeviations_[3 * k + ch] = frame::ColorRowStdDev(sets_[k].data(), counts_[k], 0, ch, &mean);
          colourMeans_[3 * ch + k] = mean;
        }
      }
      for (int ch = 0; ch < 3; ++ch) {
        const float product = colourDeviations_[ch] * colourDeviations_[3 + ch] * colourDeviations_[6 + ch];
        if (!(product >= 0.7f)) return kNoColourDetails;
      }
      // Grey points give three equal channels, so the colour score is the grey
      // one and needs the grey method's detail: else a nearly flat pattern
      // matches noise anywhere.
      if (GreyPoints() && !(colourDeviations_[0] * colourDeviations_[3] * colourDeviations_[6] >= 8.0f)) {
        return kNoDetails;
      }
    } else {
      for (int k = 0; k < 3; ++k) {
        int mean = 0;
        greyDeviations_[k] = frame::RowStdDev(sets_[k].data(), counts_[k], 0, &mean);
        greyMeans_[k] = mean;
      }
      if (!(greyDeviations_[0] * greyDeviations_[1] * greyDeviations_[2] >= 8.0f)) return kNoDetails;
    }
    for (int k = 0; k < 3; ++k) {
      for (int ch = 0; ch < (colour() ? 3 : 1); ++ch) {
        uint32_t sum = 0;
        const int32_t* values = sets_[k].data() + static_cast<size_t>(ch) * counts_[k];
        for (int i = 0; i < counts_[k]; ++i) sum += static_cast<uint32_t>(values[i]);
        patternSums_[k][ch] = sum;
      }
    }
    modelValid_ = true;
  }
  const int regionAngle = static_cast<int>(searchRegion_.angle);
  if (coarseStep_ != cachedCoarseStep_ || angleStart_ != cachedAngleStart_ || angleEnd_ != cachedAngleEnd_ ||
      regionAngle != cachedRegionAngle_ || rotatedWidths_.size() != static_cast<size_t>(angleCount())) {
    BuildExtentTables(regionAngle);
  }
  cachedCoarseStep_ = coarseStep_;
  cachedRegionAngle_ = regionAngle;
  cachedFineStep_ = fineStep_;
  cachedAngleStart_ = angleStart_;
  cachedAngleEnd_ = angleEnd_;
  return {};
}

bool CPatternMatch::GreyPoints() const {
  for (int k = 0; k < 3; ++k) {
    const size_t n = counts_[k];
    const int32_t* red = sets_[k].data();
    for (size_t i = 0; i < n; ++i) {
      if (red[i] != red[n + i] || red[i] != red[2 * n + i]) return false;
    }
  }
  return true;
}

void CPatternMatch::BuildExtentTables(int regionAngle) {
  const int a = angleCount();
  rotatedWidths_.resize(a);
  rotatedHeights_.resize(a);
  for (int r = 0; r < a; ++r) {
    const float rad = static_cast<float>(angleStart_ + r * coarseStep_ - regionAngle) * kDegToRad;
    const float c = std::fabs(std::cos(rad)), s = std::fabs(std::sin(rad));
    rotatedWidths_[r] = static_cast<int>(c * patternWidth_ + s * patternHeight_);
    rotatedHeights_[r] = static_cast<int>(s * patternWidth_ + c * patternHeight_);
  }
  minRotatedWidth_ = *std::min_element(rotatedWidths_.begin(), rotatedWidths_.end());
  minRotatedHeight_ = *std::min_element(rotatedHeights_.begin(), rotatedHeights_.end());
}

void CPatternMatch::PrepareOffsets() {
  const int a = angleCount();
  const int bytes = inputBpp_ / 8;
  const int head = colour() ? 3 : 1;
  for (int k = 0; k < 2; ++k) {
    const int n = counts_[k];
    byteOffsets_[k].resize(static_cast<size_t>(n) * a);
    offsetBoxes_[k].resize(a);
    for (int r = 0; r < a; ++r) {
      const int32_t* dx = sets_[k].data() + static_cast<size_t>(n) * (head + 2 * r);
      const int32_t* dy = dx + n;
      OffsetBox box{INT_MAX, INT_MIN, INT_MAX, INT_MIN};
      ptrdiff_t* out = byteOffsets_[k].data() + static_cast<size_t>(n) * r;
      for (int i = 0; i < n; ++i) {
        out[i] = dy[i] * inputStride_ + static_cast<ptrdiff_t>(dx[i]) * bytes;
        box.dxMin = std::min(box.dxMin, dx[i]);
        box.dxMax = std::max(box.dxMax, dx[i]);
        box.dyMin = std::min(box.dyMin, dy[i]);
        box.dyMax = std::max(box.dyMax, dy[i]);
      }
      offsetBoxes_[k][r] = box;
    }
  }
}

}  // namespace kelmar
