// false_color: predefined palettes at chosen entries, user palettes and the
// failure texts, through the module's exported interface.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <vector>

#include "ilvant_color_rig.h"

namespace {

using color_rig::FrameBuffer;
using color_rig::Grey;
using color_rig::MethodRun;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) { return os << "(" << c.r << "," << c.g << "," << c.b << ")"; }

// A one-row ramp 0..255 through palette p (a fill byte marks unwritten alpha).
FrameBuffer MapRamp(double palette, const std::function<void(talvix::RunContext&)>& more = {}) {
  MethodRun run("false_color");
  run.ctx.fillNewFrames(0xAB);
  run.ctx.setFrame(u"Input frame", Grey(256, 1, [](int x, int) { return x; }));
  run.ctx.setNumbers(u"Predefined palette", {palette});
  if (more) more(run.ctx);
  const auto r = run();
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  const FrameBuffer* out = run.ctx.frame(u"Output frame");
  return out ? *out : FrameBuffer();
}

Rgb Entry(const FrameBuffer& f, int i) {
  const uint8_t* p = f.pixel(i, 0);
  return {p[2], p[1], p[0]};
}

struct Spot {
  int palette;
  int entry;
  Rgb colour;
};

// End points and a middle value of every palette, from the palette definitions.
const Spot kSpots[] = {
    {1, 0, {0, 0, 0}},
    {1, 100, {100, 100, 100}},
    {1, 255, {255, 255, 255}},
    {2, 0, {255, 255, 255}},
    {2, 100, {155, 155, 155}},
    {2, 255, {0, 0, 0}},
    {3, 0, {0, 0, 0}},
    {3, 100, {0, 189, 252}},
    {3, 255, {255, 255, 255}},
    {4, 0, {0, 0, 0}},
    {4, 100, {200, 0, 0}},
    {4, 255, {254, 254, 254}},
    {5, 0, {0, 0, 0}},
    {5, 100, {200, 100, 0}},
    {5, 255, {254, 255, 254}},
    {6, 0, {0, 0, 0}},
    {6, 100, {200, 200, 0}},
    {6, 255, {254, 254, 254}},
    {7, 0, {0, 0, 0}},
    {7, 100, {0, 200, 0}},
    {7, 255, {254, 254, 254}},
    {8, 0, {0, 0, 0}},
    {8, 100, {0, 200, 200}},
    {8, 255, {254, 254, 254}},
    {9, 0, {0, 0, 0}},
    {9, 100, {0, 0, 200}},
    {9, 255, {254, 254, 254}},
    {10, 0, {0, 0, 0}},
    {10, 100, {200, 0, 200}},
    {10, 255, {254, 254, 254}},
    {11, 0, {0, 0, 0}},
    {11, 100, {100, 0, 0}},
    {11, 255, {255, 0, 0}},
    {12, 0, {0, 0, 0}},
    {12, 100, {100, 100, 0}},
    {12, 255, {255, 255, 0}},
    {13, 0, {0, 0, 0}},
    {13, 100, {0, 100, 0}},
    {13, 255, {0, 255, 0}},
    {14, 0, {0, 0, 0}},
    {14, 100, {0, 100, 100}},
    {14, 255, {0, 255, 255}},
    {15, 0, {0, 0, 0}},
    {15, 100, {0, 0, 100}},
    {15, 255, {0, 0, 255}},
    {16, 0, {0, 0, 0}},
    {16, 100, {100, 0, 100}},
    {16, 255, {255, 0, 255}},
    {17, 0, {0, 255, 0}},
    {17, 100, {100, 100, 100}},
    {17, 255, {255, 0, 0}},
    // The turns of the black-to-white ramps.
    {4, 127, {254, 0, 0}},
    {4, 128, {254, 0, 0}},
    {4, 200, {254, 144, 144}},
    {8, 129, {2, 254, 254}},
    // The spectrum's ramps, both ends of each.
    {3, 35, {245, 0, 245}},
    {3, 36, {252, 0, 252}},
    {3, 72, {0, 0, 252}},
    {3, 73, {0, 0, 252}},
    {3, 107, {0, 238, 252}},
    {3, 108, {0, 245, 252}},
    {3, 143, {0, 245, 7}},
    {3, 144, {0, 245, 0}},
    {3, 179, {245, 245, 0}},
    {3, 180, {252, 245, 0}},
    {3, 215, {252, 0, 0}},
    {3, 216, {252, 0, 0}},
    {3, 217, {252, 0, 7}},
    {3, 218, {252, 7, 14}},
    {3, 252, {252, 245, 252}},
    {3, 253, {253, 253, 253}},
    {3, 254, {254, 254, 254}},
};

TEST(FalseColor, PredefinedPalettes) {
  std::map<int, FrameBuffer> mapped;
  for (const Spot& s : kSpots) {
    if (!mapped.count(s.palette)) mapped[s.palette] = MapRamp(s.palette);
    const FrameBuffer& f = mapped[s.palette];
    ASSERT_FALSE(f.empty());
    EXPECT_EQ(Entry(f, s.entry), s.colour) << "palette " << s.palette << " entry " << s.entry;
  }
  // Alpha bytes are not written.
  for (int i = 0; i < 256; ++i) EXPECT_EQ(mapped[1].pixel(i, 0)[3], 0xAB);
  // The palette number is truncated.
  EXPECT_EQ(Entry(MapRamp(11.9), 100), (Rgb{100, 0, 0}));
}

// Every entry of every predefined palette, each written out from its own
// definition rather than from shared channel rules.
Rgb PredefinedEntry(int p, int i) {
  const int lead = i < 128 ? 2 * i : 254, trail = i < 128 ? 0 : 2 * (i - 128);
  switch (p) {
    case 1:
      return {i, i, i};
    case 2:
      return {255 - i, 255 - i, 255 - i};
    case 3:
      if (i <= 35) return {7 * i, 0, 7 * i};
      if (i <= 72) return {252 - 7 * (i - 36), 0, 252};
      if (i <= 107) return {0, 7 * (i - 73), 252};
      if (i <= 143) return {0, 245, 252 - 7 * (i - 108)};
      if (i <= 179) return {7 * (i - 144), 245, 0};
      if (i <= 215) return {252, 245 - 7 * (i - 180), 0};
      if (i <= 252) return {252, std::max(0, 7 * (i - 216 - 1)), 7 * (i - 216)};
      return i == 255 ? Rgb{255, 255, 255} : Rgb{i, i, i};
    case 4:
      return {lead, trail, trail};
    case 5:
      return {lead, i, trail};
    case 6:
      return {lead, lead, trail};
    case 7:
      return {trail, lead, trail};
    case 8:
      return {trail, lead, lead};
    case 9:
      return {trail, trail, lead};
    case 10:
      return {lead, trail, lead};
    case 11:
      return {i, 0, 0};
    case 12:
      return {i, i, 0};
    case 13:
      return {0, i, 0};
    case 14:
      return {0, i, i};
    case 15:
      return {0, 0, i};
    case 16:
      return {i, 0, i};
    case 17:
      return i == 0 ? Rgb{0, 255, 0} : i == 255 ? Rgb{255, 0, 0} : Rgb{i, i, i};
  }
  return {-1, -1, -1};
}

TEST(FalseColor, EveryPredefinedEntry) {
  for (int p = 1; p <= 17; ++p) {
    const FrameBuffer f = MapRamp(p);
    ASSERT_FALSE(f.empty()) << p;
    for (int i = 0; i < 256; ++i) ASSERT_EQ(Entry(f, i), PredefinedEntry(p, i)) << "palette " << p << " entry " << i;
  }
}

const TColor kBlack{0, 0, 0, 1}, kRed{1, 0, 0, 1}, kBlue{0, 0, 1, 1}, kWhite{1, 1, 1, 1};

TEST(FalseColor, UserPaletteEvenlySpaced) {
  // Black, red, white without indexes sit at 0, 128 and 255.
  const FrameBuffer f = MapRamp(0, [](talvix::RunContext& ctx) {
    ctx.setColors(u"Border color", {kBlack, kRed, kWhite});
    ctx.setUnnamed(u"Border threshold ");
  });
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(Entry(f, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(Entry(f, 64), (Rgb{127, 0, 0}));  // half way to red
  EXPECT_EQ(Entry(f, 127), (Rgb{253, 0, 0}));
  EXPECT_EQ(Entry(f, 128), (Rgb{255, 0, 0}));
  EXPECT_EQ(Entry(f, 192).g, 128);  // 64/127 of the way to white
  EXPECT_EQ(Entry(f, 255), (Rgb{255, 255, 255}));
  EXPECT_EQ(f.pixel(64, 0)[3], 0xAB);
}

TEST(FalseColor, UserPaletteIndexesAreSorted) {
  // Given out of order: black at 0, blue at trunc(0.5 x 255) = 127, white at 255.
  const FrameBuffer f = MapRamp(0, [](talvix::RunContext& ctx) {
    ctx.setColors(u"Border color", {kWhite, kBlack, kBlue});
    ctx.setNumbers(u"Border threshold ", {1.0, 0.0, 0.5});
  });
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(Entry(f, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(Entry(f, 50), (Rgb{0, 0, 100}));  // 255 x 50 / 127
  EXPECT_EQ(Entry(f, 127), (Rgb{0, 0, 255}));
  EXPECT_EQ(Entry(f, 255), (Rgb{255, 255, 255}));
}

TEST(FalseColor, UserPaletteRampsFromBlackAndToWhite) {
  // Stops at 63, 127 and 191: black below the first, white above the last.
  const FrameBuffer f = MapRamp(0, [](talvix::RunContext& ctx) {
    ctx.setColors(u"Border color", {kRed, kRed, kBlue});
    ctx.setNumbers(u"Border threshold ", {0.25, 0.5, 0.75});
  });
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(Entry(f, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(Entry(f, 21), (Rgb{85, 0, 0}));  // 255 x 21 / 63
  EXPECT_EQ(Entry(f, 63), (Rgb{255, 0, 0}));
  EXPECT_EQ(Entry(f, 100), (Rgb{255, 0, 0}));
  EXPECT_EQ(Entry(f, 191), (Rgb{0, 0, 255}));
  EXPECT_EQ(Entry(f, 223), (Rgb{127, 127, 255}));  // half way to white
  EXPECT_EQ(Entry(f, 255), (Rgb{255, 255, 255}));
}

// The user palette from stops already at their positions: black up to the
// first stop, linear mixes between stops, white after the last; bytes are
// trunc(value x 255).
std::vector<Rgb> UserReference(const std::vector<int>& pos, const std::vector<TColor>& col) {
  std::vector<std::array<double, 3>> e(256);
  const auto rgb = [](const TColor& c) { return std::array<double, 3>{c.R, c.G, c.B}; };
  for (int j = 0; j < pos.front(); ++j)
    for (int c = 0; c < 3; ++c) e[j][c] = rgb(col.front())[c] * j / pos.front();
  for (size_t k = 1; k < pos.size(); ++k) {
    const double a = pos[k - 1], b = pos[k];
    for (int j = pos[k - 1] + 1; j < pos[k]; ++j)
      for (int c = 0; c < 3; ++c) e[j][c] = rgb(col[k - 1])[c] * (b - j) / (b - a) + rgb(col[k])[c] * (j - a) / (b - a);
  }
  const double last = pos.back();
  for (int j = pos.back() + 1; j < 256; ++j)
    for (int c = 0; c < 3; ++c) e[j][c] = rgb(col.back())[c] * (255 - j) / (255 - last) + (j - last) / (255 - last);
  for (size_t k = 0; k < pos.size(); ++k) e[pos[k]] = rgb(col[k]);
  std::vector<Rgb> out;
  for (const auto& v : e) out.push_back({int(v[0] * 255), int(v[1] * 255), int(v[2] * 255)});
  return out;
}

TEST(FalseColor, UserPaletteEveryEntry) {
  const TColor c0{0.2, 0.4, 0.6, 1}, c1{0.9, 0.1, 0.3, 1}, c2{0.5, 0.8, 0.0, 1}, c3{0.1, 0.7, 0.9, 1},
      c4{0.6, 0.3, 0.5, 1}, c5{1.0, 0.9, 0.2, 1}, c6{0.3, 0.0, 0.8, 1};
  // Seven colours without indexes: steps of 256 / 6 added to the truncated
  // previous position (42.67 each), the last at 255.
  const std::vector<TColor> seven{c0, c1, c2, c3, c4, c5, c6};
  const std::vector<Rgb> even = UserReference({0, 42, 84, 126, 168, 210, 255}, seven);
  const FrameBuffer f = MapRamp(0, [&](talvix::RunContext& ctx) {
    ctx.setColors(u"Border color", seven);
    ctx.setUnnamed(u"Border threshold ");
  });
  ASSERT_FALSE(f.empty());
  for (int i = 0; i < 256; ++i) ASSERT_EQ(Entry(f, i), even[i]) << "entry " << i;

  // Four colours with unsorted indexes, none at either end: trunc(v x 255)
  // gives 30, 89, 153 and 229.
  const std::vector<Rgb> given = UserReference({30, 89, 153, 229}, {c1, c3, c0, c5});
  const FrameBuffer g = MapRamp(0, [&](talvix::RunContext& ctx) {
    ctx.setColors(u"Border color", {c0, c1, c5, c3});
    ctx.setNumbers(u"Border threshold ", {0.6, 0.12, 0.9, 0.35});
  });
  ASSERT_FALSE(g.empty());
  for (int i = 0; i < 256; ++i) ASSERT_EQ(Entry(g, i), given[i]) << "entry " << i;
}

TEST(FalseColor, UserColoursOutsideTheUnitRangeDoNotWrap) {
  // -0.5 and 2.0 would wrap to 129 and 254 as bytes; they saturate instead.
  const FrameBuffer f = MapRamp(0, [](talvix::RunContext& ctx) {
    ctx.setColors(u"Border color", {{-0.5, 0, 0, 1}, {2.0, 0.5, 0, 1}, kWhite});
    ctx.setUnnamed(u"Border threshold ");
  });
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(Entry(f, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(Entry(f, 128), (Rgb{255, 127, 0}));
}

TEST(FalseColor, Failures) {
  struct Case {
    const char* what;
    std::function<void(talvix::RunContext&)> setup;
    std::u16string error;
  };
  const auto grey = [](talvix::RunContext& ctx) {
    ctx.setFrame(u"Input frame", Grey(4, 4, [](int, int) { return 1; }));
  };
  const Case cases[] = {
      {"no frame", [](talvix::RunContext&) {}, u"error: Cannot get input frame Input frame"},
      {"colour frame", [](talvix::RunContext& ctx) { ctx.setFrame(u"Input frame", FrameBuffer::make(4, 4, 32)); },
       u"error: Frame is not monochromatic "},
      {"palette 18", [&](talvix::RunContext& ctx) { grey(ctx), ctx.setNumbers(u"Predefined palette", {18}); },
       u"error: Unknown palette"},
      {"palette -1", [&](talvix::RunContext& ctx) { grey(ctx), ctx.setNumbers(u"Predefined palette", {-1}); },
       u"error: Unknown palette"},
      {"palette 1e300", [&](talvix::RunContext& ctx) { grey(ctx), ctx.setNumbers(u"Predefined palette", {1e300}); },
       u"error: Unknown palette"},
      {"two colours",
       [&](talvix::RunContext& ctx) {
         grey(ctx), ctx.setNumbers(u"Predefined palette", {0});
         ctx.setColors(u"Border color", {kBlack, kWhite});
         ctx.setUnnamed(u"Border threshold ");
       },
       u"error: There must be defined at least 3 colors for the pallete"},
      {"colours unnamed", [&](talvix::RunContext& ctx) { grey(ctx), ctx.setUnnamed(u"Border color"); },
       u"error: Cannot get input color"},
      {"index count",
       [&](talvix::RunContext& ctx) {
         grey(ctx), ctx.setColors(u"Border color", {kBlack, kRed, kWhite});
         ctx.setNumbers(u"Border threshold ", {0, 1});
       },
       u"error: There must be the same number of defined colors and indexes"},
      {"index range",
       [&](talvix::RunContext& ctx) {
         grey(ctx), ctx.setColors(u"Border color", {kBlack, kRed, kWhite});
         ctx.setNumbers(u"Border threshold ", {0, 1.5, 1});
       },
       u"error: Index out of range 0 - 1"},
  };
  for (const Case& c : cases) {
    MethodRun run("false_color");
    c.setup(run.ctx);
    const auto r = run();
    EXPECT_FALSE(r.ok) << c.what;
    EXPECT_EQ(r.error, c.error) << c.what;
  }
}

TEST(FalseColor, SameBytesWithOneAndEightThreads) {
  const FrameBuffer in = color_rig::Pattern(ilvant_test::kSplitWidth, ilvant_test::kSplitDepth, 8, 11);
  for (double p : {3.0, 5.0}) {
    ilvant_test::ExpectThreadsAgree("false_color", [&](talvix::RunContext& ctx) {
      ctx.setFrame(u"Input frame", in);
      ctx.setNumbers(u"Predefined palette", {p});
    });
  }
}

}  // namespace
