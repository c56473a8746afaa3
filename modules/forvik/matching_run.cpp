// Geometric matching: a pattern found in the input frame through triangle
// features of contour corners and circles, under rotation and scale.
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "frame/input_params.h"
#include "run_io.h"
#include "shapes_main.h"

namespace forvik {

namespace {

constexpr double kGradientScale = 360.62445840513925;  // the largest edge contrast, 255 x sqrt(2)
constexpr float kAngleTolerance = 0.15f;

struct Inputs {
  const TRectangularRegion* region = nullptr;
  CGeometricMatching::ModelKey key;
  int hCamera = 1, vCamera = 1;
  double precision = 0.01;
  double lower = 1.0;
  TPoint bias{0, 0};
  bool show = true;
  int maxResults = 1;
};

double* Corrected(const RunArgs& a, int i, double lo, double hi, float fallback, bool* corrected) {
  double* v = NumberAt(a, i);
  *corrected = false;
  if (v && !(*v >= lo && *v <= hi)) {
    const ParamName name = InputName(a, i);
    frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), static_cast<float>(*v), fallback);
    *corrected = true;
  }
  return v;
}

Inputs ReadInputs(const RunArgs& a) {
  Inputs in;
  CGeometricMatching::ModelKey& k = in.key;
  in.region = RegionAt(a, 2);
  if (const double* v = NumberAt(a, 3)) k.hTemplate = frame::TruncateToInt(*v);
  if (const double* v = NumberAt(a, 4)) k.vTemplate = static_cast<float>(frame::TruncateToInt(*v));
  if (const double* v = NumberAt(a, 5)) in.hCamera = frame::TruncateToInt(*v);
  if (const double* v = NumberAt(a, 6)) in.vCamera = frame::TruncateToInt(*v);
  if (const double* v = NumberAt(a, 7)) k.threshold = frame::TruncateToInt(*v * kGradientScale);
  bool bad;
  if (const double* v = Corrected(a, 8, 0, 1, 0.7f, &bad); v && !bad) k.quality = (1 - *v) * 3 + 0.1;
  if (const double* v = Corrected(a, 9, 0, 10, 1.0f, &bad); v && !bad) k.upper = *v;
  if (const double* v = Corrected(a, 10, 0, 10, 1.0f, &bad); v && !bad) in.lower = *v;
  if (const double* v = Corrected(a, 11, 0, 1, 0.2f, &bad); v && !bad) k.precision = *v * 0.05;
  k.limit = 0.5;
  if (const double* v = Corrected(a, 12, 0, 1, 0.6f, &bad)) k.limit = bad ? 0.6 * 0.85 : *v * 0.85;
  PointAt(a, 13, &in.bias);
  in.show = FlagAt(a, 14, true);
  if (const double* v = Corrected(a, 15, 1, 50, 1.0f, &bad); v && !bad) in.maxResults = frame::TruncateToInt(*v);
  if (k.upper < in.lower) k.upper = 1.1, in.lower = 0.9;
  const float span = static_cast<float>(k.upper - in.lower);
  if (span < 0.1f) {
    const double half = (0.1 - span) / 2;
    k.upper += half, in.lower -= half;
  }
  in.precision = k.precision;
  return in;
}

struct Affine {
  double a = 1, b = 0, c = 0, d = 0, e = 1, f = 0;
  TPoint map(double x, double y) const { return {a * x + b * y + c, d * x + e * y + f}; }
};

// Least squares of x' and y' against (x, y, 1) from running sums.
struct AffineSums {
  double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
  double su = 0, sxu = 0, syu = 0, sv = 0, sxv = 0, syv = 0;
  void add(TPoint p, TPoint q) {
    n += 1, sx += p.x, sy += p.y, sxx += p.x * p.x, syy += p.y * p.y, sxy += p.x * p.y;
    su += q.x, sxu += p.x * q.x, syu += p.y * q.x, sv += q.y, sxv += p.x * q.y, syv += p.y * q.y;
  }
  // False for pairs on one line (no unique map).
  bool solve(Affine* m) const {
    const auto det3 = [](double a1, double a2, double a3, double b1, double b2, double b3, double c1, double c2,
                         double c3) { return a1 * (b2 * c3 - b3 * c2) - a2 * (b1 * c3 - b3 * c1) + a3 * (b1 * c2 - b2 * c1); };
    const double det = det3(sxx, sxy, sx, sxy, syy, sy, sx, sy, n);
    const double scale = (sxx + syy) * (sxx + syy) * n;
    if (!(std::fabs(det) > 1e-12 * scale)) return false;
    m->a = det3(sxu, sxy, sx, syu, syy, sy, su, sy, n) / det;
    m->b = det3(sxx, sxu, sx, sxy, syu, sy, sx, su, n) / det;
    m->c = det3(sxx, sxy, sxu, sxy, syy, syu, sx, sy, su) / det;
    m->d = det3(sxv, sxy, sx, syv, syy, sy, sv, sy, n) / det;
    m->e = det3(sxx, sxv, sx, sxy, syv, sy, sx, sv, n) / det;
    m->f = det3(sxx, sxy, sxv, sxy, syy, syv, sx, sy, sv) / det;
    return true;
  }
};

// Direction of the mapped pattern x axis in degrees, 0..360.
double ResultAngle(const Affine& m, double width) {
  const double x0 = m.c, y0 = m.f, x1 = m.a * width + m.c, y1 = m.d * width + m.f;
  const double length = std::hypot(x1 - x0, y1 - y0);
  if (!(length > 0)) return 0;
  const double t = std::asin(std::min(1.0, std::fabs(y1 - y0) / length)) * 180 / std::numbers::pi;
  if (x1 >= x0 && y1 >= y0) return t;
  if (x1 < x0 && y1 >= y0) return 180 - t;
  if (x1 <= x0 && y1 < y0) return 180 + t;
  return 360 - t;
}

struct MatchResult {
  Affine m;
  double centreX = 0, centreY = 0;
  double score = 0;
  double scale = 0;
};

TPoint ElementPoint(const ElementSet& s, int index, bool circle) {
  if (circle) return {s.circles[static_cast<size_t>(index)].x, s.circles[static_cast<size_t>(index)].y};
  return {s.corners[static_cast<size_t>(index)].x, s.corners[static_cast<size_t>(index)].y};
}

}  // namespace


bool CGeometricMatching::Run(const RunArgs& a) {
  int zeroWidth = 0, zeroDepth = 0;
  GetTextWD(a.ctx, 128, u"0", &zeroWidth, &zeroDepth);
  Frame* f = InputFrameAt(a, 0);
  if (!f) return a.fail(kNoSourceFrame);
  Frame* pattern = nullptr;
  int32_t stamp = -1;
  {
    const ParamName n = InputName(a, 1);
    if (!n.ok || !GetInputFrameTimestamp(a.ctx, 63, n.c_str(), &pattern, &stamp) || !pattern)
      return a.fail(u"error: Cannot get pattern frame");
  }
  const Inputs in = ReadInputs(a);
  const int W = GetFrameWidth(f), H = GetFrameDepth(f);
  const int pw = GetFrameWidth(pattern), pd = GetFrameDepth(pattern);

  // Any exit before a model is built leaves no model to reuse.
  const bool stale = !modelValid_ || stamp != modelStamp_ || !(in.key == modelKey_);
  if (pw > W || pd > H) {
    modelValid_ = false;
    return a.fail(u"error: The size of pattern frame is bigger than source frame in one or two dimensions");
  }
  for (const Frame* fr : {static_cast<const Frame*>(f), static_cast<const Frame*>(pattern)}) {
    const int bpp = GetFrameBPP(fr);
    if (bpp != 8 && bpp != 24 && bpp != 32) {
      modelValid_ = false;
      return a.fail(u"error: Unsupported pixel format");
    }
  }
  const double q = in.key.quality, upper = in.key.upper, lower = in.lower, p = in.precision;
  if (stale) {
    modelValid_ = false;
    ++modelBuilds_;
    Borders borders;
    if (!FindBorders(pattern, nullptr, a.ctx, in.key.threshold, in.key.hTemplate,
                     frame::TruncateToInt(in.key.vTemplate), false, &borders))
      return a.fail(u"error: No tracable contour on pattern frame");
    int longest = 1;
    for (int o = 0; o < kLabelSlots; ++o) longest = std::max(longest, borders.lengths[o]);
    longestContour_ = static_cast<int>(longest * upper);
    if (!ExtractPatternFeatures(borders, pd, static_cast<float>(q), static_cast<float>(q), kAngleTolerance, model_,
                                &modelCornerLast_))
      return a.fail(u"error: There is not enough feature on pattern frame");
    SetRelativeSizes(model_.corners);
    modelKey_ = in.key;
    modelStamp_ = stamp;
    modelValid_ = true;
  }

  // Input contours, each with its own elements.
  Borders borders;
  if (!FindBorders(f, in.region, a.ctx, in.key.threshold, in.hCamera, in.vCamera, in.show, &borders))
    return a.fail(u"error: No tracable contour on source frame");
  struct SourceContour {
    int x, y;
  };
  std::vector<SourceContour> starts;
  sources_.resize(kMaxEndPoints);
  for (int c = 0; c <= borders.lastContour && c < kMaxEndPoints; ++c) {
    const int object = c / 2;
    if (object >= kLabelSlots || !borders.valid[object] || !(c % 2 == 0 || borders.open[object])) continue;
    if (borders.lengths[object] > longestContour_) continue;
    const SourceContour s{static_cast<int>(endPoints[c].x), static_cast<int>(endPoints[c].y)};
    ContourElements(s.x, s.y, H, 4, static_cast<float>(q), static_cast<float>(q), kAngleTolerance,
                    sources_[starts.size()]);
    starts.push_back(s);
  }

  // Search windows, a step apart, large enough for the pattern at the
  // upper scale in any turn.
  const int D = static_cast<int>(std::sqrt((static_cast<double>(pd) * pd + static_cast<double>(pw) * pw) * upper * upper) + 0.5);
  const int step = std::max(1, std::min(pw / 2, pd / 2));
  const auto layout = [&](int extent, double* size) {
    if (D / 2 < extent) {
      *size = D + step;
      return std::max(1, static_cast<int>((extent - (D + step)) / step + 2));
    }
    *size = extent;
    return 1;
  };
  double windowW = 0, windowD = 0;
  const int columns = layout(W, &windowW), rows = layout(H, &windowD);
  const double regionCos = in.region ? std::cos(in.region->angle * std::numbers::pi / 180) : 0;
  const double regionSin = in.region ? std::sin(in.region->angle * std::numbers::pi / 180) : 0;
  const auto inside = [&](TPoint pt) { return PixelInRectangularRegion(f, in.region, pt, regionCos, regionSin); };

  const int patternElements = static_cast<int>(model_.circles.size()) + modelCornerLast_ + 1;
  const double R0 = 2 * (p + 0.01) * (pw / 2.0 + pd / 2.0);
  std::vector<MatchResult> results;
  int perfect = 0;
  bool searchEnded = false;
  ElementSet& window = window_;
  for (int row = 0; row < rows && !searchEnded; ++row) {
    for (int col = 0; col < columns && !searchEnded; ++col) {
      const double cx = windowW / 2 + col * step, cy = windowD / 2 + row * step;
      if (!inside({cx, cy})) continue;
      window.clear();
      for (size_t s = 0; s < starts.size(); ++s) {
        if (std::fabs(starts[s].x - cx) < windowD / 2 && std::fabs(starts[s].y - cy) < windowD / 2)
          AppendElements(sources_[s], window);
      }
      if (window.circles.size() >= 2) {
        const int last = MergeDuplicateCircles(window.circles, static_cast<int>(window.circles.size()) - 1, true);
        window.circles.resize(static_cast<size_t>(last + 1));
      }
      SetRelativeSizes(window.corners);
      if (window.circles.size() + window.corners.size() < 3) continue;
      if (!BuildTriangleFeatures(window, static_cast<int>(window.corners.size()) - 1,
                                 static_cast<int>(window.circles.size()) - 1, kAngleTolerance) ||
          window.features.empty())
        continue;

      double best = 0;
      bool windowEnded = false;
      for (size_t i = 0; i < model_.features.size() && !windowEnded; ++i) {
        const GeometricFeature& pf = model_.features[i];
        for (size_t j = 0; j < window.features.size() && !windowEnded; ++j) {
          const GeometricFeature& wf = window.features[j];
          if (!FeaturesAgree(pf, wf, static_cast<float>(upper), static_cast<float>(lower), model_.circles,
                             window.circles))
            continue;
          const double s0 = (wf.side1 / pf.side1 + wf.side2 / pf.side2 + wf.side3 / pf.side3) / 3;
          const double R = s0 * R0;
          AffineSums sums;
          sums.add(ElementPoint(model_, pf.elementA, pf.isCircleA), ElementPoint(window, wf.elementA, wf.isCircleA));
          sums.add(ElementPoint(model_, pf.elementB, pf.isCircleB), ElementPoint(window, wf.elementB, wf.isCircleB));
          sums.add(ElementPoint(model_, pf.elementC, pf.isCircleC), ElementPoint(window, wf.elementC, wf.isCircleC));
          Affine m;
          // Pairs on one line give no map: the candidate is skipped.
          if (!sums.solve(&m)) continue;
          int matched = 0;
          bool singular = false;
          for (const CircleCandidate& pc : model_.circles) {
            const TPoint at = m.map(pc.x, pc.y);
            int found = -1;
            double nearest = 0;
            for (size_t k = 0; k < window.circles.size(); ++k) {
              const CircleCandidate& wc = window.circles[k];
              const double dist = std::hypot(wc.x - at.x, wc.y - at.y);
              if (!(dist < R) || dist > W) continue;
              if (!(std::fabs(1 - wc.radius / (s0 * pc.radius)) < 0.2) || !(std::abs(wc.score - pc.score) < 400)) continue;
              if (found < 0 || dist <= nearest) found = static_cast<int>(k), nearest = dist;
            }
            if (found < 0) continue;
            ++matched;
            sums.add({pc.x, pc.y}, {window.circles[static_cast<size_t>(found)].x, window.circles[static_cast<size_t>(found)].y});
            singular = singular || !sums.solve(&m);
          }
          for (int k = 0; k <= modelCornerLast_ && !singular; ++k) {
            const ContourCorner& pk = model_.corners[static_cast<size_t>(k)];
            const TPoint at = m.map(pk.x, pk.y);
            int found = -1;
            double nearest = 0;
            for (size_t w = 0; w < window.corners.size(); ++w) {
              const double dist = std::hypot(window.corners[w].x - at.x, window.corners[w].y - at.y);
              if (!(dist < R) || dist > W) continue;
              if (found < 0 || dist <= nearest) found = static_cast<int>(w), nearest = dist;
            }
            if (found < 0) continue;
            ++matched;
            sums.add({pk.x, pk.y}, {window.corners[static_cast<size_t>(found)].x, window.corners[static_cast<size_t>(found)].y});
            singular = !sums.solve(&m);
          }
          if (singular) continue;

          MatchResult r;
          r.m = m;
          const TPoint centre = m.map(pw / 2.0, pd / 2.0);
          r.centreX = centre.x, r.centreY = centre.y;
          r.scale = std::sqrt(((m.a + m.b) * (m.a + m.b) + (m.d + m.e) * (m.d + m.e)) / 2);
          r.score = patternElements > 0 ? static_cast<double>(matched) / patternElements : 0;
          // Clutter inside the mapped pattern costs score.
          const double angle = ResultAngle(m, pw) * std::numbers::pi / 180;
          const double boxW = 0.75 * r.scale * pw, boxH = 0.75 * r.scale * pd;
          int clutter = 0;
          const auto inBox = [&](double x, double y) {
            const double dx = x - r.centreX, dy = y - r.centreY;
            const double u = dx * std::cos(angle) + dy * std::sin(angle), v = -dx * std::sin(angle) + dy * std::cos(angle);
            return std::fabs(u) <= boxW / 2 && std::fabs(v) <= boxH / 2;
          };
          for (const CircleCandidate& c : window.circles) clutter += inBox(c.x, c.y);
          for (const ContourCorner& c : window.corners) clutter += inBox(c.x, c.y);
          if (clutter > 2 * patternElements) r.score -= static_cast<double>(clutter - patternElements) / (2.0 * clutter);

          if (!(r.score > best && r.score >= in.key.limit)) {
            best = std::max(best, r.score);
            continue;
          }
          bool innerInside = true;
          for (const auto& [u, v] : {std::pair{0.25, 0.25}, {0.25, 0.75}, {0.75, 0.25}, {0.75, 0.75}})
            innerInside = innerInside && inside(m.map(u * pw, v * pd));
          if (!innerInside) continue;

          // A result is kept only with three matched elements and a size
          // within the scale range, whether it replaces one or is added.
          const double mappedW = std::hypot(m.a, m.d), mappedH = std::hypot(m.b, m.e);
          const bool acceptable = matched >= 3 && mappedW >= lower && mappedW <= upper && mappedH >= lower && mappedH <= upper;
          bool stored = false, decided = false;
          for (MatchResult& old : results) {
            if (!(std::hypot(old.centreX - r.centreX, old.centreY - r.centreY) < step)) continue;
            decided = true;
            if (r.score > old.score && acceptable) {
              old = r;
              stored = true;
            }
            break;
          }
          if (!decided) {
            best = r.score;
            if (acceptable) {
              results.push_back(r);
              stored = true;
            }
          }
          if (stored && r.score == 1.0) {
            windowEnded = true;
            if (++perfect >= in.maxResults) searchEnded = true;
          }
        }
      }
    }
  }

  if (results.empty()) return a.fail(u"There is no geometric match");
  if (static_cast<int>(results.size()) > in.maxResults) {
    for (bool swapped = true; swapped;) {
      swapped = false;
      for (size_t k = 0; k + 1 < results.size(); ++k) {
        if (results[k].score < results[k + 1].score) std::swap(results[k], results[k + 1]), swapped = true;
      }
    }
    results.resize(static_cast<size_t>(in.maxResults));
  }

  const int n = static_cast<int>(results.size());
  WriteNumber(a, 0, n);
  SetOutputMaxIndex(a, 1, n - 1);
  for (int i = 0; i < n; ++i) {
    const MatchResult& r = results[static_cast<size_t>(i)];
    const TPoint o = r.m.map(in.bias.x, in.bias.y);
    if (TCoordinateSystem* cs = OutputElement<TCoordinateSystem>(a, 1, i, GetCoordinateSystem))
      *cs = {o.x, o.y, ResultAngle(r.m, pw)};
  }
  SetOutputMaxIndex(a, 2, n - 1);
  for (int i = 0; i < n; ++i) {
    const MatchResult& r = results[static_cast<size_t>(i)];
    if (TRectangle* rect = OutputElement<TRectangle>(a, 2, i, GetRectangle))
      *rect = {r.centreX, r.centreY, r.scale * pw, r.scale * pd, ResultAngle(r.m, pw)};
  }

  if (in.show) {
    const TColor colour = GetDrawColor(a.ctx, 1);
    const double thickness = GetDrawThickness(a.ctx, 1);
    const int level = GetDrawingLevel(a.ctx);
    for (const MatchResult& r : results) {
      const double angle = ResultAngle(r.m, pw);
      DrawRectangle(a.ctx, r.centreX, r.centreY, r.scale * pw, r.scale * pd, angle, thickness, colour);
      if (level >= 1) {
        const std::u16string text = level >= 2 ? Label("[%.2f, %.2f, %.2f]", r.centreX, r.centreY, angle)
                                               : Label("[%.2f, %.2f]", r.centreX, r.centreY);
        DrawString(a.ctx, 128, text.c_str(), r.centreX + zeroWidth, r.centreY - zeroDepth, 0.0, 0.0, colour);
      }
      DrawLine(a.ctx, r.centreX, r.centreY - endMarkRadius, r.centreX, r.centreY + endMarkRadius, thickness, colour);
      DrawLine(a.ctx, r.centreX - endMarkRadius, r.centreY, r.centreX + endMarkRadius, r.centreY, thickness, colour);
    }
  }
  return true;
}

}  // namespace forvik
