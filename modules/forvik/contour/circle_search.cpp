// Single precision throughout, as the search has always run: the windows
// and limits below are tuned to it.
#include "contour/circle_search.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace forvik {

namespace {

constexpr int kWindow = 8;  // points of a window, and bisectors of its chords

// Intersection pairs of a window's 8 bisectors.
constexpr int kWindowPairs[8][2] = {{7, 4}, {7, 3}, {6, 3}, {6, 2}, {5, 2}, {5, 1}, {4, 1}, {4, 0}};

float LevelOffset(int step) {
  switch (step) {
    case 8: return 0.25f;
    case 16: return 0.5f;
    case 32: return 0.75f;
    default: return 0.0f;
  }
}

bool Missing(float x, float y) { return x == -1.0f && y == -1.0f; }

struct Centre {
  float sumX = 0, sumY = 0;
  int count = 0;
  void add(float x, float y) { sumX += x, sumY += y, ++count; }
  float x() const { return sumX / static_cast<float>(count); }
  float y() const { return sumY / static_cast<float>(count); }
};

class ArcFinder {
 public:
  ArcFinder(const PointList& sub, PointList* main, const ArcSearch& s, std::vector<CircleCandidate>& candidates,
            std::vector<LineEq>& bisectors)
      : sub_(sub),
        main_(main),
        s_(s),
        n_(sub.size()),
        candidates_(candidates),
        firstAdded_(static_cast<int>(candidates.size())),
        bisectors_(bisectors) {}

  void run() {
    bisectors_.clear();
    int i = 0, loopEnd = n_ - 1;
    bool closed = s_.closed;
    while (i <= loopEnd) {
      bool failed = false;
      if (!arcOpen_) {
        if (bisectors_.empty()) start_ = i;
        if (!addBisector(i, i + 3) || !addBisector(i, i + 4)) {
          bisectors_.clear();
          ++i;
          continue;
        }
        ++i;
        if (static_cast<int>(bisectors_.size()) < kWindow) continue;
        if (openWindow()) {
          growIndex_ = i;
          growLong_ = false;
          continue;
        }
        bisectors_.clear();
        failed = true;
        i = start_ + 1;
      } else {
        if (grow()) {
          if (growLong_) ++growIndex_;
          growLong_ = !growLong_;
          i = growIndex_;
          continue;
        }
        failed = true;
        register_(start_, end_, centreX_, centreY_, radius_);
        arcOpen_ = false;
        bisectors_.clear();
        i = growIndex_;
      }
      if (failed) {
        if (!s_.arcs) {
          candidates_.resize(static_cast<size_t>(firstAdded_));  // this call adds no circle
          return;
        }
        if (closed) {
          loopEnd = i + n_ - 1;
          closed = false;
        }
      }
    }
    if (arcOpen_) finishOpenArc();
  }

 private:
  int wrap(int k) const { return ((k % n_) + n_) % n_; }
  float x(int k) const { return sub_.xs[static_cast<size_t>(wrap(k))]; }
  float y(int k) const { return sub_.ys[static_cast<size_t>(wrap(k))]; }

  bool addBisector(int p, int q) {
    if (Missing(x(p), y(p)) || Missing(x(q), y(q))) return false;
    LineEq l;
    if (!PerpendicularBisector(x(p), y(p), x(q), y(q), &l)) return false;
    bisectors_.push_back(l);
    return true;
  }

  void intersect(int a, int b, Centre& c) const {
    float px, py;
    if (IntersectLines(bisectors_[static_cast<size_t>(a)], bisectors_[static_cast<size_t>(b)], &px, &py)) c.add(px, py);
  }

  // Points first..last (unwrapped) around (cx, cy): each strictly inside the
  // radius range, and the spread of their distances within the limit.
  bool fits(int first, int last, float cx, float cy, float* radius) const {
    const int count = last - first + 1;
    float sum = 0;
    for (int k = first; k <= last; ++k) {
      const float d = std::sqrt((x(k) - cx) * (x(k) - cx) + (y(k) - cy) * (y(k) - cy));
      if (!(d > s_.minRadius && d < s_.maxRadius)) return false;
      sum += d;
    }
    const float r = sum / static_cast<float>(count);
    float sq = 0;
    for (int k = first; k <= last; ++k) {
      const float d = std::sqrt((x(k) - cx) * (x(k) - cx) + (y(k) - cy) * (y(k) - cy));
      sq += (r - d) * (r - d);
    }
    const float limit =
        s_.tolerance + LevelOffset(s_.step) + 0.5f * (r - s_.minRadius) / (s_.maxRadius - s_.minRadius);
    if (!(std::sqrt(sq / static_cast<float>(count)) <= limit)) return false;
    *radius = r;
    return true;
  }

  bool openWindow() {
    Centre c;
    for (const auto& pair : kWindowPairs) intersect(pair[0], pair[1], c);
    float r;
    if (c.count == 0 || !fits(start_, start_ + kWindow - 1, c.x(), c.y(), &r)) return false;
    centre_ = c;
    arcOpen_ = true;
    end_ = start_ + kWindow - 1;
    centreX_ = c.x(), centreY_ = c.y(), radius_ = r;
    return true;
  }

  // One growth chord: from the current index to the point 3 or 4 further.
  bool grow() {
    const int far = growIndex_ + (growLong_ ? 4 : 3);
    if (!addBisector(growIndex_, far)) return false;
    const int k = static_cast<int>(bisectors_.size()) - 1;
    intersect(k, k - 3, centre_);
    intersect(k, k - 4, centre_);
    float r;
    if (!fits(start_, far, centre_.x(), centre_.y(), &r)) return false;
    end_ = far;
    centreX_ = centre_.x(), centreY_ = centre_.y(), radius_ = r;
    return true;
  }

  int score(int first, int last, float r) const {
    return static_cast<int>(static_cast<float>((last - first + 1) * s_.step) * 1000.0f /
                            (2.0f * std::numbers::pi_v<float> * r));
  }

  // Main-list points first*step/2 + 3 .. last*step/2 - 3, wrapping.
  void removeCovered(int first, int last) {
    if (!main_ || main_->size() == 0) return;
    const int m = main_->size();
    for (int k = first * s_.step / 2 + 3; k <= last * s_.step / 2 - 3; ++k) {
      const size_t at = static_cast<size_t>(((k % m) + m) % m);
      main_->xs[at] = -1.0f;
      main_->ys[at] = -1.0f;
    }
  }

  void register_(int first, int last, float cx, float cy, float r) {
    const int sc = score(first, last, r);
    if (sc <= s_.minScore) return;
    if (first == 0 && headArc_ < 0) headArc_ = static_cast<int>(candidates_.size());
    candidates_.push_back({cx, cy, r, 0.0f, sc});
    removeCovered(first, last);
  }

  // An arc still open when the loop ends: when its covered points reach
  // round to the head of the main list, it continues the arc that began the
  // list and joins it; only an arc of this call that started at the list's
  // head is that arc (any other would be a different circle).
  void finishOpenArc() {
    removeCovered(start_, end_);
    const bool headRemoved = main_ && main_->size() > 0 && Missing(main_->xs[0], main_->ys[0]);
    if (!headRemoved || headArc_ < 0) {
      const int sc = start_ == 0 ? 1000 : score(start_, end_, radius_);
      if (sc > s_.minScore) candidates_.push_back({centreX_, centreY_, radius_, 0.0f, sc});
      return;
    }
    CircleCandidate& first = candidates_[static_cast<size_t>(headArc_)];
    first.x = (first.x + centreX_) / 2;
    first.y = (first.y + centreY_) / 2;
    first.radius = (first.radius + radius_) / 2;
    first.score = (score(start_, end_, radius_) + first.score) / 2;
  }

  const PointList& sub_;
  PointList* main_;
  const ArcSearch& s_;
  const int n_;
  std::vector<CircleCandidate>& candidates_;
  const int firstAdded_;
  std::vector<LineEq>& bisectors_;

  bool arcOpen_ = false;
  int headArc_ = -1;  // candidate of the arc that started at index 0
  int start_ = 0, end_ = 0;
  int growIndex_ = 0;
  bool growLong_ = false;
  Centre centre_;
  float centreX_ = 0, centreY_ = 0, radius_ = 0;
};

}  // namespace

void FindContourCircles(const PointList& sub, PointList* main, const ArcSearch& search,
                        std::vector<CircleCandidate>& candidates, std::vector<LineEq>& bisectors) {
  if (sub.size() <= 1) return;
  ArcFinder(sub, main, search, candidates, bisectors).run();
}

int MergeDuplicateCircles(std::vector<CircleCandidate>& c, int lastIndex, bool strict) {
  if (lastIndex < 0) return -1;
  const auto removed = [](const CircleCandidate& k) { return k.radius == -1.0f; };
  for (int i = 0; i <= lastIndex; ++i) {
    for (int j = i + 1; j <= lastIndex; ++j) {
      CircleCandidate& a = c[static_cast<size_t>(i)];
      CircleCandidate& b = c[static_cast<size_t>(j)];
      if (removed(a) || removed(b)) continue;
      const float d = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
      if (!(a.radius - d > 0 && b.radius - d > 0)) continue;
      if (strict && !(std::fabs(1 - (a.radius - d) / b.radius) < 0.3f &&
                      std::fabs(1 - (b.radius - d) / a.radius) < 0.3f))
        continue;
      a.x = (a.x + b.x) / 2;
      a.y = (a.y + b.y) / 2;
      a.radius = (a.radius + b.radius) / 2;
      a.score = (a.score + b.score) / 2;
      b = {-1.0f, -1.0f, -1.0f, b.quality, -1};
    }
  }
  for (int k = 0; k <= lastIndex; ++k) {
    int best = -1;
    for (int m = k + 1; m <= lastIndex; ++m) {
      const int bar = best < 0 ? c[static_cast<size_t>(k)].score : c[static_cast<size_t>(best)].score;
      if (c[static_cast<size_t>(m)].score > bar) best = m;
    }
    if (best >= 0) std::swap(c[static_cast<size_t>(k)], c[static_cast<size_t>(best)]);
  }
  for (int k = lastIndex; k >= 0; --k) {
    if (!removed(c[static_cast<size_t>(k)])) return k;
  }
  return -1;
}

}  // namespace forvik
