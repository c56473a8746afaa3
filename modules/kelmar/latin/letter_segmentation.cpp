// Letter segmentation: every unlabelled ink pixel of the region seeds a span
// fill; a blob wholly inside the turned region becomes a letter with its box
// in region axes, a deskewed letter image, ink shares, holes and filled specks.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "frame/input_params.h"
#include "latin/latin_ocr.h"
#include "region_in_frame.h"
#include "talvix.h"

namespace kelmar {

namespace {

constexpr int kMaxLetters = 100;
constexpr double kDegToRad = 0.017453292519943295;

}  // namespace

void CMatchLatinOCR::SetScene(const Frame* input, const TRectangularRegion* region, int threshold, bool negative,
                              Frame* outputFrame) {
  input_ = input;
  inputData_ = GetFrameDataAddr(const_cast<Frame*>(input));
  inputWidth_ = GetFrameWidth(input);
  inputHeight_ = GetFrameDepth(input);
  inputBpp_ = GetFrameBPP(input);
  inputStride_ = static_cast<ptrdiff_t>((static_cast<int64_t>(inputWidth_) * inputBpp_ + 31) / 32 * 4);
  if (region) {
    // A region far past the frame is cut to the part that holds its pixels,
    // so that letter boxes in region axes stay within int.
    region_ = RegionPartInFrame(*region, inputWidth_, inputHeight_);
    const double a = region_.angle * kDegToRad;
    sinA_ = static_cast<float>(std::sin(a));
    cosA_ = static_cast<float>(std::cos(a));
    const double c = std::fabs(cosA_), s = std::fabs(sinA_);
    const double hw = region_.width / 2, hh = region_.height / 2;
    // A region far outside the frame, or one without a number, must not
    // overflow the conversion.
    const auto clampTo = [](double v, int hi) { return std::clamp(frame::TruncateToInt(v), 0, hi); };
    clip_.x0 = clampTo(region_.cx - c * hw - s * hh - 3, inputWidth_);
    clip_.x1 = clampTo(region_.cx + c * hw + s * hh + 3, inputWidth_);
    clip_.y0 = clampTo(region_.cy - s * hw - c * hh - 3, inputHeight_);
    clip_.y1 = clampTo(region_.cy + s * hw + c * hh + 3, inputHeight_);
  } else {
    region_ = {inputWidth_ * 0.5, inputHeight_ * 0.5, static_cast<double>(inputWidth_),
               static_cast<double>(inputHeight_), 0};
    sinA_ = 0;
    cosA_ = 1;
    clip_ = {0, 0, inputWidth_, inputHeight_};
  }
  regionX_ = static_cast<float>(region_.cx);
  regionY_ = static_cast<float>(region_.cy);
  regionW_ = static_cast<float>(region_.width);
  regionH_ = static_cast<float>(region_.height);
  SetThreshold(threshold);
  negative_ = negative;
  minimalLetterSize_ = std::max(5, frame::TruncateToInt(region_.height / 25.0));
  contrastMargin_ = 25.5f;
  outData_ = nullptr;
  outWidth_ = outHeight_ = 0;
  if (outputFrame) {
    outData_ = GetFrameDataAddr(outputFrame);
    outWidth_ = GetFrameWidth(outputFrame);
    outHeight_ = GetFrameDepth(outputFrame);
    outStride_ = static_cast<ptrdiff_t>(outWidth_) * 4;
  }
}

int CMatchLatinOCR::SegmentLetters() {
  letterCount_ = 0;
  labelCounter_ = 0;
  sumsReady_ = false;
  if (!input_ || (inputBpp_ != 8 && inputBpp_ != 32) || clip_.x1 <= clip_.x0 || clip_.y1 <= clip_.y0) return 0;
  labels_.assign(static_cast<size_t>(clip_.x1 - clip_.x0) * (clip_.y1 - clip_.y0), 0);
  ScanRectangularRegion(input_, &region_, 1, this, SegmentLetterCallback);
  return letterCount_;
}

bool CMatchLatinOCR::SegmentLetterCallback(void* self, int x, int y, unsigned value) {
  return self && static_cast<CMatchLatinOCR*>(self)->SegmentLetterPixel(x, y, static_cast<int>(value));
}

int CMatchLatinOCR::PixelValue(int x, int y) const {
  const uint8_t* p = inputData_ + y * inputStride_;
  if (inputBpp_ == 8) return p[x];
  p += static_cast<ptrdiff_t>(x) * 4;
  return (p[0] + p[1] + p[2]) / 3;
}

void CMatchLatinOCR::BuildWindowSums() {
  const int r = minimalLetterSize_;
  sumBox_ = {std::max(0, clip_.x0 - r), std::max(0, clip_.y0 - r), std::min(inputWidth_, clip_.x1 + r),
             std::min(inputHeight_, clip_.y1 + r)};
  const int w = sumBox_.x1 - sumBox_.x0, h = sumBox_.y1 - sumBox_.y0;
  windowSums_.assign(static_cast<size_t>(w + 1) * (h + 1), 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = inputData_ + (sumBox_.y0 + y) * inputStride_ + static_cast<ptrdiff_t>(sumBox_.x0) * (inputBpp_ / 8);
    const int64_t* above = &windowSums_[static_cast<size_t>(y) * (w + 1)];
    int64_t* row = &windowSums_[static_cast<size_t>(y + 1) * (w + 1)];
    int64_t run = 0;
    if (inputBpp_ == 8) {
      for (int x = 0; x < w; ++x) {
        run += p[x];
        row[x + 1] = above[x + 1] + run;
      }
    } else {
      for (int x = 0; x < w; ++x, p += 4) {
        run += p[0] + p[1] + p[2];
        row[x + 1] = above[x + 1] + run;
      }
    }
  }
  sumsReady_ = true;
}

// Mean over columns x - R .. x + R - 1 and rows y - R .. y + R - 1 within the
// frame; a 32-bit pixel counts B + G + R over three.
int CMatchLatinOCR::LocalMean(int x, int y) {
  if (!sumsReady_) BuildWindowSums();
  const int r = minimalLetterSize_;
  const int xa = std::max(x - r, 0), xb = std::min(inputWidth_, x + r);
  const int ya = std::max(y - r, 0), yb = std::min(inputHeight_, y + r);
  if (xb <= xa || yb <= ya) return 0;
  const size_t w = static_cast<size_t>(sumBox_.x1 - sumBox_.x0) + 1;
  const auto at = [&](int px, int py) { return windowSums_[(py - sumBox_.y0) * w + (px - sumBox_.x0)]; };
  const int64_t sum = at(xb, yb) - at(xa, yb) - at(xb, ya) + at(xa, ya);
  const int64_t count = static_cast<int64_t>(xb - xa) * (yb - ya) * (inputBpp_ == 8 ? 1 : 3);
  return static_cast<int>(sum / count);
}

// 0.8 T <= v <= 1.2 T: against the local mean, or T itself when v is close to
// the local threshold.
bool CMatchLatinOCR::IsLetterPixelLocal(int x, int y, int v) {
  const int local = 2 * threshold_ * LocalMean(x, y) / 255;
  if (static_cast<float>(std::abs(v - local)) < contrastMargin_) return negative_ ? v > threshold_ : v < threshold_;
  return negative_ ? v > local : v < local;
}

bool CMatchLatinOCR::SegmentLetterPixel(int x, int y, unsigned value) {
  if (x < clip_.x0 || x >= clip_.x1 || y < clip_.y0 || y >= clip_.y1) return true;
  const int boxW = clip_.x1 - clip_.x0;
  int32_t* labels = labels_.data() - (static_cast<ptrdiff_t>(clip_.y0) * boxW + clip_.x0);
  const auto at = [&](int px, int py) -> int32_t& { return labels[static_cast<ptrdiff_t>(py) * boxW + px]; };
  if (at(x, y) != 0 || !IsLetterPixel(x, y, static_cast<int>(value))) return true;

  const int32_t label = ++labelCounter_;
  touches_ = false;
  pixelCount_ = 0;
  minU_ = regionW_;
  minV_ = regionH_;
  maxU_ = maxV_ = 0;
  const float halfW = regionW_ / 2, halfH = regionH_ / 2;
  SpanFill(
      x, y, clip_, fillStack_, [&](int px, int py) { return at(px, py) == 0; },
      [&](int px, int py) { return IsLetterPixel(px, py, PixelValue(px, py)); },
      [&](int px, int py) {
        at(px, py) = label;
        ++pixelCount_;
        if (!touches_) {
          const float dx = static_cast<float>(px - region_.cx), dy = static_cast<float>(py - region_.cy);
          const float v = cosA_ * dy - sinA_ * dx, u = cosA_ * dx + sinA_ * dy;
          if (std::fabs(v) > halfH || std::fabs(u) > halfW) touches_ = true;
        }
        // Box extremes in region axes, kept during the fill: they do not
        // depend on the order the pixels come in.
        const float fy = static_cast<float>(py) - regionY_, fx = static_cast<float>(px) - regionX_;
        const float u = sinA_ * fy + cosA_ * fx + halfW, v = cosA_ * fy - sinA_ * fx + halfH;
        minU_ = std::min(minU_, u);
        maxU_ = std::max(maxU_, u);
        minV_ = std::min(minV_, v);
        maxV_ = std::max(maxV_, v);
      });
  if (touches_ || pixelCount_ < 2) return true;
  if (letterCount_ >= kMaxLetters) return false;

  const int index = letterCount_++;
  if (static_cast<int>(letters_.size()) < letterCount_) {
    letters_.resize(letterCount_);
    letterFrames_.resize(letterCount_);
  }
  if (votes_.size() < static_cast<size_t>(letterCount_) * latin::kClassCount)
    votes_.resize(static_cast<size_t>(letterCount_) * latin::kClassCount, 0);
  LetterRecord& rec = letters_[index];
  rec = LetterRecord{};
  rec.left = frame::TruncateToInt(minU_ + 0.5f);
  rec.top = frame::TruncateToInt(minV_ + 0.5f);
  rec.right = frame::TruncateToInt(maxU_ + 0.5f);
  rec.bottom = frame::TruncateToInt(maxV_ + 0.5f);
  CutLetterImage(rec, index, label);
  FindHoles(rec, index);
  return true;
}

void CMatchLatinOCR::CutLetterImage(LetterRecord& rec, int index, int label) {
  const int w = rec.right - rec.left + 1, h = rec.bottom - rec.top + 1;
  std::vector<uint8_t>& mem = letterFrames_[index];
  mem.assign(static_cast<size_t>(GetFrameSizeParam(w, h, 8)), 0);
  InitFrameDIB(mem.data(), w, h, 8);
  Frame* f = reinterpret_cast<Frame*>(mem.data());
  uint8_t* data = GetFrameDataAddr(f);
  const ptrdiff_t stride = (w + 3) / 4 * 4;
  const int boxW = clip_.x1 - clip_.x0;
  const int dC = w - 1, dR = h - 1;
  int all = 0, left = 0, right = 0, midC = 0, lower = 0, upper = 0, midR = 0;
  for (int r = 0; r < h; ++r) {
    uint8_t* row = data + r * stride;
    const float v = static_cast<float>(r) + minV_ - regionH_ / 2;
    for (int c = 0; c < w; ++c) {
      const float u = static_cast<float>(c) + minU_ - regionW_ / 2;
      const float fx = std::clamp(cosA_ * u - sinA_ * v + regionX_ + 0.5f, 0.0f, static_cast<float>(inputWidth_ - 1));
      const float fy = std::clamp(sinA_ * u + cosA_ * v + regionY_ + 0.5f, 0.0f, static_cast<float>(inputHeight_ - 1));
      const int x = frame::TruncateToInt(fx), y = frame::TruncateToInt(fy);
      const bool ink = x >= clip_.x0 && x < clip_.x1 && y >= clip_.y0 && y < clip_.y1 &&
                       labels_[static_cast<size_t>(y - clip_.y0) * boxW + (x - clip_.x0)] == label;
      row[c] = ink ? 0 : 255;
      const int ox = rec.left + c, oy = rec.top + r;
      if (outData_ && ox >= 0 && ox < outWidth_ && oy >= 0 && oy < outHeight_) {
        uint8_t* p = outData_ + oy * outStride_ + static_cast<ptrdiff_t>(ox) * 4;
        p[0] = p[1] = p[2] = ink ? 0 : 255;
        p[3] = 255;
      }
      if (!ink) continue;
      ++all;
      if (c <= (dC - 1) / 2) ++left;
      else if (c > dC / 2) ++right;
      else ++midC;
      if (r <= (dR - 1) / 2) ++upper;
      else if (r > dR / 2) ++lower;
      else ++midR;
    }
  }
  // A letter whose ink the deskewed cut misses keeps shares of 0.
  if (all > 0) {
    const float n = static_cast<float>(all);
    rec.leftShare = (left + 0.5f * midC) / n;
    rec.rightShare = (right + 0.5f * midC) / n;
    rec.lowerShare = (lower + 0.5f * midR) / n;
    rec.upperShare = (upper + 0.5f * midR) / n;
  }
}

// Ground components of the letter image that touch no outer row or column:
// above 1.5 % of the box a hole, below 1 % a speck filled with ink. The image
// is ink 0 on ground 255 whatever the polarity of the text.
void CMatchLatinOCR::FindHoles(LetterRecord& rec, int index) {
  Frame* f = reinterpret_cast<Frame*>(letterFrames_[index].data());
  const int w = GetFrameWidth(f), h = GetFrameDepth(f);
  uint8_t* data = GetFrameDataAddr(f);
  const ptrdiff_t stride = (w + 3) / 4 * 4;
  holeLabels_.assign(static_cast<size_t>(w) * h, 0);
  const auto at = [&](int x, int y) -> int32_t& { return holeLabels_[static_cast<size_t>(y) * w + x]; };
  const double area = static_cast<double>(w) * h;
  int32_t counter = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (at(x, y) != 0 || data[y * stride + x] < 128) continue;
      const int32_t label = ++counter;
      bool touches = false;
      float sumX = 0, sumY = 0;
      holePixels_.clear();
      SpanFill(
          x, y, FillBounds{0, 0, w, h}, fillStack_, [&](int px, int py) { return at(px, py) == 0; },
          [&](int px, int py) { return data[py * stride + px] > threshold_; },
          [&](int px, int py) {
            at(px, py) = label;
            sumX += static_cast<float>(px);
            sumY += static_cast<float>(py);
            holePixels_.push_back({px, py});
            if (px == 0 || py == 0 || px == w - 1 || py == h - 1) touches = true;
          });
      if (touches) continue;
      const double n = static_cast<double>(holePixels_.size());
      if (n > 0.015 * area) {
        const float fn = static_cast<float>(n);
        rec.holes.push_back(sumX / fn / static_cast<float>(rec.right - rec.left));
        rec.holes.push_back(sumY / fn / static_cast<float>(rec.bottom - rec.top));
        rec.holes.push_back(static_cast<float>(n / area));
        ++rec.holeCount;
      } else if (n < 0.01 * area) {
        for (const FillPoint& p : holePixels_) data[p.y * stride + p.x] ^= 0xff;
      }
    }
  }
}

}  // namespace kelmar
