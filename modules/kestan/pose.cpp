#include "pose.h"

#include <algorithm>
#include <cmath>

namespace kestan {
namespace {

// Two pairs agree on a first guess of the pose when their sizes differ by at
// most this factor, their turns by at most kTurnAgreement degrees, and the
// centres they predict lie within this fraction of the object's diagonal (at
// the smaller pair's scale). A group of agreeing pairs seeds a fit.
constexpr double kScaleAgreement = 1.5;
constexpr double kTurnAgreement = 30.0;
constexpr double kAgreement = 0.25;
constexpr double kLeastAgreement = 4.0;  // pixels, for a reference without size
// The pairs tried as seeds; more pairs than this are sampled at even steps,
// which bounds the cost for crowded frames.
constexpr size_t kMostSeeds = 1024;
constexpr int kRefits = 4;

// A pair fits the pose when the saved keypoint lands within this many pixels
// of the scene keypoint, or this fraction of the object's scaled diagonal:
// wide enough for the detector's placing at the pair's size.
constexpr double kLeastResidual = 3.0;
constexpr double kResidual = 0.04;

// Pairs that fit must spread across the object in both directions: across
// the line that best fits their saved places by this fraction of the
// object's narrower side, and by the fit's tolerance.
constexpr double kSpread = 0.05;

// Keypoints along one straight edge share the edge's axis as orientation
// (either way along it) and lie in a band along it, a band as wide as the
// keypoints are large: pairs whose saved keypoints are all turned along one
// axis pin a pose down only when they spread across this fraction of the
// object's narrower side, and never when they are two. The mean of the
// doubled orientations has length 1 for one axis and cos d for two axes d
// apart; at cos 8 degrees or more they count as one (edge keypoints agree
// to a degree or two; unrelated ones fall within 8 degrees one time in 11).
constexpr double kOneAxis = 0.9902681;
constexpr double kOneAxisSpread = 0.3;

// Two pairs pin a pose down only when each one's own turn and size ratio
// agree with the pose that their places give and their saved keypoints lie
// apart. Keypoint sizes come in steps, hence the loose size agreement.
constexpr double kTwoTurn = 6.0;
constexpr double kTwoScale = 1.3;
constexpr double kTwoApart = 0.15;

constexpr double kDegrees = 57.29577951308232;

// The difference of two turns in degrees, 0 to 180.
double TurnApart(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 360.0);
  return d > 180.0 ? 360.0 - d : d;
}

bool Agree(const PosePair& a, const PosePair& b, double diagonal) {
  const double small = std::min(a.scale, b.scale), large = std::max(a.scale, b.scale);
  if (!(large <= small * kScaleAgreement) || !(TurnApart(a.turn, b.turn) <= kTurnAgreement)) return false;
  return std::hypot(a.centreX - b.centreX, a.centreY - b.centreY) <=
         std::max(kAgreement * diagonal * small, kLeastAgreement);
}

// The pose that one pair predicts on its own.
SimilarityFit OwnPose(const PosePair& p, const Reference& ref) {
  SimilarityFit s;
  const double t = p.turn / kDegrees;
  s.a = p.scale * std::cos(t);
  s.b = p.scale * std::sin(t);
  s.tx = p.centreX - (s.a * ref.cx - s.b * ref.cy);
  s.ty = p.centreY - (s.b * ref.cx + s.a * ref.cy);
  return s;
}

double Tolerance(const SimilarityFit& s, const Reference& ref) {
  return std::max(kLeastResidual, kResidual * s.Scale() * ref.Diagonal());
}

std::vector<size_t> Fitting(const std::vector<PosePair>& pairs, const SimilarityFit& s, const Reference& ref) {
  const double tol = Tolerance(s, ref);
  std::vector<size_t> out;
  for (size_t j = 0; j < pairs.size(); ++j) {
    double x = 0, y = 0;
    s.Apply(pairs[j].savedX, pairs[j].savedY, &x, &y);
    if (std::hypot(x - pairs[j].x, y - pairs[j].y) <= tol) out.push_back(j);
  }
  return out;
}

bool TwoPinDown(const PosePair& p, const PosePair& q, const SimilarityFit& fit, const Reference& ref) {
  const double scale = fit.Scale(), turn = fit.TurnDegrees();
  for (const PosePair* e : {&p, &q}) {
    const double small = std::min(scale, e->scale), large = std::max(scale, e->scale);
    if (!(large <= small * kTwoScale) || !(TurnApart(e->turn, turn) <= kTwoTurn)) return false;
  }
  return std::hypot(p.savedX - q.savedX, p.savedY - q.savedY) >= std::max(2 * kLeastResidual, kTwoApart * ref.Diagonal());
}

bool OnOneAxis(const std::vector<PosePair>& pairs, const std::vector<size_t>& chosen) {
  double c = 0, s = 0;
  for (size_t i : chosen) {
    c += std::cos(2 * pairs[i].savedOrientation);
    s += std::sin(2 * pairs[i].savedOrientation);
  }
  return !(std::hypot(c, s) < kOneAxis * static_cast<double>(chosen.size()));
}

}  // namespace

double SimilarityFit::Scale() const { return std::hypot(a, b); }
double SimilarityFit::TurnDegrees() const { return std::atan2(b, a) * kDegrees; }
void SimilarityFit::Apply(double x, double y, double* outX, double* outY) const {
  *outX = a * x - b * y + tx;
  *outY = b * x + a * y + ty;
}

double Reference::Diagonal() const { return std::hypot(width, height); }

bool FitSimilarity(const std::vector<PosePair>& pairs, const std::vector<size_t>& chosen, SimilarityFit& out) {
  if (chosen.size() < 2) return false;
  double sx = 0, sy = 0, kx = 0, ky = 0;
  for (size_t i : chosen) {
    sx += pairs[i].savedX;
    sy += pairs[i].savedY;
    kx += pairs[i].x;
    ky += pairs[i].y;
  }
  const double n = static_cast<double>(chosen.size());
  sx /= n, sy /= n, kx /= n, ky /= n;
  double spread = 0, dot = 0, cross = 0;
  for (size_t i : chosen) {
    const double px = pairs[i].savedX - sx, py = pairs[i].savedY - sy;
    const double qx = pairs[i].x - kx, qy = pairs[i].y - ky;
    spread += px * px + py * py;
    dot += px * qx + py * qy;
    cross += px * qy - py * qx;
  }
  if (!(spread > 1e-6) || !std::isfinite(dot) || !std::isfinite(cross)) return false;
  out.a = dot / spread;
  out.b = cross / spread;
  out.tx = kx - (out.a * sx - out.b * sy);
  out.ty = ky - (out.b * sx + out.a * sy);
  return out.Scale() > 0;
}

bool PinsDown(const std::vector<PosePair>& pairs, const std::vector<size_t>& chosen, const SimilarityFit& fit,
              const Reference& ref, int required, bool orientations) {
  const size_t n = chosen.size();
  if (n < 2 || n <= static_cast<size_t>(std::max(required, 0))) return false;
  const bool oneAxis = orientations && OnOneAxis(pairs, chosen);
  // Without orientations (all 0) two pairs cannot confirm the turn.
  if (n == 2) return orientations && !oneAxis && TwoPinDown(pairs[chosen[0]], pairs[chosen[1]], fit, ref);
  double mx = 0, my = 0;
  for (size_t i : chosen) {
    mx += pairs[i].savedX / static_cast<double>(n);
    my += pairs[i].savedY / static_cast<double>(n);
  }
  double xx = 0, yy = 0, xy = 0;
  for (size_t i : chosen) {
    const double dx = pairs[i].savedX - mx, dy = pairs[i].savedY - my;
    xx += dx * dx;
    yy += dy * dy;
    xy += dx * dy;
  }
  // Across the line of best fit through the saved places.
  const double along = 0.5 * std::atan2(2 * xy, xx - yy);
  const double ux = -std::sin(along), uy = std::cos(along);
  double lo = 0, hi = 0;
  for (size_t i : chosen) {
    const double d = (pairs[i].savedX - mx) * ux + (pairs[i].savedY - my) * uy;
    lo = std::min(lo, d);
    hi = std::max(hi, d);
  }
  const double narrower = std::min(ref.width, ref.height);
  const double least = std::max({kLeastResidual, (oneAxis ? kOneAxisSpread : kSpread) * narrower,
                                 Tolerance(fit, ref) / std::max(fit.Scale(), 1e-9)});
  return hi - lo >= least;
}

std::vector<size_t> VerifiedPairs(const std::vector<PosePair>& pairs, const Reference& ref, int required,
                                  bool orientations, SimilarityFit& fit) {
  const size_t m = pairs.size();
  std::vector<size_t> best;
  if (m < 2) return best;
  const double diagonal = ref.Diagonal();
  const size_t step = (m + kMostSeeds - 1) / kMostSeeds;
  std::vector<size_t> group;
  for (size_t i = 0; i < m; i += step) {
    group.clear();
    for (size_t j = 0; j < m; ++j) {
      if (Agree(pairs[i], pairs[j], diagonal)) group.push_back(j);
    }
    // A pair whose pose is not a number agrees with nothing, itself included.
    if (group.empty()) continue;
    SimilarityFit s;
    if (!FitSimilarity(pairs, group, s)) s = OwnPose(pairs[i], ref);
    std::vector<size_t> fitting = Fitting(pairs, s, ref);
    for (int r = 0; r < kRefits; ++r) {
      SimilarityFit refit;
      if (!FitSimilarity(pairs, fitting, refit)) break;
      std::vector<size_t> again = Fitting(pairs, refit, ref);
      s = refit;
      if (again == fitting) break;
      fitting = std::move(again);
    }
    if (fitting.size() <= best.size()) continue;
    SimilarityFit refit;
    if (!FitSimilarity(pairs, fitting, refit) || !PinsDown(pairs, fitting, refit, ref, required, orientations)) continue;
    best = fitting;
    fit = refit;
  }
  return best;
}

}  // namespace kestan
