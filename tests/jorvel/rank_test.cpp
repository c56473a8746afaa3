// Median, minimum, maximum and extreme against brute-force windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "jorvel_run.h"

#ifdef JORVEL_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using jorvel_test::Filter;
using jorvel_test::Pattern;
using jorvel_test::Pixels;
using talvix::FrameBuffer;

struct Window {
  int x0, x1, y0, y1;
};
Window Clip(const FrameBuffer& f, int x, int y, int r) {
  return {std::max(0, x - r), std::min(f.width() - 1, x + r), std::max(0, y - r), std::min(f.depth() - 1, y + r)};
}

FrameBuffer RefMedian(const FrameBuffer& in, int r) {
  FrameBuffer out = FrameBuffer::make(in.width(), in.depth(), in.bpp());
  const int n = in.bpp() / 8;
  for (int y = 0; y < in.depth(); ++y)
    for (int x = 0; x < in.width(); ++x) {
      const Window w = Clip(in, x, y, r);
      for (int c = 0; c < (n == 1 ? 1 : 3); ++c) {
        std::vector<int> v;
        for (int yy = w.y0; yy <= w.y1; ++yy)
          for (int xx = w.x0; xx <= w.x1; ++xx) v.push_back(in.pixel(xx, yy)[c]);
        const size_t h = v.size() / 2;  // the h-th smallest, 1-based
        if (h == 0) {
          out.pixel(x, y)[c] = 255;
        } else {
          std::nth_element(v.begin(), v.begin() + (h - 1), v.end());
          out.pixel(x, y)[c] = static_cast<uint8_t>(v[h - 1]);
        }
      }
      if (n == 4) out.pixel(x, y)[3] = in.pixel(x, y)[3];
    }
  return out;
}

enum class Kind { kMin, kMax, kExtreme };

int Sum(const FrameBuffer& f, int x, int y) {
  const uint8_t* p = f.pixel(x, y);
  return f.bpp() == 8 ? p[0] : p[0] + p[1] + p[2];
}

FrameBuffer RefRank(const FrameBuffer& in, int r, float i, Kind kind) {
  FrameBuffer out = FrameBuffer::make(in.width(), in.depth(), in.bpp());
  const int n = in.bpp() / 8;
  for (int y = 0; y < in.depth(); ++y)
    for (int x = 0; x < in.width(); ++x) {
      const Window w = Clip(in, x, y, r);
      // First in raster order with the strictly smallest / largest value.
      int lx = -1, ly = -1, hx = -1, hy = -1, lo = n == 1 ? 255 : 765, hi = 0;
      for (int yy = w.y0; yy <= w.y1; ++yy)
        for (int xx = w.x0; xx <= w.x1; ++xx) {
          const int s = Sum(in, xx, yy);
          if (s < lo || lx < 0) lo = s, lx = xx, ly = yy;
          if (s > hi || hx < 0) hi = s, hx = xx, hy = yy;
        }
      const int v = Sum(in, x, y);
      const bool low = kind == Kind::kMin || (kind == Kind::kExtreme && v - lo > hi - v);
      const uint8_t* c = low ? in.pixel(lx, ly) : in.pixel(hx, hy);
      for (int ch = 0; ch < (n == 1 ? 1 : 3); ++ch)
        out.pixel(x, y)[ch] = static_cast<uint8_t>(static_cast<float>(in.pixel(x, y)[ch]) * (1.0f - i) +
                                                   static_cast<float>(c[ch]) * i);
      if (n == 4) out.pixel(x, y)[3] = 1;
    }
  return out;
}

FrameBuffer RunRank(const std::string& id, const FrameBuffer& in, double r, double i = 1.0) {
  Filter f(id);
  f.ctx.fillNewFrames(0xCD);
  f.input(in);
  f.number(u"Neighbourhood radius", r);
  f.numbersIfAny(u"Intensity", {i});
  const talvix::RunResult res = f.run();
  EXPECT_TRUE(res.ok) << talvix::ToUtf8(res.error);
  return res.ok ? f.out() : FrameBuffer{};
}

struct Shape {
  int w, d, bpp;
};
const Shape kShapes[] = {{13, 9, 8}, {3, 7, 8}, {1, 5, 24}, {7, 6, 24}, {2, 2, 32}, {11, 4, 32}, {1, 1, 8}};

// Few distinct values so that ties are common.
FrameBuffer Coarse(int w, int d, int bpp, uint32_t seed) {
  FrameBuffer f = Pattern(w, d, bpp, seed);
  for (uint8_t* p = f.row(0); p < f.row(0) + f.stride() * d; ++p) *p = static_cast<uint8_t>((*p % 4) * 60);
  return f;
}

TEST(JorvelRank, MedianMatchesTheBruteForceRank) {
  for (int r : {1, 2, 3}) {
    for (const Shape& s : kShapes) {
      SCOPED_TRACE(testing::Message() << "radius " << r << " on " << s.w << "x" << s.d << "x" << s.bpp);
      const FrameBuffer in = Pattern(s.w, s.d, s.bpp, 5);
      EXPECT_EQ(Pixels(RunRank("median", in, r)), Pixels(RefMedian(in, r)));
    }
  }
  // 1..9 in a 3x3 frame: the centre takes the 4th smallest, a corner the
  // 2nd of its four; a single pixel gives 255.
  const FrameBuffer nine = jorvel_test::Fill(3, 3, 8, [](int x, int y) { return 1 + x + 3 * y; });
  const FrameBuffer m = RunRank("median", nine, 1);
  EXPECT_EQ(m.pixel(1, 1)[0], 4);
  EXPECT_EQ(m.pixel(0, 0)[0], 2);
  EXPECT_EQ(RunRank("median", jorvel_test::Fill(1, 1, 8, [](int, int) { return 7; }), 1).pixel(0, 0)[0], 255);
}

TEST(JorvelRank, ChoicesAndBlendsMatchTheReference) {
  const struct {
    const char* id;
    Kind kind;
  } kinds[] = {{"minimum", Kind::kMin}, {"maximum", Kind::kMax}, {"extreme", Kind::kExtreme}};
  for (const auto& k : kinds) {
    for (int r : {0, 1, 3}) {
      for (double i : {0.0, 0.5, 1.0, 0.3}) {
        for (const Shape& s : kShapes) {
          SCOPED_TRACE(testing::Message() << k.id << " r " << r << " i " << i << " on " << s.w << "x" << s.d << "x" << s.bpp);
          const FrameBuffer in = Coarse(s.w, s.d, s.bpp, 3);
          EXPECT_EQ(Pixels(RunRank(k.id, in, r, i)), Pixels(RefRank(in, r, static_cast<float>(i), k.kind)));
        }
      }
    }
  }
}

TEST(JorvelRank, WholePixelsAndTies) {
  // (255, 0, 0) against (0, 0, 200): the larger sum wins whole.
  FrameBuffer two = FrameBuffer::make(2, 1, 32);
  two.pixel(0, 0)[0] = 255;
  two.pixel(1, 0)[2] = 200;
  const FrameBuffer mx = RunRank("maximum", two, 1);
  for (int x = 0; x < 2; ++x) {
    EXPECT_EQ(mx.pixel(x, 0)[0], 255);
    EXPECT_EQ(mx.pixel(x, 0)[1], 0);
    EXPECT_EQ(mx.pixel(x, 0)[2], 0);
    EXPECT_EQ(mx.pixel(x, 0)[3], 1) << "the fourth byte is 1";
  }
  // Equal sums: the first in raster order wins.
  FrameBuffer tie = FrameBuffer::make(3, 2, 24);
  const uint8_t px[6][3] = {{90, 90, 90}, {0, 0, 10}, {10, 0, 0}, {0, 10, 0}, {90, 90, 90}, {90, 90, 90}};
  for (int k = 0; k < 6; ++k) std::copy_n(px[k], 3, tie.pixel(k % 3, k / 3));
  const FrameBuffer mn = RunRank("minimum", tie, 1);
  auto bytes = [](const FrameBuffer& f, int x, int y) { return std::vector<int>(f.pixel(x, y), f.pixel(x, y) + 3); };
  EXPECT_EQ(bytes(mn, 0, 1), (std::vector<int>{0, 0, 10})) << "row 0's pixel comes before row 1's (0, 10, 0)";
  EXPECT_EQ(bytes(mn, 2, 1), (std::vector<int>{0, 0, 10})) << "the left one comes before (10, 0, 0)";
  // Extreme halfway between minimum and maximum takes the maximum.
  const FrameBuffer mid = jorvel_test::Fill(3, 1, 8, [](int x, int) { return x * 50; });
  EXPECT_EQ(RunRank("extreme", mid, 1).pixel(1, 0)[0], 100);
  // Radius 0 keeps the frame; a negative radius is corrected to it.
  const FrameBuffer grey = Pattern(6, 5, 8, 8);
  Filter f("minimum");
  f.input(grey);
  f.number(u"Neighbourhood radius", -3);
  ASSERT_TRUE(f.run().ok);
  EXPECT_EQ(Pixels(f.out()), Pixels(grey));
  EXPECT_EQ(f.ctx.warnings(), std::vector<std::u16string>{
                                  u"Not acceptable value of the parameter Neighbourhood radius (-3). It will be used new value 0."});
}

// One filter object keeps its working rows between runs: frames that grow,
// shrink and change depth, the widest radius, widths that are no multiple of
// a vector and frames deep enough to be split into bands of rows must all
// still match the reference.
TEST(JorvelRank, KeptPlanesFollowEachFrame) {
  const struct {
    int w, d, bpp, r;
    double i;
  } runs[] = {{45, 23, 32, 10, 1.0}, {9, 40, 32, 10, 0.3}, {70, 33, 24, 4, 1.0}, {45, 23, 8, 10, 1.0},
              {37, 5, 8, 2, 0.0},    {130, 61, 32, 1, 0.6}, {50, 100, 24, 3, 1.0}};
  const struct {
    const char* id;
    Kind kind;
  } kinds[] = {{"minimum", Kind::kMin}, {"maximum", Kind::kMax}, {"extreme", Kind::kExtreme}};
  for (const auto& k : kinds) {
    Filter f(k.id);
    f.ctx.fillNewFrames(0xCD);
    for (const auto& run : runs) {
      SCOPED_TRACE(testing::Message() << k.id << " " << run.w << "x" << run.d << "x" << run.bpp << " r " << run.r);
      const FrameBuffer in = Coarse(run.w, run.d, run.bpp, 11);
      f.input(in);
      f.number(u"Neighbourhood radius", run.r);
      f.number(u"Intensity", run.i);
      ASSERT_TRUE(f.run().ok);
      EXPECT_EQ(Pixels(f.out()), Pixels(RefRank(in, run.r, static_cast<float>(run.i), k.kind)));
    }
  }
}

TEST(JorvelRank, ThreadCountDoesNotChangeTheResult) {
  for (const char* id : {"median", "minimum", "maximum", "extreme"}) {
    for (int bpp : {8, 24, 32}) {
      jorvel_test::ExpectThreadsAgree(id, [bpp](Filter& f) {
        f.input(Coarse(301, 211, bpp, 6));
        f.number(u"Neighbourhood radius", 2);
        f.numbersIfAny(u"Intensity", {0.7});
      });
    }
  }
}

}  // namespace

#ifdef JORVEL_HAVE_OPENCV
namespace {

TEST(JorvelRank, GreyMinimumAndMaximumAgreeWithOpenCv) {
  for (int r : {1, 2, 5}) {
    const FrameBuffer in = Pattern(57, 31, 8, 12);
    const cv::Mat src(in.depth(), in.width(), CV_8UC1, const_cast<uint8_t*>(in.row(0)), static_cast<size_t>(in.stride()));
    const cv::Mat rect = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * r + 1, 2 * r + 1));
    cv::Mat lo, hi;
    cv::erode(src, lo, rect);  // the default border leaves the clipped window
    cv::dilate(src, hi, rect);
    const FrameBuffer mn = RunRank("minimum", in, r), mx = RunRank("maximum", in, r);
    for (int y = 0; y < in.depth(); ++y)
      for (int x = 0; x < in.width(); ++x) {
        ASSERT_EQ(mn.pixel(x, y)[0], lo.at<uint8_t>(y, x)) << r << " at " << x << "," << y;
        ASSERT_EQ(mx.pixel(x, y)[0], hi.at<uint8_t>(y, x)) << r << " at " << x << "," << y;
      }
  }
}

}  // namespace
#endif
