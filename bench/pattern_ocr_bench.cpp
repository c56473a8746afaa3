// The pattern-trained reader on a rendered 60-character line against a
// 62-glyph table, beside OpenCV matchTemplate (TM_CCOEFF_NORMED) of every
// segmented box against every glyph; and text_angle on a 1000 x 300 region in
// ns per pixel, beside the host's cost of scanning the same lines.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "talvix/host.hpp"
#include "tests/kelmar/text_render.h"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

const std::string kGlyphs = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

talvix::Module* Kelmar() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("kelmar");
  return m.get();
}

kelmar_test::TextLayout Mono(const std::string& text) {
  kelmar_test::TextLayout t;
  t.lines = {text};
  t.size = 24;
  t.x = 10;
  t.y = 34;
  t.family = "DejaVu Sans Mono";
  return t;
}

std::string Sixty() {
  std::string s;
  for (int i = 0; s.size() < 60; ++i) s += kGlyphs[(i * 7) % kGlyphs.size()];
  return s;
}

void BM_PatternOcrLine(benchmark::State& state) {
  talvix::Module* m = Kelmar();
  if (!m) return state.SkipWithError("kelmar module not found");
  const talvix::FrameBuffer pattern = kelmar_test::RenderText(15 * 62 + 20, 50, Mono(kGlyphs));
  const talvix::FrameBuffer input = kelmar_test::RenderText(15 * 60 + 20, 50, Mono(Sixty()));
  const intptr_t handle = m->create(3);
  talvix::RunContext ctx(*m, 3);
  ctx.setFrame(u"Input frame", input);
  ctx.setFrame(u"Pattern frame", pattern);
  ctx.setRegions(u"Region", {{input.width() / 2.0, input.depth() / 2.0, input.width() - 4.0, input.depth() - 4.0, 0}});
  ctx.setStrings(u"Table of characters", {talvix::ToU16(kGlyphs)});
  ctx.setFlags(u"Show results", {false});
  if (!ctx.run(handle).ok) {
    m->destroy(handle);
    return state.SkipWithError("run failed");
  }
  for (auto _ : state) benchmark::DoNotOptimize(ctx.run(handle).ok);
  state.counters["threads"] = omp_get_max_threads();
  m->destroy(handle);
}
BENCHMARK(BM_PatternOcrLine)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
// Boxes of the same line and glyphs cut on the same character grid (the
// monospaced advance), each box searched with every glyph within +-3 pixels.
void BM_PatternOcrPeerMatchTemplate(benchmark::State& state) {
  const talvix::FrameBuffer pattern = kelmar_test::RenderText(15 * 62 + 20, 50, Mono(kGlyphs));
  const talvix::FrameBuffer input = kelmar_test::RenderText(15 * 60 + 20, 50, Mono(Sixty()));
  const auto toMat = [](const talvix::FrameBuffer& f) {
    cv::Mat m(f.depth(), f.width(), CV_8UC1);
    for (int y = 0; y < f.depth(); ++y) std::copy_n(f.row(y), f.width(), m.ptr(y));
    return m;
  };
  const cv::Mat p = toMat(pattern), in = toMat(input);
  const double advance = 24 * 0.602;
  cv::setNumThreads(omp_get_max_threads());
  for (auto _ : state) {
#pragma omp parallel for schedule(static)
    for (int b = 0; b < 60; ++b) {
      const cv::Rect box(static_cast<int>(10 + b * advance), 8, 14, 30);
      cv::Mat search = in(cv::Rect(box.x - 3, box.y - 3, box.width + 6, box.height + 6)), result;
      for (int g = 0; g < 62; ++g) {
        cv::matchTemplate(search, p(cv::Rect(static_cast<int>(10 + g * advance), 8, 14, 30)), result,
                          cv::TM_CCOEFF_NORMED);
      }
    }
  }
}
BENCHMARK(BM_PatternOcrPeerMatchTemplate)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

talvix::FrameBuffer Paragraph() {
  kelmar_test::TextLayout t;
  t.lines = {"The quick brown fox jumps over the lazy dog and keeps running on",
             "across the wide field while five boxing wizards jump quickly",
             "and pack my box with five dozen liquor jugs before the dawn",
             "sphinx of black quartz judge my vow again and again tonight",
             "how vexingly quick daft zebras jump over the fence at noon"};
  t.size = 26;
  t.lineStep = 52;
  t.x = 20;
  t.y = 40;
  t.angle = 7;
  return kelmar_test::RenderText(1040, 340, t);
}

void BM_TextAngle(benchmark::State& state) {
  talvix::Module* m = Kelmar();
  if (!m) return state.SkipWithError("kelmar module not found");
  const intptr_t handle = m->create(5);
  talvix::RunContext ctx(*m, 5);
  ctx.setFrame(u"Input frame", Paragraph());
  ctx.setRegions(u"Region", {{520, 170, 1000, 300, 0}});
  for (auto _ : state) benchmark::DoNotOptimize(ctx.run(handle).ok);
  state.counters["ns_per_pixel"] = benchmark::Counter(1000.0 * 300, benchmark::Counter::kIsIterationInvariantRate |
                                                                         benchmark::Counter::kInvert);
  state.counters["angle"] = ctx.numbers(u"Text direction angle").at(0);
  m->destroy(handle);
}
BENCHMARK(BM_TextAngle)->Unit(benchmark::kMillisecond)->UseRealTime();

// The host's part: the same 91 x L line scans over an 8-bit frame of the
// work frame's size with a callback that never stops a line.
void BM_TextAngleHostScans(benchmark::State& state) {
  const double w = 1000, h = 300;
  const int side = static_cast<int>(std::sqrt(2 * (w * w + h * h)) + 3);
  const int lines = static_cast<int>(std::sqrt(w * w + h * h) + 3);
  const talvix::FrameBuffer work = talvix::FrameBuffer::make(side, side, 8, 255);
  for (auto _ : state) {
    long visits = 0;
#pragma omp parallel for schedule(static) reduction(+ : visits)
    for (int a = -45; a <= 45; ++a) {
      const TRectangularRegion trial{side / 2.0, side / 2.0, double(lines), double(lines), double(a)};
      long mine = 0;
      for (int i = lines - 1; i >= 0; --i) {
        int x0, y0, x1, y1;
        if (!GetScanRectangularRegionLine(work.frame(), &trial, lines, i, 0.0, &x0, &y0, &x1, &y1)) continue;
        const TLine l{double(x0), double(y0), double(x1), double(y1)};
        ScanLine(work.frame(), &trial, &l, 1, &mine, [](void* u, int, int, unsigned) {
          ++*static_cast<long*>(u);
          return true;
        });
      }
      visits += mine;
    }
    benchmark::DoNotOptimize(visits);
  }
  state.counters["ns_per_pixel"] =
      benchmark::Counter(w * h, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TextAngleHostScans)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
