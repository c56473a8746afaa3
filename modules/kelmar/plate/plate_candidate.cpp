// A candidate plate from its lower border on: the walk along it to both
// sides, the side fits, the upper corners, the geometry gate, and under the
// lock the threshold, trims, blobs and characters.
#include <algorithm>
#include <cmath>
#include <limits>

#include "frame/image_stats.h"
#include "plate/plate_edges.h"
#include "plate/plate_fit.h"
#include "plate/plate_search.h"
#include "talvix.h"

namespace kelmar::plate {
namespace {

constexpr double kDegree = M_PI / 180;

struct Point {
  int x = 0, y = 0;
};

struct StepList {
  int v[kStepsPerLine] = {};
  int n = 0;
  void add(int x) {
    if (n < kStepsPerLine) v[n++] = x;
  }
};

// The combination of one value per list closest to its own mean: the first
// of smallest root-mean-square deviation.
struct FlatPick {
  bool ok = false;
  double rms = std::numeric_limits<double>::infinity();
  double mean = 0;
  int v[4] = {};
};

FlatPick BestFlat(const StepList (&lists)[4]) {
  FlatPick best;
  for (int i = 0; i < 4; ++i)
    if (lists[i].n == 0) return best;
  for (int a = 0; a < lists[0].n; ++a)
    for (int b = 0; b < lists[1].n; ++b)
      for (int c = 0; c < lists[2].n; ++c)
        for (int d = 0; d < lists[3].n; ++d) {
          const int v[4] = {lists[0].v[a], lists[1].v[b], lists[2].v[c], lists[3].v[d]};
          const double mean = (v[0] + v[1] + v[2] + v[3]) / 4.0;
          double sq = 0;
          for (int k = 0; k < 4; ++k) sq += (v[k] - mean) * (v[k] - mean);
          const double rms = std::sqrt(sq / 4);
          if (rms < best.rms) {
            best.ok = true;
            best.rms = rms;
            best.mean = mean;
            std::copy(v, v + 4, best.v);
          }
        }
  return best;
}

EdgeResponse SideResponse(int dir) { return dir < 0 ? EdgeResponseRight : EdgeResponseLeft; }

class Candidate {
 public:
  Candidate(PlateSearch& s, WorkerBuffers& b, const BorderLine& lower, int mid) : s_(s), b_(b), lower_(lower), mid_(mid) {}
  bool Check();

 private:
  struct Side {
    bool ok = false;
    Point lower, upper;
    double slope = 0;  // outward columns per 6 rows
    double angle = 0;  // degrees, the side's angle less 90
  };

  // Falling steps of the sampled line: fn(j).
  template <class Fn>
  void ForSteps(Fn&& fn) const {
    for (int j = 1; j + 2 < b_.count; ++j)
      if (FallingStep(b_.samples.data(), b_.count, j, mid_)) fn(j);
  }
  int NearestRowStep(double predicted, int* row);
  bool SearchSide(Point at, int dir, double slope, int extent, bool lenient, int* s);
  bool WalkLowerBorder(int dir, Side* side);
  bool FitSide(int dir, Side* side);
  int SideStep(Point corner, int dir, double slope, int row, int* column);
  bool FindUpperCorner(int dir, Side* side);
  bool Accept(const Side& left, const Side& right);

  PlateSearch& s_;
  WorkerBuffers& b_;
  BorderLine lower_;
  int mid_;
};

// The falling step of a vertical sample line nearest the predicted row,
// refined downwards when the sample after it is still light: its distance.
int Candidate::NearestRowStep(double predicted, int* row) {
  double best = std::numeric_limits<double>::infinity();
  ForSteps([&](int j) {
    int x = b_.xs[j], y = b_.ys[j];
    if (b_.samples[j + 1] > mid_) ClimbResponse(s_.frame, EdgeResponseUp, 0, 1, &x, &y);
    if (std::fabs(y - predicted) < best) {
      best = std::fabs(y - predicted);
      *row = y;
    }
  });
  return best < 5 ? 1 : 0;
}

// Four lines 7 rows apart from 1 row above the border point, parallel to the
// border, from 2 pixels inside to `extent` outside: their falling steps
// agree on a side. *s: the mean position from the lines' starts.
bool Candidate::SearchSide(Point at, int dir, double slope, int extent, bool lenient, int* s) {
  StepList lists[4];
  const int sx = at.x - 2 * dir, ex = at.x + extent * dir;
  for (int i = 0; i < 4; ++i) {
    const double sy = at.y - 1 - 7 * i;
    SampleLine(s_, b_, sx, sy, ex, sy + (ex - sx) * slope / 20);
    ForSteps([&](int j) {
      int x = b_.xs[j], y = b_.ys[j];
      if (b_.samples[j + 1] > 0.7 * mid_) ClimbResponse(s_.frame, SideResponse(dir), dir, 0, &x, &y);
      lists[i].add(std::abs(x - sx));
    });
  }
  const FlatPick f = BestFlat(lists);
  if (!f.ok) return false;
  const bool taken = f.rms < 1.0 || (lenient && f.rms < 1.5 && std::fabs((f.v[0] + f.v[3]) / 2.0 - f.mean) <= 1 &&
                                     std::fabs((f.v[1] + f.v[2]) / 2.0 - f.mean) <= 1);
  if (taken) *s = static_cast<int>(std::trunc(f.mean));
  return taken;
}

// Follows the lower border outwards to the side's lower corner; false when
// the plate's end lies past the frame or the region.
bool Candidate::WalkLowerBorder(int dir, Side* side) {
  const frame::FrameRows& f = s_.frame;
  const int base = lower_.baseRow;
  double slope = lower_.slope;
  Point last{lower_.x, lower_.row};
  for (int k = 1;; ++k) {
    if (s_.Stopped(b_.index)) return false;
    const int x = lower_.x + dir * 20 * k;
    if (x < 1 || x > f.width - 2) break;
    const double predicted = lower_.row + dir * k * slope;
    SampleLine(s_, b_, x, base - 20, x, base + 20);
    int row = 0;
    if (!NearestRowStep(predicted, &row)) break;
    if (k > 4) slope += dir * (row - predicted) / k;
    last = {x, row};
    int pos = 0;
    if (SearchSide(last, dir, slope, 25, true, &pos)) {
      side->lower = {x + dir * (pos - 2), row};
      return true;
    }
  }
  // On in steps of 6 columns with the slope of the walk. A walk that runs
  // out of the frame or the region before the side shows has lost the
  // plate's end there: what it took would be read as the whole plate.
  Point taken{last.x - dir * 6, last.y};
  for (int k = 1;; ++k) {
    const int x = last.x + dir * 6 * k;
    if (x < 1 || x > f.width - 2) return false;
    const double predicted = lower_.row + (x - lower_.x) * slope / 20;
    SampleLine(s_, b_, x, base - 20, x, base + 20);
    if (b_.count == 0) return false;
    int row = 0;
    if (!NearestRowStep(predicted, &row)) break;
    taken = {x, row};
    int pos = 0;
    if (SearchSide(taken, dir, slope, 8, false, &pos)) break;
  }
  side->lower = taken;
  return true;
}

// The side's course from five horizontal lines above the lower corner; the
// corner moves out onto it.
bool Candidate::FitSide(int dir, Side* side) {
  const Point c = side->lower;
  for (int higher : {0, 3}) {
    FitLine lines[5];
    const int heights[5] = {28, 22, 16, 10, 4};
    for (int i = 0; i < 5; ++i) {
      const int row = c.y - heights[i] - higher;
      SampleLine(s_, b_, c.x - 10 * dir, row, c.x + 10 * dir, row);
      ForSteps([&](int j) {
        int x = b_.xs[j], y = b_.ys[j];
        ClimbResponse(s_.frame, SideResponse(dir), dir, 0, &x, &y);
        lines[i].add(dir * (x - c.x));
      });
      lines[i].close();
    }
    const FitChoice fit = BestFiveLineFit(lines, true);
    const int* v = fit.pick;
    auto present = [&](std::initializer_list<int> need) {
      for (int i : need)
        if (!fit.present(i)) return false;
      return true;
    };
    // Positions count outwards on both sides; the angle is taken in frame
    // columns, so that both sides measure the same slant.
    auto angle = [&](double rise, int top, int bottom) {
      return std::atan2(rise, dir < 0 ? top - bottom : bottom - top) / kDegree - 90;
    };
    double slope = 0, offset = 0, deg = 0;
    bool ok = false;
    if (fit.score == 10) {
      ok = present({0, 2, 4});
      if (ok) slope = (v[4] - v[0]) / 4.0, offset = (v[0] + v[2] + v[4]) / 3.0, deg = angle(24, v[0], v[4]);
    } else if (fit.score >= 4) {
      switch (DroppedLine(fit)) {
        case -1:
          return false;
        case 0:
          ok = present({1, 2, 3, 4});
          if (ok) slope = (v[4] - v[1]) / 3.0, offset = (v[1] + v[2] + v[3]) / 3.0, deg = angle(18, v[1], v[4]);
          break;
        case 1:
        case 3:
          ok = present({0, 2, 4});
          if (ok) slope = (v[4] - v[0]) / 4.0, offset = (v[0] + v[2] + v[4]) / 3.0, deg = angle(24, v[0], v[4]);
          break;
        case 2:
          ok = present({0, 4});
          if (ok) slope = (v[4] - v[0]) / 4.0, offset = (v[0] + v[4]) / 2.0, deg = angle(24, v[0], v[4]);
          break;
        default:
          ok = present({0, 1, 2, 3});
          if (ok) slope = (v[3] - v[0]) / 3.0, offset = (v[1] + v[2] + v[3]) / 3.0, deg = angle(18, v[0], v[3]);
          break;
      }
    }
    if (!ok) continue;
    side->slope = slope;
    side->angle = deg;
    side->lower.x += dir * static_cast<int>(std::trunc(offset));
    return true;
  }
  return false;
}

// The side step of a horizontal line over the 21 columns about the corner
// nearest where the side's slope puts it at `row`; 1 when within 4.5 pixels.
int Candidate::SideStep(Point corner, int dir, double slope, int row, int* column) {
  SampleLine(s_, b_, corner.x - 10 * dir, row, corner.x + 10 * dir, row);
  const double predicted = corner.x - dir * (corner.y - row) * slope / 6;
  double best = std::numeric_limits<double>::infinity();
  ForSteps([&](int j) {
    int x = b_.xs[j], y = b_.ys[j];
    ClimbResponse(s_.frame, SideResponse(dir), dir, 0, &x, &y);
    if (std::fabs(x - predicted) < best) {
      best = std::fabs(x - predicted);
      *column = x;
    }
  });
  return best < 4.5 ? 1 : 0;
}

// False when the side climbs out of the frame or the region before the
// upper border shows: the plate's top is cut off there, and characters cut
// with it read as others.
bool Candidate::FindUpperCorner(int dir, Side* side) {
  const Point c = side->lower;
  side->upper = c;
  for (int height = 26;; height += 6) {
    if (s_.Stopped(b_.index)) return false;
    const int row = c.y - height;
    if (row < 1) return false;
    int column = 0;
    if (!SideStep(c, dir, side->slope, row, &column)) {
      if (b_.count < 21) return false;  // the line left the region
      break;
    }
    side->upper = {column, row};
    // Four vertical lines just inside the side: the upper border's steps.
    StepList lists[4];
    for (int i = 0; i < 4; ++i) {
      const int x = column - dir * (3 + 4 * i);
      SampleLine(s_, b_, x, row + 6, x, row - 6);
      ForSteps([&](int j) {
        int px = b_.xs[j], py = b_.ys[j];
        ClimbResponse(s_.frame, EdgeResponseDown, 0, -1, &px, &py);
        lists[i].add(py);
      });
    }
    const FlatPick f = BestFlat(lists);
    if (f.ok && f.rms < 1.0) break;
  }
  const Point from = side->upper;
  for (int up = 4; from.y - up >= 1; up += 4) {
    int column = 0;
    if (!SideStep(c, dir, side->slope, from.y - up, &column)) break;
    side->upper = {column, from.y - up};
  }
  return true;
}

bool Candidate::Check() {
  Side left, right;
  if (!WalkLowerBorder(-1, &left) || !WalkLowerBorder(1, &right)) return false;
  if (!FitSide(-1, &left) || !FitSide(1, &right)) return false;
  if (!FindUpperCorner(-1, &left) || !FindUpperCorner(1, &right)) return false;
  return Accept(left, right);
}

bool Candidate::Accept(const Side& left, const Side& right) {
  const int corners[8] = {left.lower.x, left.lower.y, right.lower.x, right.lower.y,
                          left.upper.x, left.upper.y, right.upper.x, right.upper.y};
  const PlateGate gate = GatePlate(corners, left.angle, right.angle);
  if (!gate.ok) return false;
  return AcceptPlate(s_, b_.index, corners, gate);
}

}  // namespace

PlateGate GatePlate(const int (&corners)[8], double leftAngle, double rightAngle) {
  PlateGate g;
  const int xA = corners[0], yA = corners[1], xB = corners[2], yB = corners[3];
  const int xC = corners[4], yC = corners[5], xD = corners[6], yD = corners[7];
  if (std::abs(xA - xB - xC + xD) > 25 || std::abs(yA - yB - yC + yD) > 25) return g;
  g.width = static_cast<float>(0.97 * std::hypot(xB - xA, yB - yA));
  if (yA - yC > yB - yD) {
    g.height = static_cast<float>(std::hypot(xC - xA, yC - yA) + 3);
    g.cx = static_cast<float>((xB + xC) / 2);
    g.cy = static_cast<float>((yB + yC) / 2);
  } else {
    g.height = static_cast<float>(std::hypot(xD - xB, yD - yB) + 3);
    g.cx = static_cast<float>((xA + xD) / 2);
    g.cy = static_cast<float>((yA + yD) / 2);
  }
  if (g.height < 20 || g.height > 200 || g.width < 100 || g.width > 500 || g.width > 8 * g.height) return g;
  g.angle = static_cast<float>(std::trunc(std::atan2(yB - yA, xB - xA) / kDegree));
  const double l = std::trunc(leftAngle), r = std::trunc(rightAngle);
  double slant = std::fabs(l) <= std::fabs(r) ? l : r;
  const double apart = std::fabs(g.angle - slant);
  if (apart > 25) return g;
  if (apart > 10 && std::fabs(g.angle - 0.8 * slant) < apart) slant *= 0.8;
  g.slant = static_cast<float>(slant);
  g.ok = true;
  return g;
}

bool CheckPlateCandidate(PlateSearch& search, WorkerBuffers& buffers, const BorderLine& lower, int midLevel) {
  return Candidate(search, buffers, lower, midLevel).Check();
}

}  // namespace kelmar::plate
