// Line detection by contour and by threshold on small drawn scenes
// (rectangles, triangles and thin bars, blur 0-3 px, noise 0-10 grey levels)
// and photograph-like ones (shaded ground and object, vignetting, soft edges,
// noise), beside OpenCV's line segment detector on the same scenes. Counted
// per set of 48 scenes: those with a segment more than 1 px or 1 degree off
// every true edge (all segments, and those of 20 px or more; the detector's
// below 10 px are left out), and those whose sides of 100 px or more are each
// found whole.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "forvik_module.h"
#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kWidth = 320, kDepth = 240, kScenes = 48;
constexpr double kPi = std::numbers::pi;

struct Point {
  double x, y;
};

struct Scene {
  std::vector<Point> corners;
  talvix::FrameBuffer frame;
};

bool Inside(const std::vector<Point>& p, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
    if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x) in = !in;
  return in;
}

void Blur(std::vector<float>& img, double sigma) {
  if (sigma <= 0) return;
  const int r = static_cast<int>(std::ceil(3 * sigma));
  std::vector<float> k(static_cast<size_t>(2 * r + 1));
  float sum = 0;
  for (int i = -r; i <= r; ++i)
    sum += k[static_cast<size_t>(i + r)] = static_cast<float>(std::exp(-i * i / (2 * sigma * sigma)));
  for (float& v : k) v /= sum;
  std::vector<float> t(img.size());
  const auto at = [](int x, int y) { return static_cast<size_t>(y) * kWidth + x; };
  for (int y = 0; y < kDepth; ++y)
    for (int x = 0; x < kWidth; ++x) {
      float a = 0;
      for (int i = -r; i <= r; ++i) a += k[static_cast<size_t>(i + r)] * img[at(std::clamp(x + i, 0, kWidth - 1), y)];
      t[at(x, y)] = a;
    }
  for (int y = 0; y < kDepth; ++y)
    for (int x = 0; x < kWidth; ++x) {
      float a = 0;
      for (int i = -r; i <= r; ++i) a += k[static_cast<size_t>(i + r)] * t[at(x, std::clamp(y + i, 0, kDepth - 1))];
      img[at(x, y)] = a;
    }
}

std::vector<Point> Box(double cx, double cy, double w, double h, double turn) {
  const double c = std::cos(turn), s = std::sin(turn);
  const double us[] = {-w / 2, w / 2, w / 2, -w / 2}, vs[] = {-h / 2, -h / 2, h / 2, h / 2};
  std::vector<Point> out;
  for (int k = 0; k < 4; ++k) out.push_back({cx + us[k] * c - vs[k] * s, cy + us[k] * s + vs[k] * c});
  return out;
}

// Scene i of a set: a rectangle, a triangle or a bar 150-200 x 8-14 px.
Scene Make(int i, bool photo, std::mt19937& rng) {
  std::uniform_real_distribution<double> unit(0, 1);
  Scene sc;
  const double cx = kWidth / 2 + (unit(rng) - 0.5) * 30, cy = kDepth / 2 + (unit(rng) - 0.5) * 30;
  const double turn = unit(rng) * kPi;
  if (i % 3 == 0) {
    sc.corners = Box(cx, cy, 90 + 60 * unit(rng), 50 + 50 * unit(rng), turn);
  } else if (i % 3 == 2) {
    sc.corners = Box(cx, cy, 150 + 50 * unit(rng), 8 + 6 * unit(rng), turn);
  } else {
    const double r = 60 + 30 * unit(rng), t0 = unit(rng) * 2 * kPi;
    for (int k = 0; k < 3; ++k) {
      const double t = t0 + k * 2 * kPi / 3 + (unit(rng) - 0.5) * 0.5;
      sc.corners.push_back({cx + r * std::cos(t), cy + r * std::sin(t)});
    }
  }
  const bool light = unit(rng) < 0.5;
  const double object = light ? 200 : 50, ground = light ? 50 : 200;
  const double gx = (unit(rng) - 0.5) * 2, gy = (unit(rng) - 0.5) * 2, phase = unit(rng) * 6;
  std::vector<float> img(static_cast<size_t>(kWidth) * kDepth);
  for (int y = 0; y < kDepth; ++y)
    for (int x = 0; x < kWidth; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) hits += Inside(sc.corners, x + (sx + 0.5) / 4 - 0.5, y + (sy + 0.5) / 4 - 0.5);
      double o = object, g = ground;
      if (photo) {
        const double nx = (x - kWidth / 2.0) / kWidth, ny = (y - kDepth / 2.0) / kDepth;
        g += 35 * (gx * nx + gy * ny) + 10 * std::sin(x * 0.05 + phase) * std::cos(y * 0.07 - phase) +
             6 * std::sin(x * 0.21 + y * 0.13);
        o += 25 * (gy * nx - gx * ny) + 5 * std::sin(x * 0.11 - y * 0.09 + phase);
        const double vignette = 1 - 0.35 * (nx * nx + ny * ny);
        g *= vignette, o *= vignette;
      }
      img[static_cast<size_t>(y) * kWidth + x] = static_cast<float>((o * hits + g * (16 - hits)) / 16);
    }
  const double sigma = photo ? 0.7 + 1.8 * unit(rng) : std::floor(unit(rng) * 4);
  const double noise = photo ? 3 + 5 * unit(rng) : std::floor(unit(rng) * 3) * 5;
  Blur(img, sigma);
  std::normal_distribution<float> grain(0, static_cast<float>(std::max(noise, 1e-9)));
  sc.frame = talvix::FrameBuffer::make(kWidth, kDepth, 8);
  for (int y = 0; y < kDepth; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const float v = img[static_cast<size_t>(y) * kWidth + x] + (noise > 0 ? grain(rng) : 0.0f);
      sc.frame.pixel(x, y)[0] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
  return sc;
}

const std::vector<Scene>& Scenes(bool photo) {
  static const std::vector<Scene> sets[2] = {[] {
                                               std::mt19937 rng(7);
                                               std::vector<Scene> s;
                                               for (int i = 0; i < kScenes; ++i) s.push_back(Make(i, false, rng));
                                               return s;
                                             }(),
                                             [] {
                                               std::mt19937 rng(99);
                                               std::vector<Scene> s;
                                               for (int i = 0; i < kScenes; ++i) s.push_back(Make(i, true, rng));
                                               return s;
                                             }()};
  return sets[photo ? 1 : 0];
}

double Distance(Point p, Point a, Point b) {
  return std::abs((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / std::hypot(b.x - a.x, b.y - a.y);
}

bool Along(const TLine& l, Point a, Point b) {
  const double turn = std::remainder(std::atan2(l.y1 - l.y0, l.x1 - l.x0) - std::atan2(b.y - a.y, b.x - a.x), kPi);
  return Distance({l.x0, l.y0}, a, b) <= 1 && Distance({l.x1, l.y1}, a, b) <= 1 && std::abs(turn) * 180 / kPi <= 1;
}

double Length(const TLine& l) { return std::hypot(l.x1 - l.x0, l.y1 - l.y0); }

struct Tally {
  int off = 0, offLong = 0, whole = 0;
  void add(const Scene& s, const std::vector<TLine>& lines) {
    const auto& c = s.corners;
    const size_t n = c.size();
    const auto onSomeSide = [&](const TLine& l) {
      for (size_t k = 0; k < n; ++k)
        if (Along(l, c[k], c[(k + 1) % n])) return true;
      return false;
    };
    off += std::any_of(lines.begin(), lines.end(), [&](const TLine& l) { return !onSomeSide(l); });
    offLong +=
        std::any_of(lines.begin(), lines.end(), [&](const TLine& l) { return Length(l) >= 20 && !onSomeSide(l); });
    bool all = true;
    for (size_t k = 0; k < n; ++k) {
      const double side = std::hypot(c[(k + 1) % n].x - c[k].x, c[(k + 1) % n].y - c[k].y);
      if (side < 100) continue;
      all = all && std::any_of(lines.begin(), lines.end(), [&](const TLine& l) {
              return Along(l, c[k], c[(k + 1) % n]) && Length(l) >= 0.7 * side;
            });
    }
    whole += all;
  }
  void report(benchmark::State& state) const {
    state.counters["scenes"] = kScenes;
    state.counters["off"] = off;
    state.counters["off_20px"] = offLong;
    state.counters["long_sides_whole"] = whole;
  }
};

// Argument: 0 drawn scenes, 1 photograph-like ones.
void ForvikLines(benchmark::State& state, const char* method) {
  talvix::Module* m = ForvikModule(state);
  if (!m) return;
  omp_set_num_threads(1);
  const std::vector<Scene>& scenes = Scenes(state.range(0) == 1);
  const int index = m->findMethod(std::string(method));
  const bool contour = std::string(method) == "line_detection_by_contour";
  Tally tally;
  for (auto _ : state) {
    tally = Tally{};
    for (const Scene& s : scenes) {
      const intptr_t handle = m->create(index);
      talvix::RunContext ctx(*m, index);
      ctx.setFrame(u"Input frame", s.frame);
      if (contour) {
        ctx.setNumbers(u"Number Of Horizontal Scanlines", {kDepth / 16.0});
        ctx.setNumbers(u"Number Of Vertical Scanlines", {kWidth / 16.0});
      }
      ctx.setFlags(u"Show results", {false});
      ctx.run(handle);
      tally.add(s, ctx.lines(u"Result lines"));
      m->destroy(handle);
    }
  }
  tally.report(state);
  omp_set_num_threads(omp_get_num_procs());
}

void BM_ForvikLineScenesByContour(benchmark::State& state) { ForvikLines(state, "line_detection_by_contour"); }
void BM_ForvikLineScenesByThreshold(benchmark::State& state) { ForvikLines(state, "line_detection_by_threshold"); }
BENCHMARK(BM_ForvikLineScenesByContour)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ForvikLineScenesByThreshold)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
void BM_OpenCVLineScenes(benchmark::State& state) {
  cv::setNumThreads(1);
  const std::vector<Scene>& scenes = Scenes(state.range(0) == 1);
  cv::Ptr<cv::LineSegmentDetector> lsd = cv::createLineSegmentDetector();
  Tally tally;
  for (auto _ : state) {
    tally = Tally{};
    for (const Scene& s : scenes) {
      const cv::Mat grey(kDepth, kWidth, CV_8UC1, const_cast<uint8_t*>(s.frame.row(0)),
                         static_cast<size_t>(s.frame.stride()));
      std::vector<cv::Vec4f> found;
      lsd->detect(grey, found);
      std::vector<TLine> lines;
      for (const cv::Vec4f& l : found) {
        const TLine t{l[0], l[1], l[2], l[3]};
        if (Length(t) >= 10) lines.push_back(t);
      }
      tally.add(s, lines);
    }
  }
  tally.report(state);
  cv::setNumThreads(-1);
}
BENCHMARK(BM_OpenCVLineScenes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
