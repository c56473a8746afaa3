// simple_threshold, inverse, add_const, mult_const, add_frame and sub_frame
// through the module's exported interface, against a per-channel reference.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ilvant_run.h"

using ilvant_test::kCanary;
using ilvant_test::MethodRun;
using ilvant_test::Pattern;
using talvix::FrameBuffer;

namespace {

enum class Alpha { Copied, Untouched };

// Every colour channel of out must be ref(in channel); the 32-bit alpha byte
// follows the rule. Stops at the first difference.
void ExpectChannels(const FrameBuffer& in, const FrameBuffer& out, const std::function<int(int)>& ref, Alpha alpha) {
  ASSERT_EQ(out.width(), in.width());
  ASSERT_EQ(out.depth(), in.depth());
  ASSERT_EQ(out.bpp(), in.bpp());
  const int n = in.bpp() / 8;
  for (int y = 0; y < in.depth(); ++y) {
    for (int x = 0; x < in.width(); ++x) {
      for (int c = 0; c < n; ++c) {
        const int v = in.pixel(x, y)[c];
        const int want = (n == 4 && c == 3) ? (alpha == Alpha::Copied ? v : kCanary) : ref(v);
        ASSERT_EQ(out.pixel(x, y)[c], want) << "pixel " << x << "," << y << " channel " << c << " input " << v;
      }
    }
  }
}

// A pattern frame whose first pixels hold the values around the default and
// edge thresholds.
FrameBuffer Input(int w, int d, int bpp) {
  FrameBuffer f = Pattern(w, d, bpp, 7);
  const uint8_t edge[] = {126, 127, 128, 0, 255, 1};
  for (int i = 0; i < std::min<int>(6, w * bpp / 8); ++i) f.row(0)[i] = edge[i];
  return f;
}

std::u16string Corrected(const std::u16string& name, const std::u16string& oldValue, const std::u16string& newValue) {
  return u"Not acceptable value of the parameter " + name + u" (" + oldValue + u"). It will be used new value " +
         newValue + u".";
}

struct OneFrameCase {
  const char* id;
  std::optional<double> value;
  std::function<int(int)> ref;  // null: a whole copy of the input, header included
  Alpha alpha;
  std::u16string warning;  // empty: none
};

const char16_t* ParamOf(const std::string& id) {
  if (id == "simple_threshold") return u"Threshold";
  if (id == "add_const") return u"Add value";
  return u"Multiplier";
}

TEST(OneFrameArithmetic, EveryDepthAgainstReference) {
  const auto threshold = [](int t) { return [t](int c) { return c < t ? 0 : 255; }; };
  const auto add = [](int k) { return [k](int c) { return std::clamp(c + k, 0, 255); }; };
  const auto mult = [](int m) { return [m](int c) { return std::min((c * m) >> 8, 255); }; };
  const std::vector<OneFrameCase> cases = {
      {"simple_threshold", std::nullopt, threshold(128), Alpha::Untouched, u""},
      {"simple_threshold", 0.5, threshold(127), Alpha::Untouched, u""},  // trunc(127.5)
      {"simple_threshold", 0.0, threshold(0), Alpha::Untouched, u""},
      {"simple_threshold", 1.0, threshold(255), Alpha::Untouched, u""},
      {"simple_threshold", 1.5, threshold(255), Alpha::Untouched, Corrected(u"Threshold", u"1.500000", u"1.000000")},
      {"simple_threshold", -0.25, threshold(0), Alpha::Untouched, Corrected(u"Threshold", u"-0.250000", u"0.000000")},
      {"inverse", std::nullopt, [](int c) { return 255 - c; }, Alpha::Copied, u""},
      {"add_const", std::nullopt, nullptr, Alpha::Copied, u""},
      {"add_const", 0.001, nullptr, Alpha::Copied, u""},  // k = trunc(0.255) = 0
      {"add_const", 0.1, add(25), Alpha::Copied, u""},
      {"add_const", -0.1, add(-25), Alpha::Copied, u""},
      {"add_const", 2.0, add(255), Alpha::Copied, Corrected(u"Add value", u"2.000000", u"1.000000")},
      {"add_const", -2.0, add(-255), Alpha::Copied, Corrected(u"Add value", u"-2.000000", u"-1.000000")},
      // Far past the int range: corrected, not overflowed.
      {"add_const", 1e300, add(255), Alpha::Copied, Corrected(u"Add value", u"inf", u"1.000000")},
      // An absent multiplier is the default 1, not a black frame.
      {"mult_const", std::nullopt, nullptr, Alpha::Copied, u""},
      {"mult_const", 1.0, nullptr, Alpha::Copied, u""},
      {"mult_const", 0.5, mult(128), Alpha::Copied, u""},
      {"mult_const", 0.3, mult(76), Alpha::Copied, u""},  // trunc(76.8)
      {"mult_const", 2.0, mult(512), Alpha::Copied, u""},
      {"mult_const", -1.0, mult(0), Alpha::Copied, Corrected(u"Multiplier", u"-1.000000", u"0.000000")},
      // No upper limit, and no overflow of c x m either.
      {"mult_const", 1e12, [](int c) { return c ? 255 : 0; }, Alpha::Copied, u""},
      // A NaN number counts as 0, without a warning.
      {"simple_threshold", NAN, threshold(0), Alpha::Untouched, u""},
      {"add_const", NAN, nullptr, Alpha::Copied, u""},
      {"mult_const", NAN, mult(0), Alpha::Copied, u""},
  };
  for (const OneFrameCase& tc : cases) {
    for (int bpp : {8, 24, 32}) {
      for (int w : {1, 3, 7, 37}) {  // odd widths pad rows; 37 = two 16-pixel blocks and a tail
        SCOPED_TRACE(std::string(tc.id) + " value " + (tc.value ? std::to_string(*tc.value) : "absent") + " bpp " +
                     std::to_string(bpp) + " width " + std::to_string(w));
        MethodRun run(tc.id);
        run.ctx.fillNewFrames(kCanary);
        const FrameBuffer in = Input(w, 3, bpp);
        run.ctx.setFrame(u"Input frame", in);
        if (tc.value) run.ctx.setNumbers(ParamOf(tc.id), {*tc.value});
        const auto r = run();
        if (tc.ref && std::string(tc.id) == "mult_const" && bpp == 24) {
          // No 24-bit computation: refused rather than left untouched.
          EXPECT_FALSE(r.ok);
          EXPECT_EQ(r.error, u"error: Frame format not supported (24 bit/pix)");
          continue;
        }
        ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
        if (!tc.ref) {
          EXPECT_EQ(run.out().bytes(), in.bytes());
        } else {
          ExpectChannels(in, run.out(), tc.ref, tc.alpha);
        }
        if (tc.warning.empty()) {
          EXPECT_TRUE(run.ctx.warnings().empty());
        } else {
          EXPECT_EQ(run.ctx.warnings(), std::vector<std::u16string>{tc.warning});
        }
      }
    }
  }
}

TEST(OneFrameArithmetic, ArrayNumberIsReadAtElementZeroWithWarning) {
  MethodRun run("simple_threshold");
  const FrameBuffer in = Input(5, 2, 8);
  run.ctx.setFrame(u"Input frame", in);
  run.ctx.setNumbers(u"Threshold", {0.5, 0.9});
  ASSERT_TRUE(run().ok);
  ExpectChannels(
      in, run.out(), [](int c) { return c < 127 ? 0 : 255; }, Alpha::Copied);
  EXPECT_EQ(run.ctx.warnings(), std::vector<std::u16string>{u"Only the first element of the array would be evaluated "
                                                            u"in the input data object Threshold"});
}

struct Pairing {
  int bpp0, bpp1;
  bool supported;
};

TEST(FrameArithmetic, DepthPairingsAgainstReference) {
  const Pairing pairings[] = {{8, 8, true},   {32, 32, true}, {32, 8, true},   {8, 32, true},  {24, 24, false},
                              {24, 8, false}, {8, 24, false}, {32, 24, false}, {24, 32, false}};
  for (const char* id : {"add_frame", "sub_frame"}) {
    const bool isAdd = std::string(id) == "add_frame";
    for (const Pairing& p : pairings) {
      for (int w : {1, 6, 7, 37}) {
        SCOPED_TRACE(std::string(id) + " " + std::to_string(p.bpp0) + "/" + std::to_string(p.bpp1) + " width " +
                     std::to_string(w));
        MethodRun run(id);
        run.ctx.fillNewFrames(kCanary);
        const FrameBuffer a = Pattern(w, 3, p.bpp0, 1);
        const FrameBuffer b = Pattern(w, 3, p.bpp1, 2);
        run.ctx.setFrame(u"Input frame", a);
        run.ctx.setFrame(isAdd ? u"Added frame" : u"Substract frame", b);
        const auto r = run();
        if (!p.supported) {
          EXPECT_FALSE(r.ok);
          EXPECT_EQ(r.error, u"error: Frame format not supported (24 bit/pix)");
          continue;
        }
        ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
        const FrameBuffer& out = run.out();
        ASSERT_EQ(out.bpp(), std::max(p.bpp0, p.bpp1));
        for (int y = 0; y < 3; ++y) {
          for (int x = 0; x < w; ++x) {
            const int n = out.bpp() / 8;
            for (int c = 0; c < n; ++c) {
              // A grey operand takes part in every colour channel.
              const int va = a.pixel(x, y)[p.bpp0 == 8 ? 0 : c];
              const int vb = b.pixel(x, y)[p.bpp1 == 8 ? 0 : c];
              int want = isAdd ? std::min(va + vb, 255) : std::max(va - vb, 0);
              if (c == 3) want = p.bpp0 == 32 ? va : vb;  // alpha of the 32-bit operand, input 0 first
              ASSERT_EQ(out.pixel(x, y)[c], want) << x << "," << y << " channel " << c;
            }
          }
        }
      }
    }
  }
}

struct FailureCase {
  const char* id;
  bool first, second, output;
  int secondHeight;
  int errLen;
  std::u16string text;
};

TEST(PixelArithmeticFailures, Texts) {
  const std::vector<FailureCase> cases = {
      {"simple_threshold", false, false, true, 4, 255, u"error: Cannot get input frame Input frame"},
      {"inverse", true, false, false, 4, 255, u"error: Cannot get output frame"},
      {"mult_const", true, false, false, 4, 255, u"error: Cannot get output frame"},
      {"add_frame", false, true, true, 4, 255, u"error: Cannot get input frame Input frame"},
      {"add_frame", true, false, true, 4, 255, u"error: Cannot get input frame Added frame"},
      {"sub_frame", true, false, true, 4, 255, u"error: Cannot get input frame Substract frame"},
      // The composite text is cut to the buffer.
      {"sub_frame", true, false, true, 4, 33, u"error: Cannot get input frame Subs"},
      {"sub_frame", true, true, true, 5, 255, u"error: Frames must have the same dimensions"},
      {"add_frame", true, true, false, 4, 255, u"error: Cannot get output frame"},
  };
  for (const FailureCase& tc : cases) {
    SCOPED_TRACE(std::string(tc.id) + " " + talvix::ToUtf8(tc.text));
    MethodRun run(tc.id);
    if (tc.first) run.ctx.setFrame(u"Input frame", Pattern(3, 4, 8, 1));
    const std::string id = tc.id;
    if (tc.second && (id == "add_frame" || id == "sub_frame")) {
      run.ctx.setFrame(id == "add_frame" ? u"Added frame" : u"Substract frame", Pattern(3, tc.secondHeight, 8, 2));
    }
    if (!tc.output) run.ctx.setUnnamed(u"Output frame");
    const auto r = run(tc.errLen);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, tc.text);
  }
  // The documented pair of sizes.
  MethodRun run("sub_frame");
  run.ctx.setFrame(u"Input frame", FrameBuffer::make(640, 480, 8));
  run.ctx.setFrame(u"Substract frame", FrameBuffer::make(640, 481, 8));
  EXPECT_EQ(run().error, u"error: Frames must have the same dimensions");
}

// Every method of this family on a frame large enough to be split over the
// threads (small frames run on one): the row split must not change a byte.
TEST(PixelMethods, SameOutputWithOneAndEightThreads) {
  using Setup = std::function<void(talvix::RunContext&)>;
  const auto frame = [](const char16_t* name, int bpp, uint32_t seed) {
    return [=](talvix::RunContext& c) { c.setFrame(name, Pattern(257, 131, bpp, seed)); };
  };
  const auto number = [](const char16_t* name, double v) {
    return [=](talvix::RunContext& c) { c.setNumbers(name, {v}); };
  };
  const auto rotated = [](talvix::RunContext& c) { c.inspection().setCoordinateSystem({0, 0, 23.0}); };
  const auto offset = [](talvix::RunContext& c) { c.setPoints(u"Offset", {{-4.5, 3.25}}); };
  const std::vector<std::pair<const char*, std::vector<Setup>>> runs = {
      {"simple_threshold", {frame(u"Input frame", 32, 1), number(u"Threshold", 0.4)}},
      {"inverse", {frame(u"Input frame", 24, 1)}},
      {"add_const", {frame(u"Input frame", 32, 1), number(u"Add value", -0.3)}},
      {"mult_const", {frame(u"Input frame", 8, 1), number(u"Multiplier", 1.7)}},
      {"add_frame", {frame(u"Input frame", 8, 1), frame(u"Added frame", 32, 2)}},
      {"sub_frame", {frame(u"Input frame", 32, 1), frame(u"Substract frame", 8, 2)}},
      {"paste_mask", {frame(u"Input frame", 32, 1), frame(u"Mask frame", 8, 2)}},
      {"masking", {frame(u"Input frame", 32, 1), frame(u"Mask frame", 8, 2)}},
      {"blend_frame",
       {frame(u"Input frame", 32, 1), frame(u"Blend frame", 32, 2), number(u"Alpha channel", 0.6), offset}},
      {"blend_frame", {frame(u"Input frame", 8, 1), frame(u"Blend frame", 32, 2), offset, rotated}},
      {"blend_frame_alpha", {frame(u"Input frame", 32, 1), frame(u"Blend frame", 32, 2), offset}},
      {"blend_frame_alpha", {frame(u"Input frame", 8, 1), frame(u"Blend frame", 32, 2), offset, rotated}},
  };
  const int before = omp_get_max_threads();
  for (const auto& [id, setup] : runs) {
    SCOPED_TRACE(id);
    std::vector<uint8_t> outputs[2];
    for (int i = 0; i < 2; ++i) {
      omp_set_num_threads(i == 0 ? 1 : 8);
      MethodRun run(id);
      for (const Setup& s : setup) s(run.ctx);
      const auto r = run();
      ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
      outputs[i] = run.out().bytes();
    }
    EXPECT_EQ(outputs[0], outputs[1]);
  }
  omp_set_num_threads(before);
}

}  // namespace
