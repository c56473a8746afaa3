// The image filters driven through the module's exported interface (host
// overhead included) on full-HD frames at 8 and 32 bits, with all cores and
// with one thread, beside the OpenCV call a user would pick for the same job
// at the same thread count, in ns per pixel.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstdint>
#include <functional>
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

talvix::Module* Jorvel() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("jorvel");
  return m.get();
}

// A blurred random scene: smooth regions and edges, as a camera gives.
talvix::FrameBuffer Scene(int bpp) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kWidth, kDepth, bpp);
  std::mt19937 rng(7);
  const int n = bpp / 8;
  for (int y = 0; y < kDepth; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int base = ((x / 97 + y / 61) % 3) * 80 + 20;
      for (int c = 0; c < n; ++c) f.pixel(x, y)[c] = static_cast<uint8_t>(c == 3 ? 255 : base + rng() % 24);
    }
  }
  return f;
}

void PerPixel(benchmark::State& state) {
  state.counters["ns_per_px"] = benchmark::Counter(static_cast<double>(kWidth) * kDepth,
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

struct Threads {
  explicit Threads(int n) : before(omp_get_max_threads()) {
    omp_set_num_threads(n);
#ifdef VISION_HAVE_OPENCV
    cv::setNumThreads(n);
#endif
  }
  ~Threads() {
    omp_set_num_threads(before);
#ifdef VISION_HAVE_OPENCV
    cv::setNumThreads(-1);
#endif
  }
  int before;
};

using Setup = std::function<void(talvix::RunContext&)>;

void RunFilter(benchmark::State& state, const std::string& id, int bpp, int threads, const Setup& setup) {
  talvix::Module* m = Jorvel();
  if (!m) {
    state.SkipWithError("jorvel module not found");
    return;
  }
  Threads t(threads);
  const int index = m->findMethod(id);
  talvix::RunContext ctx(*m, index);
  const intptr_t handle = m->create(index);
  ctx.setFrame(u"Input frame", Scene(bpp));
  setup(ctx);
  if (!ctx.run(handle).ok) {  // warm: buffers and kernels are built once
    state.SkipWithError("run failed");
    m->destroy(handle);
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(ctx.run(handle).ok);
  m->destroy(handle);
  PerPixel(state);
}

Setup Numbers(std::vector<std::pair<std::u16string, std::vector<double>>> v) {
  return [v](talvix::RunContext& ctx) {
    for (const auto& [name, values] : v) ctx.setNumbers(name, values);
  };
}

struct Case {
  const char* label;
  const char* id;
  Setup setup;
};

const std::vector<double> kSharpen3 = {0, -1, 0, -1, 5, -1, 0, -1, 0};
std::vector<double> Smooth5() {
  std::vector<double> k(25);
  for (int i = 0; i < 25; ++i) k[i] = ((i % 5) + 1) * ((i / 5) + 1) / 81.0;
  return k;
}

const Case kCases[] = {
    {"kernel_3x3", "kernel_3x3", Numbers({{u"Kernel source", kSharpen3}})},
    {"kernel_5x5", "kernel_5x5", Numbers({{u"Kernel source", Smooth5()}})},
    {"blur_r1", "blur", Numbers({{u"Kernel radius", {1}}, {u"Pass-through rating", {0.5}}})},
    {"gaussian_r3", "gaussian", Numbers({{u"Kernel radius", {3}}})},
    {"mean_r2", "mean", Numbers({{u"Kernel radius", {2}}})},
    {"edge_s1", "edge", Numbers({{u"Standard deviation", {1}}, {u"Threshold", {0.5}}})},
    {"dilation", "dilation", Numbers({{u"Times to repeat", {1}}, {u"Threshold", {0.5}}})},
    {"erosion", "erosion", Numbers({{u"Times to repeat", {1}}, {u"Threshold", {0.5}}})},
    {"opening_3", "opening", Numbers({{u"Times to repeat", {3}}, {u"Threshold", {0.5}}})},
    {"skeleton", "skeletonization", Numbers({{u"Maximum number of iterations", {0}}, {u"Threshold", {0.5}}})},
    {"median_r1", "median", Numbers({{u"Neighbourhood radius", {1}}})},
    {"median_r5", "median", Numbers({{u"Neighbourhood radius", {5}}})},
    {"minimum_r1", "minimum", Numbers({{u"Neighbourhood radius", {1}}})},
    {"maximum_r5", "maximum", Numbers({{u"Neighbourhood radius", {5}}})},
    {"flat_field", "flat_field", [](talvix::RunContext& ctx) { ctx.setFrame(u"White calibration frame", Scene(GetFrameBPP(ctx.inputFrame(u"Input frame")->frame()))); }},
    // Host overhead: a pass-through blur is one frame copy.
    {"host_copy", "blur", Numbers({{u"Pass-through rating", {1}}})},
};

#ifdef VISION_HAVE_OPENCV
cv::Mat SceneMat(int bpp) {
  static talvix::FrameBuffer f8 = Scene(8), f32 = Scene(32);
  talvix::FrameBuffer& f = bpp == 8 ? f8 : f32;
  return cv::Mat(kDepth, kWidth, bpp == 8 ? CV_8UC1 : CV_8UC4, f.row(0), static_cast<size_t>(f.stride()));
}

using Peer = std::function<void(const cv::Mat& src, cv::Mat& dst)>;

cv::Mat Kernel(const std::vector<double>& k, int side) {
  cv::Mat m(side, side, CV_32F);
  for (int r = 0; r < side; ++r)
    for (int c = 0; c < side; ++c) m.at<float>(side - 1 - r, c) = static_cast<float>(k[r * side + c]);
  return m;
}

// The 8-bit mask the morphology peers work on: a threshold, after a channel
// sum for colour.
void Mask(const cv::Mat& s, cv::Mat& m) {
  if (s.channels() == 1) {
    cv::threshold(s, m, 127, 255, cv::THRESH_BINARY);
    return;
  }
  thread_local cv::Mat sum;
  cv::transform(s, sum, cv::Matx<float, 1, 4>(1, 1, 1, 0));
  cv::threshold(sum, m, 3 * 127, 255, cv::THRESH_BINARY);
  m.convertTo(m, CV_8U);
}

cv::Mat Rect(int r) { return cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * r + 1, 2 * r + 1)); }

struct PeerCase {
  const char* label;
  Peer run;
};

const PeerCase kPeers[] = {
    {"kernel_3x3", [](const cv::Mat& s, cv::Mat& d) {
       static const cv::Mat k = Kernel(kSharpen3, 3);
       cv::filter2D(s, d, -1, k, cv::Point(-1, -1), 0, cv::BORDER_CONSTANT);
     }},
    {"kernel_5x5", [](const cv::Mat& s, cv::Mat& d) {
       static const cv::Mat k = Kernel(Smooth5(), 5);
       cv::filter2D(s, d, -1, k, cv::Point(-1, -1), 0, cv::BORDER_CONSTANT);
     }},
    {"blur_r1", [](const cv::Mat& s, cv::Mat& d) {
       static const cv::Mat k = Kernel({0.0625, 0.0625, 0.0625, 0.0625, 0.5, 0.0625, 0.0625, 0.0625, 0.0625}, 3);
       cv::filter2D(s, d, -1, k, cv::Point(-1, -1), 0, cv::BORDER_CONSTANT);
     }},
    {"gaussian_r3", [](const cv::Mat& s, cv::Mat& d) { cv::GaussianBlur(s, d, cv::Size(7, 7), (3 - 0.33) / 3.35); }},
    {"mean_r2", [](const cv::Mat& s, cv::Mat& d) { cv::blur(s, d, cv::Size(5, 5)); }},
    {"edge_s1", [](const cv::Mat& s, cv::Mat& d) {
       if (s.channels() == 1) {
         cv::Canny(s, d, 50, 100);
       } else {
         thread_local cv::Mat grey;
         cv::cvtColor(s, grey, cv::COLOR_BGRA2GRAY);
         cv::Canny(grey, d, 50, 100);
       }
     }},
    {"dilation", [](const cv::Mat& s, cv::Mat& d) {
       thread_local cv::Mat m;
       Mask(s, m);
       cv::dilate(m, d, Rect(1));
     }},
    {"erosion", [](const cv::Mat& s, cv::Mat& d) {
       thread_local cv::Mat m;
       Mask(s, m);
       cv::erode(m, d, Rect(1));
     }},
    {"opening_3", [](const cv::Mat& s, cv::Mat& d) {
       thread_local cv::Mat m;
       Mask(s, m);
       cv::morphologyEx(m, d, cv::MORPH_OPEN, Rect(1), cv::Point(-1, -1), 3);
     }},
    {"median_r1", [](const cv::Mat& s, cv::Mat& d) { cv::medianBlur(s, d, 3); }},
    {"median_r5", [](const cv::Mat& s, cv::Mat& d) { cv::medianBlur(s, d, 11); }},
    {"minimum_r1", [](const cv::Mat& s, cv::Mat& d) { cv::erode(s, d, Rect(1)); }},
    {"maximum_r5", [](const cv::Mat& s, cv::Mat& d) { cv::dilate(s, d, Rect(5)); }},
    {"flat_field", [](const cv::Mat& s, cv::Mat& d) {
       const double mean = cv::mean(s)[0];
       cv::divide(s, s, d, mean);
     }},
};

void RunPeer(benchmark::State& state, const PeerCase& p, int bpp, int threads) {
  Threads t(threads);
  const cv::Mat src = SceneMat(bpp);
  cv::Mat dst;
  p.run(src, dst);
  for (auto _ : state) {
    p.run(src, dst);
    benchmark::DoNotOptimize(dst.data);
  }
  PerPixel(state);
}
#endif

const int kRegistered = [] {
  const int all = omp_get_num_procs();
  for (int bpp : {8, 32}) {
    for (int threads : {all, 1}) {
      const std::string suffix = "/" + std::to_string(bpp) + "bit/threads:" + std::to_string(threads);
      for (const Case& c : kCases) {
        benchmark::RegisterBenchmark(("jorvel/" + std::string(c.label) + suffix).c_str(),
                                     [c, bpp, threads](benchmark::State& s) { RunFilter(s, c.id, bpp, threads, c.setup); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
#ifdef VISION_HAVE_OPENCV
        for (const PeerCase& p : kPeers) {
          if (std::string(p.label) != c.label) continue;
          benchmark::RegisterBenchmark(("opencv/" + std::string(p.label) + suffix).c_str(),
                                       [&p, bpp, threads](benchmark::State& s) { RunPeer(s, p, bpp, threads); })
              ->Unit(benchmark::kMillisecond)
              ->UseRealTime();
        }
#endif
      }
    }
  }
  return 0;
}();

}  // namespace
