// gantrel's thresholding, mask comparison, best-line vote and object detection on a full-HD
// 8-bit frame, driven through the module's exported interface, beside OpenCV
// doing the same work in the same run at the same thread count.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kWidth = 1920, kDepth = 1080;

talvix::Module* Gantrel() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("gantrel");
  return m.get();
}

// Two overlapping noisy levels: a bimodal histogram with local detail.
const talvix::FrameBuffer& GreyFrame() {
  static const talvix::FrameBuffer f = [] {
    talvix::FrameBuffer g = talvix::FrameBuffer::make(kWidth, kDepth, 8);
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0, 20);
    for (int y = 0; y < kDepth; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const double base = ((x / 64 + y / 64) % 2) ? 170 : 80;
        *g.pixel(x, y) = static_cast<uint8_t>(std::clamp(base + noise(rng), 0.0, 255.0));
      }
    return g;
  }();
  return f;
}

// A 32-bit mask whose green and red channels mark about half the frame.
const talvix::FrameBuffer& MaskFrame() {
  static const talvix::FrameBuffer f = [] {
    talvix::FrameBuffer m = talvix::FrameBuffer::make(kWidth, kDepth, 32, 0);
    for (int y = 0; y < kDepth; ++y)
      for (int x = 0; x < kWidth; ++x) {
        uint8_t* p = m.pixel(x, y);
        p[1] = ((x / 60 + y / 60) % 2) ? 255 : 0;
        p[2] = ((x / 70 + y / 50) % 3) == 0 ? 255 : 0;
      }
    return m;
  }();
  return f;
}

// Runs one method with the inputs `setUp` gives, many times over.
template <class SetUp>
void RunMethod(benchmark::State& state, const char* id, SetUp setUp) {
  talvix::Module* m = Gantrel();
  if (!m) {
    state.SkipWithError("gantrel module not found");
    return;
  }
  const int index = m->findMethod(std::string(id));
  const intptr_t handle = m->create(index);
  talvix::RunContext ctx(*m, index);
  setUp(ctx);
  for (auto _ : state) {
    if (const talvix::RunResult r = ctx.run(handle); !r.ok) {
      state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
      break;
    }
  }
  m->destroy(handle);
  state.SetItemsProcessed(state.iterations() * kWidth * kDepth);
  state.counters["threads"] = omp_get_max_threads();
}

// ---- Thresholds and mask comparison ------------------------------------------

// Argument: window (the method's "Area" halved gives the radius).
void BM_GantrelLocalThreshold(benchmark::State& state) {
  const double area = static_cast<double>(state.range(0));
  RunMethod(state, "local_threshold", [&](talvix::RunContext& ctx) {
    ctx.setFrame(u"Input frame", GreyFrame());
    ctx.setNumbers(u"Threshold", {0.5});
    ctx.setNumbers(u"Area", {std::min(area, 100.0)});
  });
}
BENCHMARK(BM_GantrelLocalThreshold)->Arg(21)->Arg(101)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GantrelBimodalThreshold(benchmark::State& state) {
  RunMethod(state, "bimodal_threshold", [](talvix::RunContext& ctx) { ctx.setFrame(u"Input frame", GreyFrame()); });
}
BENCHMARK(BM_GantrelBimodalThreshold)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GantrelMaskCompare(benchmark::State& state) {
  RunMethod(state, "mask_compare", [](talvix::RunContext& ctx) {
    ctx.setFrame(u"Input frame", GreyFrame());
    ctx.setFrame(u"Input mask", MaskFrame());
    ctx.setNumbers(u"Threshold", {0.5});
    ctx.setFlags(u"Show results", {false});
  });
}
BENCHMARK(BM_GantrelMaskCompare)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
cv::Mat GreyMat() {
  const talvix::FrameBuffer& f = GreyFrame();
  return cv::Mat(kDepth, kWidth, CV_8UC1, const_cast<uint8_t*>(f.row(0)), f.stride());
}

// The same mean window; the offset plays the part of the sensitivity.
void BM_OpenCVAdaptiveThreshold(benchmark::State& state) {
  cv::setNumThreads(omp_get_max_threads());
  const cv::Mat in = GreyMat();
  cv::Mat out;
  const int window = static_cast<int>(state.range(0));
  for (auto _ : state) {
    cv::adaptiveThreshold(in, out, 255, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY, window, 12);
    benchmark::DoNotOptimize(out.data);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kDepth);
  state.counters["threads"] = cv::getNumThreads();
}
BENCHMARK(BM_OpenCVAdaptiveThreshold)->Arg(21)->Arg(101)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCVOtsuThreshold(benchmark::State& state) {
  cv::setNumThreads(omp_get_max_threads());
  const cv::Mat in = GreyMat();
  cv::Mat out;
  for (auto _ : state) {
    benchmark::DoNotOptimize(cv::threshold(in, out, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU));
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kDepth);
  state.counters["threads"] = cv::getNumThreads();
}
BENCHMARK(BM_OpenCVOtsuThreshold)->Unit(benchmark::kMillisecond)->UseRealTime();

// Threshold the frame, compare with the mask's two planes, drop isolated
// differences through a 3 x 3 box sum, and count what is left.
void BM_OpenCVMaskCompare(benchmark::State& state) {
  cv::setNumThreads(omp_get_max_threads());
  const cv::Mat in = GreyMat();
  const talvix::FrameBuffer& mf = MaskFrame();
  const cv::Mat bgra(kDepth, kWidth, CV_8UC4, const_cast<uint8_t*>(mf.row(0)), mf.stride());
  cv::Mat green, red;
  cv::extractChannel(bgra, green, 1);
  cv::extractChannel(bgra, red, 2);
  cv::Mat dark, excess, missing, sum;
  for (auto _ : state) {
    cv::compare(in, 127, dark, cv::CMP_LT);
    cv::compare(dark, green, excess, cv::CMP_GT);
    cv::compare(dark, red, missing, cv::CMP_LT);
    cv::boxFilter(excess, sum, CV_16U, cv::Size(3, 3), cv::Point(-1, -1), false);
    benchmark::DoNotOptimize(cv::countNonZero(sum > 255));
    cv::boxFilter(missing, sum, CV_16U, cv::Size(3, 3), cv::Point(-1, -1), false);
    benchmark::DoNotOptimize(cv::countNonZero(sum > 255));
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kDepth);
  state.counters["threads"] = cv::getNumThreads();
}
BENCHMARK(BM_OpenCVMaskCompare)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// ---- Best straight edge --------------------------------------------------------

// Slightly tilted vertical stripes, 96 pixels to a period: every horizontal
// scan line crosses 20 light-to-dark edges.
const talvix::FrameBuffer& StripeFrame() {
  static const talvix::FrameBuffer f = [] {
    talvix::FrameBuffer g = talvix::FrameBuffer::make(kWidth, kDepth, 8);
    for (int y = 0; y < kDepth; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const int u = static_cast<int>(x + 0.05 * y) % 96;
        *g.pixel(x, y) = u < 48 ? 220 : 30;
      }
    return g;
  }();
  return f;
}

// Scan lines for about 2,000 light-to-dark edge points.
constexpr int kScanLines = 100;

// Argument: 0 by threshold, 1 by gradient.
void BM_GantrelBestLine(benchmark::State& state) {
  const char* id =
      state.range(0) == 1 ? "best_line_edge_detection_by_contour" : "best_line_edge_detection_by_threshold";
  const auto setUp = [](talvix::RunContext& ctx) {
    ctx.setFrame(u"Input frame", StripeFrame());
    ctx.setNumbers(u"Number of horizontal scan lines", {double(kScanLines)});
    ctx.setNumbers(u"Allowed angle deviation", {90});
    ctx.setNumbers(u"Search angle step", {0.5});
    ctx.setNumbers(u"Method", {1});
    ctx.setFlags(u"Show results", {false});
  };
  RunMethod(state, id, setUp);
  // One more run to report how many points the vote saw.
  if (talvix::Module* m = Gantrel()) {
    const int index = m->findMethod(id);
    const intptr_t handle = m->create(index);
    talvix::RunContext ctx(*m, index);
    setUp(ctx);
    if (ctx.run(handle).ok) state.counters["points"] = static_cast<double>(ctx.points(u"Detected points").size());
    m->destroy(handle);
  }
}
BENCHMARK(BM_GantrelBestLine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
struct EdgeSink {
  std::vector<cv::Point2f>* points;
  int last = -1;
  static bool Cb(void* user, int x, int y, unsigned v) {
    auto* s = static_cast<EdgeSink*>(user);
    const int now = v < 127 ? 1 : 0;
    if (s->last >= 0 && now != s->last && now == 1) s->points->push_back(cv::Point2f(float(x), float(y)));
    s->last = now;
    return true;
  }
};

bool EmptyCallback(void*, int, int, unsigned) { return true; }

// The host scanning the method's lines with an empty callback, then a vote
// over the same points (edges found once, before timing): same angle step,
// unit distance bins.
void BM_OpenCVScanHoughPointSet(benchmark::State& state) {
  cv::setNumThreads(omp_get_max_threads());
  const int count = kScanLines;
  const talvix::FrameBuffer& f = StripeFrame();
  std::vector<TLine> lines;
  for (int i = 0; i < count; ++i) {
    int x0, y0, x1, y1;
    if (GetScanRectangularRegionLine(f.frame(), nullptr, count, i, 0.0, &x0, &y0, &x1, &y1))
      lines.push_back({double(x0), double(y0), double(x1), double(y1)});
  }
  std::vector<cv::Point2f> points;
  for (const TLine& l : lines) {
    EdgeSink sink{&points};
    ScanLine(f.frame(), nullptr, &l, 1, &sink, EdgeSink::Cb);
  }
  const double diagonal = std::ceil(std::hypot(kWidth, kDepth));
  cv::Mat found;
  for (auto _ : state) {
    for (const TLine& l : lines) ScanLine(f.frame(), nullptr, &l, 1, nullptr, EmptyCallback);
    cv::HoughLinesPointSet(points, found, 1, 1, -diagonal, diagonal, 1, 0, CV_PI, 0.5 * CV_PI / 180);
    benchmark::DoNotOptimize(found.data);
  }
  state.counters["points"] = static_cast<double>(points.size());
  state.counters["threads"] = cv::getNumThreads();
}
BENCHMARK(BM_OpenCVScanHoughPointSet)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// ---- Object detection ------------------------------------------------------------

// Dark discs on a light ground, on a regular grid: argument 10 gives 5 x 2
// discs of radius 80, 1000 gives 40 x 25 discs of radius 15. The discs'
// grey values vary, so that the weights of the centroids differ.
const talvix::FrameBuffer& DiscFrame(int objects) {
  static std::vector<std::pair<int, talvix::FrameBuffer>> frames;
  for (const auto& [n, f] : frames)
    if (n == objects) return f;
  const int columns = objects == 10 ? 5 : 40, rows = objects == 10 ? 2 : 25;
  const double radius = objects == 10 ? 80 : 15;
  talvix::FrameBuffer g = talvix::FrameBuffer::make(kWidth, kDepth, 8, 200);
  const double cw = double(kWidth) / columns, ch = double(kDepth) / rows;
  for (int y = 0; y < kDepth; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const double cx = (std::floor(x / cw) + 0.5) * cw, cy = (std::floor(y / ch) + 0.5) * ch;
      if (std::hypot(x - cx, y - cy) <= radius) *g.pixel(x, y) = static_cast<uint8_t>(30 + (x + y) % 60);
    }
  frames.emplace_back(objects, std::move(g));
  return frames.back().second;
}

// Without an output frame and without drawing: the detection itself.
void BM_GantrelObjectsByThreshold(benchmark::State& state) {
  const int objects = static_cast<int>(state.range(0));
  RunMethod(state, "object_detection_by_threshold", [&](talvix::RunContext& ctx) {
    ctx.setFrame(u"Input frame", DiscFrame(objects));
    ctx.setNumbers(u"Threshold", {0.5});
    ctx.setNumbers(u"Minimum number of pixels", {10});
    ctx.setFlags(u"Show results", {false});
    ctx.setUnnamed(u"Output frame");
  });
}
BENCHMARK(BM_GantrelObjectsByThreshold)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
void BM_OpenCVThresholdComponents(benchmark::State& state) {
  cv::setNumThreads(omp_get_max_threads());
  const talvix::FrameBuffer& f = DiscFrame(static_cast<int>(state.range(0)));
  const cv::Mat in(kDepth, kWidth, CV_8UC1, const_cast<uint8_t*>(f.row(0)), f.stride());
  cv::Mat dark, labels, stats, centroids;
  int found = 0;
  for (auto _ : state) {
    cv::threshold(in, dark, 126, 255, cv::THRESH_BINARY_INV);
    found = cv::connectedComponentsWithStats(dark, labels, stats, centroids, 4, CV_32S) - 1;
    benchmark::DoNotOptimize(centroids.data);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kDepth);
  state.counters["objects"] = found;
  state.counters["threads"] = cv::getNumThreads();
}
BENCHMARK(BM_OpenCVThresholdComponents)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
