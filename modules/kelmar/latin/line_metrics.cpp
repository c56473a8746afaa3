// Line statistics of the letters read so far, the shape of accent marks, and
// the two scan callbacks the mark shapes and the classifier count with.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "frame/image_stats.h"
#include "latin/latin_ocr.h"
#include "talvix.h"

namespace kelmar {

namespace {

void AddToMean(float& mean, int& count, float value) {
  mean = (mean * static_cast<float>(count) + value) / static_cast<float>(count + 1);
  ++count;
}

// A contour list of at most one entry per sampled row.
struct Contour {
  std::array<int, 64> entry{};
  int n = 0;
  void Offer(int a, int width) {
    if (n < static_cast<int>(entry.size()) && (n == 0 || std::abs(a - entry[n - 1]) < 0.5 * width)) entry[n++] = a;
  }
  // Sums of entries 0 .. n - 2, split at n / 2; the last entry is in neither.
  void HalfSums(int& first, int& second) const {
    first = second = 0;
    for (int i = 0; i + 1 < n; ++i) (i < n / 2 ? first : second) += entry[i];
  }
};

}  // namespace

void CMatchLatinOCR::UpdateLineMetrics(int letter, int cls) {
  const LetterRecord& rec = letters_[letter];
  const int height = rec.bottom - rec.top + 1;
  const float top = static_cast<float>(rec.top);
  LineStatistics& s = stats_;
  switch (latin::MetricGroupOf(cls)) {
    case latin::MetricGroup::kCapital:
      AddToMean(s.capitalHeight, s.capitalCount, static_cast<float>(height));
      AddToMean(s.meanTop, s.meanTopCount, top);
      break;
    case latin::MetricGroup::kAccentedCapital:
      AddToMean(s.capitalHeight, s.capitalCount, static_cast<float>(0.8 * height));
      AddToMean(s.meanTop, s.meanTopCount, top);
      break;
    case latin::MetricGroup::kSmall:
      AddToMean(s.smallLetterHeight, s.smallLetterCount, static_cast<float>(height));
      AddToMean(s.meanTop, s.meanTopCount, top);
      break;
    case latin::MetricGroup::kTallSmall:
      AddToMean(s.tallSmallLetterHeight, s.tallSmallLetterCount, static_cast<float>(height));
      AddToMean(s.meanTop, s.meanTopCount, top);
      break;
    case latin::MetricGroup::kDescender:
      AddToMean(s.tallSmallLetterHeight, s.tallSmallLetterCount, static_cast<float>(height));
      break;
    case latin::MetricGroup::kNone:
      break;
  }
}

bool CMatchLatinOCR::CountLeftRightEdges(void* self, int x, int y, unsigned value) {
  auto* o = static_cast<CMatchLatinOCR*>(self);
  static constexpr int kDx[] = {1, -1, 0, 0}, kDy[] = {0, 0, -1, 1};
  const int d = o->direction_ & 3;
  // Outside the letter frame the neighbour reads 0, dark.
  const int n = static_cast<int>(frame::GetPixelIntensity(o->letterFrame(o->scanLetter_), x + kDx[d], y + kDy[d]));
  const int v = static_cast<int>(value), t = o->threshold_;
  if (o->edgeState_ == 1) {
    if (v < t && n < t) o->edgeState_ = 0;
    ++o->firstDark_;
    ++o->visited_;
    return true;
  }
  if (o->edgeState_ == 0) {
    ++o->visited_;
    return !(v > t && n > t);
  }
  return true;
}

bool CMatchLatinOCR::CountCrossings(void* self, int x, int y, unsigned value) {
  auto* o = static_cast<CMatchLatinOCR*>(self);
  if (o->crossSkip_) {
    o->crossSkip_ = false;
    return true;
  }
  const int n = static_cast<int>(frame::GetPixelIntensity(o->letterFrame(o->scanLetter_), std::max(x - 1, 0), y));
  const int v = static_cast<int>(value), t = o->threshold_;
  if (o->crossLight_) {
    if (v < t && n < t) {
      ++(o->crossMode_ == 2 || o->crossMode_ == 3 ? o->runB_ : o->runA_);
      o->crossSkip_ = true;
      o->crossLight_ = false;
    }
  } else if (v > t && n > t) {
    o->crossSkip_ = true;
    o->crossLight_ = true;
  }
  return true;
}

int CMatchLatinOCR::FirstDark(const Frame* f, double x0, double y0, double x1, double y1, int dir, int preset) {
  ++scanCount_;
  firstDark_ = visited_ = preset;
  edgeState_ = 1;
  direction_ = dir;
  const TLine line{x0, y0, x1, y1};
  ScanLine(f, nullptr, &line, 1, this, CountLeftRightEdges);
  return firstDark_;
}

int CMatchLatinOCR::Crossings(const Frame* f, double x0, double y0, double x1, double y1, int mode, int start) {
  ++scanCount_;
  crossMode_ = mode;
  runA_ = runB_ = start;
  crossSkip_ = false;
  crossLight_ = true;
  const TLine line{x0, y0, x1, y1};
  ScanLine(f, nullptr, &line, 1, this, CountCrossings);
  return mode == 2 || mode == 3 ? runB_ : runA_;
}

CMatchLatinOCR::MarkKind CMatchLatinOCR::ClassifyMark(int mark) {
  const LetterRecord& rec = letters_[mark];
  const int saved = scanLetter_;
  scanLetter_ = mark;
  const Frame* f = letterFrame(mark);
  const int h = rec.bottom - rec.top, w1 = rec.right - rec.left, width = w1 + 1;
  const int step = h > 50 ? h / 50 + 1 : 1;
  Contour left, right;
  int largest = 1;
  for (int r = 0; r <= h; r += step) {
    const int a = FirstDark(f, 0, r, w1, r, 0);
    if (a < w1) left.Offer(a, width);
    const int b = FirstDark(f, w1, r, 0, r, 1);
    if (b < w1) right.Offer(b, width);
    const int c = Crossings(f, w1, r, 0, r, 0);
    // The first row's count is never the largest.
    if (r > 0 && c > largest) largest = c;
  }
  scanLetter_ = saved;
  const int nL = left.n, nR = right.n;
  const int* L = left.entry.data();
  const int* R = right.entry.data();
  if (std::min(nL, nR) < 5 && largest == 1) return kDot;
  if (largest > 1) {
    // Too short a contour to compare its ends: no clear shape.
    if (nL < 3 || nR < 3) return kDot;
    const int s = (L[0] + L[1] + L[2] + R[0] + R[1] + R[2]) -
                  (L[nL - 1] + L[nL - 2] + L[nL - 3] + R[nR - 1] + R[nR - 2] + R[nR - 3]);
    return s > 0.5 * w1 ? kCaron : kRing;
  }
  int sla, slb, sra, srb;
  left.HalfSums(sla, slb);
  right.HalfSums(sra, srb);
  const int slb2 = slb + L[nL - 1], srb2 = srb + R[nR - 1];
  if (sra <= 2 * srb2 && slb2 <= 2 * sla) return kDot;
  if (slb2 + sra > 2 * (sla + srb2)) return kAcute;
  return kDot;
}

}  // namespace kelmar
