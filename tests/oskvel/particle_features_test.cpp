// Ring crossings and particle features, measured on the module's own
// detection: counts against the crossings of the continuous outline worked
// out here, and a disc against a second measure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "blur.h"
#include "qualifier.h"
#include "talvix/host.hpp"

#ifdef OSKVEL_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace {

using talvix::FrameBuffer;

struct Pt {
  double x, y;
};
using Polygon = std::vector<Pt>;

constexpr int kLabel = 3;

// The outline of a polygon as 8-connected labelled pixels in a free mark frame.
FrameBuffer MarkOutline(int w, int d, const Polygon& poly) {
  FrameBuffer f = FrameBuffer::make(w, d, 8, CBorderDetection::kFree);
  for (size_t i = 0; i < poly.size(); ++i) {
    const Pt a = poly[i], b = poly[(i + 1) % poly.size()];
    const int n = static_cast<int>(std::ceil(std::max(std::abs(b.x - a.x), std::abs(b.y - a.y))));
    for (int k = 0; k <= n; ++k) {
      const double t = n ? double(k) / n : 0.0;
      *f.pixel(static_cast<int>(std::lround(a.x + t * (b.x - a.x))),
               static_cast<int>(std::lround(a.y + t * (b.y - a.y)))) = kLabel;
    }
  }
  return f;
}

// Where a circle meets the polygon's edges, in the ring's order (angle from
// 0, x = cx + r cos, y = cy + r sin), each kept unless within 4 in x and
// under 5 in y of the last one kept. `margin` is the smallest distance of
// any pair from the thresholds, so a case can be checked to be clear-cut.
std::vector<Pt> Crossings(const Polygon& poly, Pt c, double r, double* margin = nullptr) {
  std::vector<std::pair<double, Pt>> hits;
  for (size_t i = 0; i < poly.size(); ++i) {
    const Pt a = poly[i], b = poly[(i + 1) % poly.size()];
    const double dx = b.x - a.x, dy = b.y - a.y, fx = a.x - c.x, fy = a.y - c.y;
    const double A = dx * dx + dy * dy, B = 2 * (fx * dx + fy * dy), C = fx * fx + fy * fy - r * r;
    const double disc = B * B - 4 * A * C;
    if (disc < 0) continue;
    for (double s : {-1.0, 1.0}) {
      const double t = (-B + s * std::sqrt(disc)) / (2 * A);
      if (t < 0 || t >= 1) continue;
      const Pt p{a.x + t * dx, a.y + t * dy};
      double ang = std::atan2(p.y - c.y, p.x - c.x);
      if (ang < 0) ang += 2 * M_PI;
      hits.push_back({ang, p});
    }
  }
  std::sort(hits.begin(), hits.end(), [](auto& l, auto& r) { return l.first < r.first; });
  std::vector<Pt> kept;
  double m = 1e9;
  for (auto& h : hits) {
    if (!kept.empty()) {
      const double ddx = std::abs(h.second.x - kept.back().x), ddy = std::abs(h.second.y - kept.back().y);
      m = std::min(m, std::max(std::abs(ddx - 4.5), std::abs(ddy - 5)));
      if (ddx <= 4.5 && ddy < 5) continue;
    }
    kept.push_back(h.second);
  }
  if (margin) *margin = m;
  return kept;
}

Polygon Square(double cx, double cy, double half) {
  return {{cx - half, cy - half}, {cx + half, cy - half}, {cx + half, cy + half}, {cx - half, cy + half}};
}

TEST(RingCrossings, CountTheCrossingsOfTheOutline) {
  const Polygon square = Square(60, 60, 20);
  const Polygon diamond = {{60, 35}, {85, 60}, {60, 85}, {35, 60}};
  const Polygon triangle = {{60, 22}, {98, 88}, {22, 88}};
  const Polygon bar = {{30, 52}, {90, 52}, {90, 68}, {30, 68}};
  struct Case {
    const char* what;
    const Polygon* poly;
    Pt centre;
    double r;
    size_t expected;  // worked out from the outline as a check on the fixture
  } cases[] = {
      {"square, between its sides and corners", &square, {60, 60}, 23, 8},
      {"square, grazing its corners", &square, {60, 60}, 27.6, 4},
      {"square, inside", &square, {60, 60}, 15, 0},
      {"square, outside", &square, {60, 60}, 35, 0},
      {"diamond (diagonal steps)", &diamond, {60, 60}, 21, 8},
      {"triangle", &triangle, {60, 66}, 28, 6},
      {"bar", &bar, {60, 60}, 15, 4},
      {"off-centre circle through the square", &square, {45, 60}, 12, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    double margin = 0;
    const std::vector<Pt> kept = Crossings(*c.poly, c.centre, c.r, &margin);
    ASSERT_EQ(kept.size(), c.expected);
    ASSERT_GT(margin, 1.5) << "fixture too close to the repeat threshold";
    const FrameBuffer mark = MarkOutline(120, 120, *c.poly);
    EXPECT_EQ(oskvel::CountRingCrossings(mark.frame(), kLabel, c.centre.x, c.centre.y, c.r), int(c.expected));
    // Another label is not crossed.
    EXPECT_EQ(oskvel::CountRingCrossings(mark.frame(), kLabel + 1, c.centre.x, c.centre.y, c.r), 0);
  }
}

TEST(RingCrossings, FarthestCrossingFromEachHole) {
  const Polygon square = Square(60, 60, 20);
  const FrameBuffer mark = MarkOutline(120, 120, square);
  const std::vector<oskvel::RingPoint> holes = {{60, 60}, {50, 70}};
  std::vector<int64_t> farthest;
  ASSERT_EQ(oskvel::CountRingCrossings(mark.frame(), kLabel, 60, 60, 23, &holes, &farthest), 8);
  ASSERT_EQ(farthest.size(), 2u);
  for (size_t k = 0; k < holes.size(); ++k) {
    double best = 0;
    for (const Pt& p : Crossings(square, {60, 60}, 23))
      best = std::max(best, std::hypot(p.x - holes[k].x, p.y - holes[k].y));
    EXPECT_NEAR(std::sqrt(double(farthest[k])), best, 1.5) << k;
  }
}

// A bright shape (grey 220) on a dark ground (30), given by its inside test.
FrameBuffer Scene(int w, int d, const std::function<bool(int, int)>& inside) {
  FrameBuffer f = FrameBuffer::make(w, d, 8, 30);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x)
      if (inside(x, y)) *f.pixel(x, y) = 220;
  return f;
}

struct Detected {
  bool ok;
  oskvel::CQualifierMain q{true};
  std::vector<oskvel::Feature> features;
};

void Detect(const FrameBuffer& f, Detected* d) {
  // One line per pixel each way; bright objects.
  d->ok = d->q.DetectParticles(f.frame(), nullptr, nullptr, f.depth(), f.width(), 72, true, &d->features);
}

const oskvel::Particle* Largest(const Detected& d) {
  const oskvel::Particle* best = nullptr;
  for (const auto& p : d.q.particles)
    if (!best || p.boundingArea > best->boundingArea) best = &p;
  return best;
}

TEST(ParticleFeatures, RingValuesCountTheOutlineCrossings) {
  struct Case {
    const char* what;
    Polygon outline;  // the traced border: the ground pixels round the shape
    std::function<bool(int, int)> inside;
  } cases[] = {
      {"square", Square(60, 60, 21), [](int x, int y) { return std::abs(x - 60) <= 20 && std::abs(y - 60) <= 20; }},
      {"bar", {{29, 51}, {91, 51}, {91, 69}, {29, 69}},
       [](int x, int y) { return x >= 30 && x <= 90 && y >= 52 && y <= 68; }},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    Detected d;
    Detect(Scene(120, 120, c.inside), &d);
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.features.size(), 1u);
    const oskvel::Particle& p = *Largest(d);
    const Pt centre{double(p.centroidX), double(p.centroidY)};
    ASSERT_LT(p.rmsRadius / p.maxRadius, 0.85);
    ASSERT_LT(p.minRadius / p.maxRadius, 0.85);
    const double mid = (double(p.minRadius) + p.maxRadius) / 2;
    EXPECT_FLOAT_EQ(d.features[0].f[8], Crossings(c.outline, centre, p.rmsRadius).size() / 10.0f);
    EXPECT_FLOAT_EQ(d.features[0].f[7], Crossings(c.outline, centre, mid).size() / 10.0f);
    EXPECT_EQ(d.features[0].f[9], 0.0f);  // no holes
  }
}

TEST(ParticleFeatures, NearlyCircularParticlesKeepTheFixedRingValues) {
  Detected d;
  Detect(Scene(120, 120, [](int x, int y) { return (x - 60) * (x - 60) + (y - 60) * (y - 60) <= 25 * 25; }), &d);
  ASSERT_EQ(d.features.size(), 1u);
  EXPECT_EQ(d.features[0].f[7], 0.1f);
  EXPECT_EQ(d.features[0].f[8], 0.1f);
}

// A square plate with a round hole: concentric (a washer) or off-centre.
TEST(ParticleFeatures, HoleDistanceOfWashers) {
  for (int hx : {60, 52}) {
    SCOPED_TRACE(hx);
    Detected d;
    Detect(Scene(120, 120,
                 [&](int x, int y) {
                   const bool plate = std::abs(x - 60) <= 24 && std::abs(y - 60) <= 24;
                   return plate && (x - hx) * (x - hx) + (y - 60) * (y - 60) > 9 * 9;
                 }),
           &d);
    ASSERT_TRUE(d.ok);
    const oskvel::Particle& p = *Largest(d);
    ASSERT_EQ(p.holeCount, 1);
    const oskvel::Particle& hole = d.q.particles[size_t(p.holes[0])];
    const Pt centre{double(p.centroidX), double(p.centroidY)};
    double farthest = 0;
    for (const Pt& c : Crossings(Square(60, 60, 25), centre, (double(p.minRadius) + p.maxRadius) / 2))
      farthest = std::max(farthest, std::hypot(c.x - hole.centroidX, c.y - hole.centroidY));
    const double apart = std::max(1.0, std::hypot(hole.centroidX - centre.x, hole.centroidY - centre.y));
    ASSERT_EQ(d.features.size(), 1u);
    const float f10 = d.features[0].f[9];
    EXPECT_TRUE(std::isfinite(f10));
    EXPECT_NEAR(f10, farthest / apart, 0.05 * farthest / apart + 0.2);
  }
}

bool InPolygon(const Polygon& p, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
    if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x) in = !in;
  return in;
}

// A regular outline round (cx, cy): radii alternate between the two.
Polygon Regular(double cx, double cy, int corners, double outer, double inner, double turn) {
  Polygon p;
  for (int k = 0; k < corners; ++k) {
    const double a = turn + k * 2 * M_PI / corners, r = k % 2 ? inner : outer;
    p.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return p;
}

// Sharp corners and blurred edges break a border into pieces, which are
// joined again or left out: whatever is accepted was walked round its outline
// once, not out and back along a piece, nor round and round from a spur at
// its leftmost pixel. Its perimeter is about the drawn outline's, and a
// sharp or lightly blurred shape is always accepted.
TEST(ParticleFeatures, AcceptedOutlinesAreWalkedOnce) {
  const Polygon shapes[] = {Regular(50, 50, 3, 25, 25, -M_PI / 2), Regular(150, 50, 10, 25, 10, -M_PI / 2),
                            Square(250, 50, 17)};
  const FrameBuffer sharp = Scene(300, 100, [&](int x, int y) {
    for (const Polygon& p : shapes)
      if (InPolygon(p, x, y)) return true;
    return false;
  });
  for (const double sigma : {0.0, 1.0, 1.5}) {
    const FrameBuffer f = sigma > 0 ? oskvel_test::Blurred(sharp, sigma) : sharp;
    for (const int threshold : {36, 72, 108, 140}) {
      SCOPED_TRACE(testing::Message() << "sigma " << sigma << ", threshold " << threshold);
      oskvel::CQualifierMain q{true};
      std::vector<oskvel::Feature> features;
      q.DetectParticles(f.frame(), nullptr, nullptr, 100, 100, threshold, true, &features);
      // Sharp or lightly blurred, each shape is one whole particle.
      if (sigma <= 1) {
        EXPECT_EQ(features.size(), 3u);
      }
      for (const oskvel::Feature& e : features) {
        const size_t s = static_cast<size_t>(e.cx / 100);
        double length = 0;
        for (size_t i = 0; i < shapes[s].size(); ++i) {
          const Pt a = shapes[s][i], b = shapes[s][(i + 1) % shapes[s].size()];
          length += std::hypot(b.x - a.x, b.y - a.y);
        }
        for (const oskvel::Particle& p : q.particles)
          if (p.cx == e.cx && p.cy == e.cy) {
            // Blur rounds the star's tips off; a piece walked out and back
            // measures about twice its length, an outline walked round twice
            // twice its own.
            EXPECT_GT(p.perimeter, 0.7 * length) << "shape " << s;
            EXPECT_LT(p.perimeter, 1.15 * length) << "shape " << s;
          }
      }
    }
  }
}

#ifdef OSKVEL_HAVE_OPENCV
// The perimeter, area and radius ratio behind f1 and f2 of a disc, against
// OpenCV's measures of the same border (the ground pixels round the disc):
// its length counts every chain step in full, so it runs longer than the
// weighted one by the usual few percent.
TEST(ParticleFeatures, DiscMeasuresAgreeWithASecondMeasure) {
  for (int r : {12, 25, 40}) {
    SCOPED_TRACE(r);
    const int size = 2 * r + 30, c = size / 2;
    const FrameBuffer f = Scene(size, size, [&](int x, int y) { return (x - c) * (x - c) + (y - c) * (y - c) <= r * r; });
    Detected d;
    Detect(f, &d);
    ASSERT_EQ(d.features.size(), 1u);
    const oskvel::Particle& p = *Largest(d);

    cv::Mat img(size, size, CV_8U);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) img.at<uint8_t>(y, x) = *f.pixel(x, y) > 128 ? 255 : 0;
    cv::dilate(img, img, cv::Mat::ones(3, 3, CV_8U));
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(img, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
    ASSERT_EQ(contours.size(), 1u);
    const double length = cv::arcLength(contours[0], true), inner = cv::contourArea(contours[0]);
    EXPECT_GT(p.perimeter, 0.88 * length);
    EXPECT_LE(p.perimeter, length);
    EXPECT_NEAR(p.area, inner, 0.05 * inner);
    EXPECT_NEAR(d.features[0].f[0], double(p.perimeter) * p.perimeter / (4 * M_PI * p.area), 1e-5);

    const cv::Moments m = cv::moments(contours[0]);
    const double mx = m.m10 / m.m00, my = m.m01 / m.m00;
    double lo = 1e9, hi = 0;
    for (const cv::Point& q : contours[0]) {
      lo = std::min(lo, std::hypot(q.x - mx, q.y - my));
      hi = std::max(hi, std::hypot(q.x - mx, q.y - my));
    }
    EXPECT_NEAR(d.features[0].f[1], lo / hi, 0.05);
  }
}
#endif

}  // namespace
