// The search side of CPatternMatch: the bands of the region's lines, the
// three-stage evaluation of a candidate point and the band's match table.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "frame/image_stats.h"
#include "pattern/pattern_match.h"
#include "pattern/sampling.h"

namespace kelmar {

namespace {

constexpr float kDegToRad = static_cast<float>(0.017453292519943295);

int RoundHalfAway(float v) { return static_cast<int>(v > 0 ? v + 0.5f : v - 0.5f); }

// The scan's user data: the object and the thread's scratch.
struct ScanRecord {
  CPatternMatch* object;
  void* scratch;
};

struct MarkRecord {
  BandMarks* marks;
  int width, height;
  int angleFrom, angleTo;  // relative coarse indexes to set
  // When reach2 > 0, only pixels nearer (cx, cy) than its square root.
  int cx = 0, cy = 0;
  int64_t reach2 = 0;
};

bool MarkVisited(void* user, int x, int y, unsigned) {
  const MarkRecord* m = static_cast<const MarkRecord*>(user);
  if (x < 0 || y < 0 || x >= m->width || y >= m->height) return true;
  if (m->reach2 > 0) {
    const int64_t dx = x - m->cx, dy = y - m->cy;
    if (dx * dx + dy * dy >= m->reach2) return true;
  }
  for (int r = m->angleFrom; r <= m->angleTo; ++r) m->marks->Set(r, x, y);
  return true;
}

}  // namespace

// Bands are taken in turn until none is left; each starts unmarked.
void CPatternMatch::SearchBands(Scratch& s) {
  for (int band = nextBand_.fetch_add(1); band < bandCount_; band = nextBand_.fetch_add(1)) {
    s.marks.Reset(inputWidth_, angleCount());
    s.found = &bandTables_[band];
    SearchBand(s, band);
  }
}

void CPatternMatch::SearchBand(Scratch& s, int band) {
  const double angle = searchRegion_.width >= searchRegion_.height ? 90.0 : 0.0;
  ScanRecord rec{this, &s};
  const int first = band * bandLines_, last = std::min(lineCount_, first + bandLines_) - 1;
  for (int i = first; i <= last && !s.found->full(); ++i) {
    int x0, y0, x1, y1;
    // A line the host cannot place is skipped.
    if (!GetScanRectangularRegionLine(inputFrame_, &searchRegion_, lineCount_, i, angle, &x0, &y0, &x1, &y1)) {
      continue;
    }
    const TLine line{static_cast<double>(x0), static_cast<double>(y0), static_cast<double>(x1),
                     static_cast<double>(y1)};
    // The point gate counts from each line's start, wherever the bands cut.
    s.lineCounter = 0;
    ScanLine(inputFrame_, &searchRegion_, &line, 1, &rec, &CPatternMatch::EvaluatePoint);
  }
}

bool CPatternMatch::EvaluatePoint(void* user, int x, int y, unsigned) {
  const ScanRecord* rec = static_cast<const ScanRecord*>(user);
  CPatternMatch& self = *rec->object;
  Scratch& s = *static_cast<Scratch*>(rec->scratch);
  // Every scanStep-th point of the line.
  s.lineCounter = (s.lineCounter + 1) % self.scanStep_;
  if (s.lineCounter != 0) return true;
  return self.Evaluate(s, x, y);
}

// The turned pattern lies inside the frame (1/2048 pixel units, strict).
bool CPatternMatch::Fits(int x, int y, int r) const {
  const int64_t s = sinTable_[r], c = cosTable_[r];
  const int64_t w = patternWidth_, h = patternHeight_;
  const int64_t ev = std::llabs(s * w) + std::llabs(c * h);
  const int64_t eh = std::llabs(c * w) + std::llabs(s * h);
  return 2048 * int64_t{y} + ev < 2048 * int64_t{inputHeight_} - 2048 && 2048 * int64_t{y} - ev > 0 &&
         2048 * int64_t{x} + eh < 2048 * int64_t{inputWidth_} - 2048 && 2048 * int64_t{x} - eh > 0;
}

namespace {

bool Inside(int x, int y, int dxMin, int dxMax, int dyMin, int dyMax, int w, int h) {
  return x + dxMin >= 0 && x + dxMax < w && y + dyMin >= 0 && y + dyMax < h;
}

}  // namespace

// Samples set `set` at the given offsets around (x, y) and scores it against
// the pattern's values: grey, or the weakest of the three channels. With the
// first stage's tests, a sample much flatter than the pattern scores 0 or asks
// to skip the next angle too.
float CPatternMatch::Score(int set, const ptrdiff_t* offsets, int x, int y, bool stageOneTests,
                           bool* skipNext) const {
  const int n = counts_[set];
  const int32_t* pattern = sets_[set].data();
  const uint8_t* base = inputData_ + y * inputStride_ + static_cast<ptrdiff_t>(x) * (inputBpp_ / 8);
  *skipNext = false;
  if (!colour()) {
    SampleSums sums;
    if (inputBpp_ == 8) {
      for (int i = 0; i < n; ++i) sums.add(base[offsets[i]], pattern[i]);
    } else {
      for (int i = 0; i < n; ++i) {
        const uint8_t* p = base + offsets[i];
        sums.add((p[0] + p[1] + p[2]) / 3, pattern[i]);
      }
    }
    int mean = 0;
    const float dev = SumsDeviation(sums, n, &mean);
    const float pdev = greyDeviations_[set];
    if (stageOneTests) {
      if (dev < 0.25f * pdev) {
        *skipNext = true;
        return 0;
      }
      if (dev < 0.5f * pdev) return 0;
    }
    return SumsCorrelation(sums, n, mean, dev, patternSums_[set][0], greyMeans_[set], pdev);
  }
  SampleSums sums[3];  // R, G, B
  const int32_t* red = pattern;
  const int32_t* green = pattern + n;
  const int32_t* blue = pattern + 2 * n;
  if (inputBpp_ == 8) {
    for (int i = 0; i < n; ++i) {
      const uint32_t v = base[offsets[i]];
      sums[0].add(v, red[i]);
      sums[1].add(v, green[i]);
      sums[2].add(v, blue[i]);
    }
  } else {
    for (int i = 0; i < n; ++i) {
      const uint8_t* p = base + offsets[i];
      sums[0].add(p[2], red[i]);
      sums[1].add(p[1], green[i]);
      sums[2].add(p[0], blue[i]);
    }
  }
  float score = 0;
  for (int ch = 0; ch < 3; ++ch) {
    int mean = 0;
    const float dev = SumsDeviation(sums[ch], n, &mean);
    const float pdev = colourDeviations_[3 * set + ch];
    if (stageOneTests && dev < 0.25f * pdev) {
      *skipNext = true;
      return 0;
    }
    const float channelScore =
        stageOneTests && dev < 0.65f * pdev
            ? 0.0f
            : SumsCorrelation(sums[ch], n, mean, dev, patternSums_[set][ch], colourMeans_[3 * ch + set], pdev);
    score = ch == 0 ? channelScore : std::min(score, channelScore);
  }
  return score;
}

bool CPatternMatch::Evaluate(Scratch& s, int x, int y) {
  // A climb may go anywhere in the region, past its band's lines.
  const RegionBounds& b = regionBounds_;
  const int a = angleCount();
  const float regionRad = static_cast<float>(searchRegion_.angle) * kDegToRad;
  const float sinA = std::sin(regionRad), cosA = std::cos(regionRad);
  const float cx0 = static_cast<float>(searchRegion_.cx), cy0 = static_cast<float>(searchRegion_.cy);
  const float halfW = static_cast<float>((searchRegion_.width - 1) * 0.5);
  const float halfH = static_cast<float>((searchRegion_.height - 1) * 0.5);
  const auto uv = [&](int px, int py, int* u, int* v) {
    const float dx = static_cast<float>(px) - cx0, dy = static_cast<float>(py) - cy0;
    *u = static_cast<int>(cosA * dx + sinA * dy + halfW);
    *v = static_cast<int>(cosA * dy - sinA * dx + halfH);
  };
  const auto inBounds = [&](int u, int v) { return u >= b.uMin && u <= b.uMax && v >= b.vMin && v <= b.vMax; };
  const auto insideSet = [&](int set, int r, int px, int py) {
    const OffsetBox& box = offsetBoxes_[set][r];
    return Inside(px, py, box.dxMin, box.dxMax, box.dyMin, box.dyMax, inputWidth_, inputHeight_);
  };

  // Stage 1: coarse angles with set 1.
  float best1 = 0;
  int bestR = -1;
  bool marked = false;
  for (int r = 0; r < a; ++r) {
    marked = s.marks.Test(r, x, y);
    if (marked) continue;
    if (!Fits(x, y, r) || !insideSet(0, r, x, y)) continue;
    bool skipNext = false;
    const float score = Score(0, byteOffsets_[0].data() + static_cast<size_t>(counts_[0]) * r, x, y, true, &skipNext);
    if (skipNext) {
      ++r;
      continue;
    }
    if (score > best1) {
      best1 = score;
      bestR = r;
    }
  }
  if (!(best1 > preselectThreshold_) || bestR < 0) return true;

  // Stage 2: hill climb over positions and neighbouring coarse angles, set 2.
  int cx = x, cy = y, cr = bestR;
  int step = 4, radius = 10;
  float best2 = 0;
  int bx = 0, by = 0, br = 0, bu = 0, bv = 0;
  for (;;) {
    s.marks.Clear(cr, cx, cy);  // the centre is evaluated again
    for (int py = cy - radius; py <= cy + radius; py += step) {
      for (int px = cx - radius; px <= cx + radius; px += step) {
        int u, v;
        uv(px, py, &u, &v);
        if (!inBounds(u, v) || py < 0 || py >= inputHeight_ || px < 0 || px >= inputWidth_) continue;
        for (int q = std::max(0, cr - 1); q <= std::min(a - 1, cr + 1); ++q) {
          if (s.marks.Test(q, px, py) || !Fits(px, py, q) || !insideSet(1, q, px, py)) continue;
          s.marks.Set(q, px, py);
          bool unused = false;
          const float score =
              Score(1, byteOffsets_[1].data() + static_cast<size_t>(counts_[1]) * q, px, py, false, &unused);
          if (score > best2) {
            best2 = score;
            bx = px;
            by = py;
            br = q;
            bu = u;
            bv = v;
          }
        }
      }
    }
    if (!inBounds(bu, bv) || best2 < preselectThreshold_ || (!colour() && marked)) return true;
    if (bx == cx && by == cy && br == cr) {
      if (step == 1) {
        if (2 * best2 >= preselectThreshold_ + minScore_) break;
        return true;
      }
      step = 1;
      radius = 1;
    } else {
      if (step == 4) radius = 8;
      cx = bx;
      cy = by;
      cr = br;
    }
  }

  // Stage 3: fine angles around the best coarse angle, set 3.
  const int k = coarseStep_ / fineStep_;
  const int startIndex = angleStart_ / coarseStep_;
  const int jBase = startIndex + br;
  const auto angleOf = [&](int j) { return coarseStep_ * jBase + (j - jBase) * fineStep_; };
  const int jLow = jBase - k + std::max(0, lower360_ - 360 - (jBase - 1) * coarseStep_) / fineStep_;
  const int jHigh = jBase + k - std::max(0, (jBase + 1) * coarseStep_ - upper_) / fineStep_;
  const int n3 = counts_[2];
  const int head = colour() ? 3 : 1;
  const int32_t* dx0 = sets_[2].data() + static_cast<size_t>(n3) * head;
  const int32_t* dy0 = dx0 + n3;
  std::fill(s.fineReady.begin(), s.fineReady.end(), 0);
  uint8_t memo[11][7][7] = {};
  const int x0 = bx, y0 = by;
  int cj = jBase;
  cx = x0;
  cy = y0;
  float best3 = 0;
  bool found = false;
  int b3x = 0, b3y = 0, b3j = 0, b3u = 0, b3v = 0;
  const int bytes = inputBpp_ / 8;
  for (;;) {
    for (int py = cy - 1; py <= cy + 1; ++py) {
      for (int px = cx - 1; px <= cx + 1; ++px) {
        if (std::abs(py - y0) > 3 || std::abs(px - x0) > 3) continue;
        int u, v;
        uv(px, py, &u, &v);
        for (int j = std::max(jLow, cj - 1); j <= std::min(jHigh, cj + 1); ++j) {
          uint8_t& seen = memo[j - jBase + coarseStep_][py - y0 + 3][px - x0 + 3];
          if (seen) continue;
          const float theta = static_cast<float>(angleOf(j)) * kDegToRad;
          const float sn = std::sin(theta), cs = std::cos(theta);
          const float ev = std::fabs((patternWidth_ / 2) * sn) + std::fabs((patternHeight_ / 2) * cs);
          const float eh = std::fabs((patternWidth_ / 2) * cs) + std::fabs((patternHeight_ / 2) * sn);
          if (!(py + ev <= inputHeight_ - 1 && py - ev >= 0 && px + eh < inputWidth_ - 1 && px - eh >= 0)) continue;
          seen = 1;
          const int f = j - jBase + k;
          ptrdiff_t* bytesAt = s.fineBytes.data() + static_cast<size_t>(f) * n3;
          if (!s.fineReady[f]) {
            int32_t* fx = s.fineOffsets.data() + static_cast<size_t>(f) * 2 * n3;
            int32_t* fy = fx + n3;
            OffsetBox box{INT_MAX, INT_MIN, INT_MAX, INT_MIN};
            for (int i = 0; i < n3; ++i) {
              const float dx = static_cast<float>(dx0[i]), dy = static_cast<float>(dy0[i]);
              fx[i] = RoundHalfAway(dx * cs - dy * sn);
              fy[i] = RoundHalfAway(dy * cs + dx * sn);
              bytesAt[i] = fy[i] * inputStride_ + static_cast<ptrdiff_t>(fx[i]) * bytes;
              box = {std::min(box.dxMin, fx[i]), std::max(box.dxMax, fx[i]), std::min(box.dyMin, fy[i]),
                     std::max(box.dyMax, fy[i])};
            }
            s.fineBoxes[f] = box;
            s.fineReady[f] = 1;
          }
          const OffsetBox& box = s.fineBoxes[f];
          if (!Inside(px, py, box.dxMin, box.dxMax, box.dyMin, box.dyMax, inputWidth_, inputHeight_)) continue;
          bool unused = false;
          const float score = Score(2, bytesAt, px, py, false, &unused);
          if (score > best3) {
            best3 = score;
            found = true;
            b3x = px;
            b3y = py;
            b3j = j;
            b3u = u;
            b3v = v;
          }
        }
      }
    }
    if (!found || !inBounds(b3u, b3v)) return true;
    if (b3x == cx && b3y == cy && b3j == cj) break;
    cx = b3x;
    cy = b3y;
    cj = b3j;
  }
  if (best3 < minScore_) return true;
  // The sampled score can rank a look-alike above the copy, and a climb in
  // steps of 4 can stop beside a narrow peak: the match is placed and scored
  // on every pattern pixel.
  const Refined m = Refine(s, b3x, b3y, angleOf(b3j));
  if (m.score < minScore_) return true;
  return Store(s, MatchRecord{m.x, m.y, m.angle, static_cast<float>(m.score)}, br);
}

bool CPatternMatch::InRegion(int x, int y) const {
  const float regionRad = static_cast<float>(searchRegion_.angle) * kDegToRad;
  const float sinA = std::sin(regionRad), cosA = std::cos(regionRad);
  const float dx = static_cast<float>(x) - static_cast<float>(searchRegion_.cx);
  const float dy = static_cast<float>(y) - static_cast<float>(searchRegion_.cy);
  const int u = static_cast<int>(cosA * dx + sinA * dy + static_cast<float>((searchRegion_.width - 1) * 0.5));
  const int v = static_cast<int>(cosA * dy - sinA * dx + static_cast<float>((searchRegion_.height - 1) * 0.5));
  const RegionBounds& b = regionBounds_;
  return u >= b.uMin && u <= b.uMax && v >= b.vMin && v <= b.vMax;
}

// Every counted pattern pixel turned by `degrees`, as byte offsets.
void CPatternMatch::TurnPattern(Scratch& s, int degrees) const {
  if (s.fullAngle == degrees) return;
  const float theta = static_cast<float>(degrees) * kDegToRad;
  const float sn = std::sin(theta), cs = std::cos(theta);
  const int bytes = inputBpp_ / 8;
  OffsetBox box{INT_MAX, INT_MIN, INT_MAX, INT_MIN};
  const size_t n = fullDx_.size();
  for (size_t i = 0; i < n; ++i) {
    const float dx = static_cast<float>(fullDx_[i]), dy = static_cast<float>(fullDy_[i]);
    const int fx = RoundHalfAway(dx * cs - dy * sn), fy = RoundHalfAway(dy * cs + dx * sn);
    // Within the frame's bytes (below 2^31) wherever a score reads them.
    s.fullBytes[i] = static_cast<int32_t>(fy * inputStride_ + static_cast<ptrdiff_t>(fx) * bytes);
    box = {std::min(box.dxMin, fx), std::max(box.dxMax, fx), std::min(box.dyMin, fy), std::max(box.dyMax, fy)};
  }
  s.fullBox = box;
  s.fullAngle = degrees;
}

namespace {

// Pearson's coefficient from integer sums over n pairs; 0 when either side is
// flat.
double Pearson(int64_t n, int64_t sv, int64_t svv, int64_t sp, int64_t spp, int64_t svp) {
  const double nn = static_cast<double>(n);
  const double vv = static_cast<double>(svv) - static_cast<double>(sv) * static_cast<double>(sv) / nn;
  const double pp = static_cast<double>(spp) - static_cast<double>(sp) * static_cast<double>(sp) / nn;
  const double vp = static_cast<double>(svp) - static_cast<double>(sv) * static_cast<double>(sp) / nn;
  if (!(vv > 0) || !(pp > 0)) return 0;
  return std::min(1.0, vp / std::sqrt(vv * pp));
}

}  // namespace

// The correlation of every pattern pixel, turned as s.fullBytes holds it, with
// the input around (x, y): grey, or the weakest of the three channels.
double CPatternMatch::FullScore(const Scratch& s, int x, int y) const {
  const size_t n = fullDx_.size();
  const uint8_t* base = inputData_ + y * inputStride_ + static_cast<ptrdiff_t>(x) * (inputBpp_ / 8);
  const int32_t* at = s.fullBytes.data();
  if (!colour()) {
    const uint8_t* p = fullValues_[0].data();
    int64_t sv = 0, svv = 0, svp = 0;
    // The depth is chosen once, outside the pixel loop.
    const auto sum = [&](auto valueAt) {
      for (size_t i = 0; i < n; ++i) {
        const int v = valueAt(base + at[i]);
        sv += v;
        svv += v * v;
        svp += v * p[i];
      }
    };
    if (inputBpp_ == 8) {
      sum([](const uint8_t* q) { return int{q[0]}; });
    } else {
      sum([](const uint8_t* q) { return (q[0] + q[1] + q[2]) / 3; });
    }
    return Pearson(static_cast<int64_t>(n), sv, svv, fullSums_[0], fullSquares_[0], svp);
  }
  double score = 1;
  for (int ch = 0; ch < 3; ++ch) {
    const uint8_t* p = fullValues_[ch].data();
    const int byte = inputBpp_ == 8 ? 0 : 2 - ch;  // R, G, B at bytes 2, 1, 0
    int64_t sv = 0, svv = 0, svp = 0;
    for (size_t i = 0; i < n; ++i) {
      const int v = base[at[i] + byte];
      sv += v;
      svv += v * v;
      svp += v * p[i];
    }
    score = std::min(score, Pearson(static_cast<int64_t>(n), sv, svv, fullSums_[ch], fullSquares_[ch], svp));
  }
  return score;
}

// From stage 3's best (x, y, angle in degrees): first every position within
// 2 px at that angle and a degree either side, then a climb over the
// neighbours by pixels and whole degrees, on the correlation of all pattern
// pixels, within 16 px of the start, inside the region and the allowed
// angles. The best place found is the match. Sampled scores
// of a smooth pattern leave stage 3 several pixels beside the peak, and
// stage 3's angles lie on a grid set by the coarse angle a climb happened to
// take; whole degrees give one answer whichever candidate arrives.
namespace {

// How far an angle lies from the coarse grid, then from 0.
std::pair<int, int> AngleKey(int angle, int coarseStep) {
  const int r = ((angle % coarseStep) + coarseStep) % coarseStep;
  return {std::min(r, coarseStep - r), std::abs(angle)};
}

}  // namespace

// One order for every climb: by score, and among equal scores (angles a small
// pattern cannot tell apart) the angle nearer the coarse grid, then the lower
// position, so that where a climb starts does not decide between them.
bool CPatternMatch::Better(const Refined& l, const Refined& r) const {
  if (l.score != r.score) return l.score > r.score;
  const auto kl = AngleKey(l.angle, coarseStep_), kr = AngleKey(r.angle, coarseStep_);
  if (kl != kr) return kl < kr;
  if (l.angle != r.angle) return l.angle < r.angle;
  return std::pair(l.y, l.x) < std::pair(r.y, r.x);
}

CPatternMatch::Refined CPatternMatch::Refine(Scratch& s, int x, int y, int angle) const {
  constexpr int kReach = 16;
  constexpr int kTurns = 16;  // angles whose places are remembered as tried
  uint8_t seen[2 * kReach + 1][2 * kReach + 1][2 * kTurns + 1] = {};
  const int lowest = std::min(angle, lower360_ - 360), highest = std::max(angle, upper_);
  Refined best{x, y, angle, -2};
  int cx = x, cy = y, ca = angle, radius = 2;
  for (;;) {
    for (int a = std::max(lowest, ca - 1); a <= std::min(highest, ca + 1); ++a) {
      bool turned = false;
      // Stage 3's fit test at this angle.
      const float theta = static_cast<float>(a) * kDegToRad;
      const float sn = std::sin(theta), cs = std::cos(theta);
      const float ev = std::fabs((patternWidth_ / 2) * sn) + std::fabs((patternHeight_ / 2) * cs);
      const float eh = std::fabs((patternWidth_ / 2) * cs) + std::fabs((patternHeight_ / 2) * sn);
      for (int py = cy - radius; py <= cy + radius; ++py) {
        for (int px = cx - radius; px <= cx + radius; ++px) {
          if (std::abs(px - x) > kReach || std::abs(py - y) > kReach) continue;
          // Further turns are tried again if met again: the climb still ends,
          // as every step is to a strictly better place.
          if (std::abs(a - angle) <= kTurns) {
            uint8_t& done = seen[py - y + kReach][px - x + kReach][a - angle + kTurns];
            if (done) continue;
            done = 1;
          }
          if (!(py + ev <= inputHeight_ - 1 && py - ev >= 0 && px + eh < inputWidth_ - 1 && px - eh >= 0)) continue;
          if (!InRegion(px, py)) continue;
          if (!turned) {
            TurnPattern(s, a);
            turned = true;
          }
          const OffsetBox& box = s.fullBox;
          if (!Inside(px, py, box.dxMin, box.dxMax, box.dyMin, box.dyMax, inputWidth_, inputHeight_)) continue;
          const Refined here{px, py, a, FullScore(s, px, py)};
          if (Better(here, best)) best = here;
        }
      }
    }
    if (best.x == cx && best.y == cy && best.angle == ca) break;
    cx = best.x;
    cy = best.y;
    ca = best.angle;
    radius = 1;
  }
  return best;
}

// Records nearer each other than a quarter of the pattern's diagonal are one
// match.
int64_t CPatternMatch::MergeReach2() const {
  return (int64_t{patternWidth_} * patternWidth_ + int64_t{patternHeight_} * patternHeight_) / 16;
}

bool MatchTable::Add(const MatchRecord& m, int64_t nearLimit) {
  if (full()) return false;
  const auto near = [&](const MatchRecord& r) {
    const int64_t dx = r.x - m.x, dy = r.y - m.y;
    return dx * dx + dy * dy < nearLimit;
  };
  for (int i = 0; i < count; ++i) {
    if (near(records[i]) && !(records[i].score < m.score)) return false;
  }
  int slot = -1, kept = 0;
  for (int i = 0; i < count; ++i) {
    if (near(records[i])) {
      if (slot >= 0) continue;
      slot = kept;
      records[kept++] = m;
    } else {
      records[kept++] = records[i];
    }
  }
  count = kept;
  if (slot >= 0) return false;
  records[count++] = m;
  return true;
}

// False when the band's table is full: the band stops.
bool CPatternMatch::Store(Scratch& s, const MatchRecord& m, int coarseIndex) {
  if (s.found->full()) return false;
  if (s.found->Add(m, MergeReach2())) MarkSurroundings(s, m, coarseIndex);
  return !s.found->full();
}

// The match's own neighbourhood is not searched again at its coarse angle, and
// a small core around it at no angle. The one-angle pass reaches no further
// than storing merges: a distinct match beside a weaker one found first is
// still searched.
void CPatternMatch::MarkSurroundings(Scratch& s, const MatchRecord& m, int coarseIndex) {
  const int side = std::min(patternWidth_, patternHeight_);
  const int64_t reach2 = MergeReach2();
  MarkRecord one{&s.marks, inputWidth_, inputHeight_, coarseIndex, coarseIndex, m.x, m.y, reach2};
  const double span = 2 * std::ceil(std::sqrt(static_cast<double>(reach2)));
  const TRectangularRegion around{static_cast<double>(m.x), static_cast<double>(m.y), span, span,
                                  static_cast<double>(m.angle)};
  if (reach2 > 0) ScanRectangularRegion(inputFrame_, &around, 1, &one, MarkVisited);
  MarkRecord all{&s.marks, inputWidth_, inputHeight_, 0, angleCount() - 1};
  const double core = side / (10.0 * speed_ + 0.5);
  const TRectangularRegion centre{static_cast<double>(m.x), static_cast<double>(m.y), core, core,
                                  static_cast<double>(m.angle)};
  ScanRectangularRegion(inputFrame_, &centre, 1, &all, MarkVisited);
}

}  // namespace kelmar
