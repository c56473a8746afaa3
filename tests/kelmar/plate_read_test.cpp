// The plate reader end to end: scenes drawn in the test, read through the
// method object with a set number of workers.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "cpu_time.h"
#include "kelmar_rig.h"
#include "modules/kelmar/plate/licence_plate.h"
#include "plate_scene.h"

namespace {

struct PlateRun : kelmar_test::DirectRun<kelmar::CMatchLicencePlate> {
  PlateRun() : DirectRun(6) {}
};

std::string Utf8(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

struct Reading {
  bool ok = false;
  std::u16string error, text;
  TRectangle region{};
};

Reading Read(const talvix::FrameBuffer& frame, int workers, const TRectangularRegion* region = nullptr,
             PlateRun* reuse = nullptr) {
  PlateRun own;
  PlateRun& r = reuse ? *reuse : own;
  r.method.setProcessorCount(workers);
  r.ctx.setFrame(u"Input frame", frame);
  if (region)
    r.ctx.setRegions(u"Region", {*region});
  else
    r.ctx.setUnnamed(u"Region");
  Reading out;
  out.ok = r.run();
  out.error = r.error();
  const auto strings = r.ctx.strings(u"Output string");
  if (!strings.empty()) out.text = strings[0];
  const auto regions = r.ctx.rectangles(u"Region of plate");
  if (!regions.empty()) out.region = regions[0];
  return out;
}

// Scenes with one plate at (320, 240) and the string each reads as.
struct SceneCase {
  const char* face;
  std::u16string_view text;
  double angle;
  int bpp;
  std::u16string_view reading;
};

TEST(PlateRead, ScenesReadEndToEnd) {
  const SceneCase cases[] = {
      {"DejaVu Sans Condensed", u"KA7319", 0, 8, u"KA7319"},
      {"DejaVu Sans Condensed", u"MÜ4827X", -3, 32, u"MÜ4827X"},
      {"DejaVu Sans Condensed", u"BN52Z81", 5, 8, u"BN52Z81"},
      {"DejaVu Sans Condensed", u"HD0E3F6", 5, 32, u"HD0E3F6"},
      {"Nimbus Sans Narrow", u"KA7319", 5, 32, u"KA7319"},
      {"Nimbus Sans Narrow", u"MÜ4827X", 0, 8, u"MÜ4827X"},
      {"Nimbus Sans Narrow", u"BN52Z81", -3, 8, u"BN52Z81"},
      {"Nimbus Sans Narrow", u"HD0E3F6", 0, 32, u"HD0E3F6"},
  };
  for (const auto& c : cases) {
    const kelmar_test::PlateScene scene{.face = c.face, .text = std::u16string(c.text), .angle = c.angle, .bpp = c.bpp};
    SCOPED_TRACE(testing::Message() << c.face << " " << Utf8(c.text) << " at " << c.angle << " degrees, " << c.bpp
                                    << " bpp");
    const Reading r = Read(kelmar_test::DrawPlateScene(scene).frame, 1);
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    EXPECT_EQ(Utf8(r.text), Utf8(c.reading));
    EXPECT_NEAR(r.region.cx, scene.cx, 3);
    EXPECT_NEAR(r.region.cy, scene.cy, 3);
    EXPECT_NEAR(r.region.angle, c.angle, 2);
  }
}

TEST(PlateRead, PlateChecks) {
  struct Case {
    const char* what;
    std::u16string text;
    int barWidth;
    bool found;
    size_t characters;
  };
  const Case cases[] = {
      {"three characters", u"K73", 0, false, 0},
      {"four characters", u"K731", 0, true, 4},
      {"bars 6 wide", u"IIIIII", 6, false, 0},
      {"bars 12 wide", u"IIIIII", 12, true, 6},
      {"twelve characters", u"111111111111", 0, true, 11},
  };
  for (const auto& c : cases) {
    kelmar_test::PlateScene scene;
    scene.face = "Nimbus Sans Narrow";
    scene.text = c.text;
    scene.barWidth = c.barWidth;
    const Reading r = Read(kelmar_test::DrawPlateScene(scene).frame, 1);
    EXPECT_EQ(r.ok, c.found) << c.what << ": " << Utf8(r.error);
    if (c.found) {
      EXPECT_EQ(r.text.size(), c.characters) << c.what << ": " << Utf8(r.text);
    } else {
      EXPECT_EQ(r.error, u"Licence plate not found") << c.what;
    }
  }
}

// A smaller plate of a wider face (characters some 33 rows high, 4 px rim),
// centred 250 rows from the picture's top: read with the whole frame and
// with regions that put it anywhere between their band starts, at any
// worker count.
TEST(PlateRead, SmallPlateWhereverTheRegionPutsIt) {
  kelmar_test::PlateScene scene;
  scene.face = "DejaVu Sans";
  scene.size = 44;
  scene.rim = 4;
  scene.text = u"AB 423 KD";
  scene.spaceWidth = 14;
  scene.cy = 479 - 250;
  const talvix::FrameBuffer frame = kelmar_test::DrawPlateScene(scene).frame;
  std::vector<std::pair<std::string, TRectangularRegion>> regions = {{"whole frame", {320, 240, 640, 480, 0}}};
  // Regions from rows 40 to 59 up to row 400: the plate's rows fall at every
  // place between two band starts.
  for (int bottom = 40; bottom < 60; ++bottom)
    regions.push_back({"rows from " + std::to_string(bottom), {320, (bottom + 400) / 2.0, 640, 400.0 - bottom, 0}});
  for (const auto& [what, region] : regions)
    for (int workers : {1, 2, 4, 8}) {
      SCOPED_TRACE(testing::Message() << what << ", " << workers << " workers");
      const Reading r = Read(frame, workers, &region);
      ASSERT_TRUE(r.ok) << Utf8(r.error);
      EXPECT_EQ(r.text, u"AB423KD");
      EXPECT_NEAR(r.region.cy, scene.cy, 3);
    }
}

// Plates whose characters lie between two band starts of the first pass, so
// that only the starts halfway between meet them: read at any worker count.
TEST(PlateRead, PlateBetweenBandStartsIsRead) {
  for (double cy : {217, 301}) {
    const kelmar_test::PlateScene scene{.text = u"KA7 319",
                                        .cy = cy,
                                        .seed = static_cast<unsigned>(cy),
                                        .spaceWidth = 14,
                                        .size = 34,
                                        .rim = 4};
    const talvix::FrameBuffer frame = kelmar_test::DrawPlateScene(scene).frame;
    for (int workers : {1, 2, 8}) {
      SCOPED_TRACE(testing::Message() << "row " << cy << ", " << workers << " workers");
      const Reading r = Read(frame, workers);
      ASSERT_TRUE(r.ok) << Utf8(r.error);
      EXPECT_EQ(r.text, u"KA7319");
      EXPECT_NEAR(r.region.cy, cy, 3);
    }
  }
}

// Characters that were not taken leave a gap inside the plate: such a text
// is not the plate's, at any worker count. An ordinary space reads on.
TEST(PlateRead, GapInsideThePlateIsNotARead) {
  const struct {
    int space;
    bool found;
  } cases[] = {{20, true}, {60, true}, {120, false}, {200, false}};
  for (const auto& c : cases) {
    kelmar_test::PlateScene scene;
    scene.text = u"KA7 319";
    scene.spaceWidth = c.space;
    const talvix::FrameBuffer frame = kelmar_test::DrawPlateScene(scene).frame;
    for (int workers : {1, 2, 8}) {
      SCOPED_TRACE(testing::Message() << "space " << c.space << ", " << workers << " workers");
      const Reading r = Read(frame, workers);
      ASSERT_EQ(r.ok, c.found) << Utf8(r.text) << Utf8(r.error);
      if (c.found)
        EXPECT_EQ(r.text, u"KA7319");
      else
        EXPECT_EQ(r.error, u"Licence plate not found");
    }
  }
}

TEST(PlateRead, GeometryGate) {
  struct Case {
    const char* what;
    int corners[8];  // lower-left, lower-right, upper-left, upper-right
    double left, right;
    bool ok;
  };
  const Case cases[] = {
      {"plate 300 x 80", {100, 200, 400, 200, 100, 123, 400, 123}, 0, 0, true},
      {"width 99", {100, 200, 202, 200, 100, 150, 202, 150}, 0, 0, false},
      {"width 100", {100, 200, 204, 200, 100, 150, 204, 150}, 0, 0, true},
      {"height 19", {100, 200, 250, 200, 100, 184, 250, 184}, 0, 0, false},
      {"height 20", {100, 200, 250, 200, 100, 183, 250, 183}, 0, 0, true},
      {"aspect 8.5", {100, 200, 571, 200, 100, 149, 571, 149}, 0, 0, false},
      {"upper edge 26 px off in x", {100, 200, 400, 200, 100, 123, 426, 123}, 0, 0, false},
      {"upper edge 25 px off in x", {100, 200, 400, 200, 100, 123, 425, 123}, 0, 0, true},
      {"upper edge 26 px off in y", {100, 200, 400, 200, 100, 123, 400, 149}, 0, 0, false},
      {"slant 26 degrees off", {100, 200, 400, 200, 100, 123, 400, 123}, 26, 30, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(kelmar::plate::GatePlate(c.corners, c.left, c.right).ok, c.ok) << c.what;
  // The slant is the side angle of smaller magnitude, pulled to 0.8 of
  // itself when that brings it nearer a plate angle over 10 degrees away.
  const int straight[8] = {100, 200, 400, 200, 100, 123, 400, 123};
  EXPECT_EQ(kelmar::plate::GatePlate(straight, -4.7, 3.2).slant, 3.0f);
  EXPECT_FLOAT_EQ(kelmar::plate::GatePlate(straight, 20, -15).slant, -12.0f);
}

TEST(PlateRead, SameResultWithAnyWorkerCount) {
  kelmar_test::PlateScene scene;
  scene.text = u"BN52Z81";
  scene.angle = -3;
  const talvix::FrameBuffer frame = kelmar_test::DrawPlateScene(scene).frame;
  const Reading one = Read(frame, 1);
  ASSERT_TRUE(one.ok);
  for (int workers : {2, 8}) {
    const Reading r = Read(frame, workers);
    EXPECT_EQ(r.text, one.text) << workers << " workers";
    EXPECT_EQ(r.region.cx, one.region.cx) << workers << " workers";
    EXPECT_EQ(r.region.cy, one.region.cy) << workers << " workers";
    EXPECT_EQ(r.region.angle, one.region.angle) << workers << " workers";
  }
}

// Plates whose band runs reach from one worker's share into the next: a
// start inside a band is passed by at every worker count, so the same
// candidates are checked and the same answer comes.
TEST(PlateRead, BandsAcrossSharesAnswerTheSameAtAnyWorkerCount) {
  const struct {
    const char* face;
    std::u16string_view text;
    double angle, cy;
    unsigned seed;
  } cases[] = {
      {"Nimbus Sans Narrow", u"3X682W", 3, 206, 4},
      {"Nimbus Sans Narrow", u"C4ST5PD", -4, 254, 130},
      {"DejaVu Sans Condensed", u"1AXGS4", 2, 147, 141},
  };
  for (const auto& c : cases) {
    const kelmar_test::PlateScene scene{
        .face = c.face, .text = std::u16string(c.text), .angle = c.angle, .cy = c.cy, .seed = c.seed};
    const talvix::FrameBuffer frame = kelmar_test::DrawPlateScene(scene).frame;
    const Reading one = Read(frame, 1);
    for (int workers : {2, 3, 4, 8}) {
      SCOPED_TRACE(testing::Message() << Utf8(c.text) << ", " << workers << " workers");
      const Reading r = Read(frame, workers);
      EXPECT_EQ(r.ok, one.ok);
      EXPECT_EQ(r.error, one.error);
      EXPECT_EQ(r.text, one.text);
      EXPECT_EQ(r.region.cx, one.region.cx);
      EXPECT_EQ(r.region.cy, one.region.cy);
    }
  }
}

// Through the module at the OpenMP thread setting: what a run answers.
struct Answer {
  bool ok;
  std::string text;
  TRectangularRegion region;
};

Answer ReadThroughModule(const talvix::FrameBuffer& frame, int threads, const TRectangularRegion* region = nullptr) {
  const int before = omp_get_max_threads();
  omp_set_num_threads(threads);
  kelmar_test::Instance inst(6);
  inst.ctx.setFrame(u"Input frame", frame);
  if (region)
    inst.ctx.setRegions(u"Region", {*region});
  else
    inst.ctx.setUnnamed(u"Region");
  const talvix::RunResult r = inst.run();
  omp_set_num_threads(before);
  Answer a{r.ok, Utf8(r.ok ? std::u16string_view(u"") : std::u16string_view(r.error)), {}};
  if (!r.ok) return a;
  const auto strings = inst.ctx.strings(u"Output string");
  if (!strings.empty()) a.text = Utf8(strings[0]);
  const auto regions = inst.ctx.rectangles(u"Region of plate");
  if (!regions.empty()) a.region = {regions[0].cx, regions[0].cy, regions[0].width, regions[0].height, regions[0].angle};
  return a;
}

// Two plates, or one turned: the same plate with the same box every run,
// whatever the thread setting.
TEST(PlateRead, SamePlateAndBoxEveryRunAtAnyThreadCount) {
  kelmar_test::PlateScene two;
  two.text = u"KA7319";
  two.cy = 120;
  two.second = u"BN52Z81";
  two.secondCy = 360;
  kelmar_test::PlateScene turned;
  turned.text = u"HD0E3F6";
  turned.angle = 5;
  turned.bpp = 32;
  for (const kelmar_test::PlateScene& scene : {two, turned}) {
    const talvix::FrameBuffer frame = kelmar_test::DrawPlateScene(scene).frame;
    const Answer first = ReadThroughModule(frame, 1);
    ASSERT_TRUE(first.ok) << first.text;
    const bool one = first.text == "KA7319" || first.text == "HD0E3F6";
    const bool other = first.text == "BN52Z81" && std::abs(first.region.cy - 360) <= 3;
    EXPECT_TRUE(one || other) << first.text;
    for (int threads : {1, 8, 1, 8, 8, 8}) {
      const Answer a = ReadThroughModule(frame, threads);
      SCOPED_TRACE(testing::Message() << Utf8(scene.text) << ", " << threads << " threads");
      ASSERT_TRUE(a.ok) << a.text;
      EXPECT_EQ(a.text, first.text);
      EXPECT_EQ(a.region.cx, first.region.cx);
      EXPECT_EQ(a.region.cy, first.region.cy);
      EXPECT_EQ(a.region.width, first.region.width);
      EXPECT_EQ(a.region.height, first.region.height);
      EXPECT_EQ(a.region.angle, first.region.angle);
    }
  }
}

// Nothing that is not a whole plate is reported as read: a cluttered picture
// without a plate, and plates with a character outside the plate alphabet
// (read as none) answer not found, at one thread and at eight.
TEST(PlateRead, NoPlateAndUnreadableCharactersAnswerNotFound) {
  std::vector<std::pair<std::string, talvix::FrameBuffer>> pictures;
  pictures.emplace_back("clutter, 8 bpp", kelmar_test::PlateClutter(8));
  pictures.emplace_back("clutter, 32 bpp", kelmar_test::PlateClutter(32));
  for (const char16_t* text : {u"KA7%19", u"KA7@19"}) {
    kelmar_test::PlateScene scene;
    scene.text = text;
    pictures.emplace_back(Utf8(text), kelmar_test::DrawPlateScene(scene).frame);
  }
  for (const auto& [what, frame] : pictures)
    for (int threads : {1, 8}) {
      const Answer a = ReadThroughModule(frame, threads);
      EXPECT_FALSE(a.ok) << what << ", " << threads << " threads: " << a.text;
      EXPECT_EQ(a.text, "Licence plate not found") << what << ", " << threads << " threads";
    }
}

// A plate that the region or the frame cuts off is not read: the search
// sees part of it, and characters cut with it read as others (KA7319 as
// "WA7310"), or the characters past the cut are left out. Where the whole
// plate lies inside, it reads.
TEST(PlateRead, PlateCutByTheRegionOrTheFrameIsNotRead) {
  const struct {
    const char* what;
    const char16_t* text;
    double cx, cy;
    TRectangularRegion region;  // width 0: the whole frame
    bool read;
  } cases[] = {
      {"region holding the plate", u"KA7319", 320, 240, {320, 280, 640, 180, 0}, true},
      {"region cutting the plate's top", u"KA7319", 320, 240, {320, 280, 640, 100, 0}, false},
      {"region holding the plate", u"HD0E3F6", 320, 240, {320, 240, 600, 200, 0}, true},
      {"region cutting the plate's right end", u"HD0E3F6", 320, 240, {268, 240, 280, 200, 0}, false},
      {"plate's top past the frame", u"KA7319", 320, 16, {}, false},
      {"plate's left end past the frame", u"BN52Z81", 76, 240, {}, false},
  };
  for (const auto& c : cases) {
    kelmar_test::PlateScene scene;
    scene.text = c.text;
    scene.cx = c.cx;
    scene.cy = c.cy;
    const talvix::FrameBuffer frame = kelmar_test::DrawPlateScene(scene).frame;
    for (int threads : {1, 2, 8}) {
      SCOPED_TRACE(testing::Message() << Utf8(c.text) << ", " << c.what << ", " << threads << " threads");
      const Answer a = ReadThroughModule(frame, threads, c.region.width > 0 ? &c.region : nullptr);
      EXPECT_EQ(a.ok, c.read) << a.text;
      EXPECT_EQ(a.text, c.read ? Utf8(c.text) : "Licence plate not found");
    }
  }
}

TEST(PlateRead, PlateAtTheRegionsEdge) {
  kelmar_test::PlateScene scene;
  scene.text = u"KA7319";
  const auto pic = kelmar_test::DrawPlateScene(scene);
  // The region's left edge 4 columns outside the plate's.
  const double left = scene.cx - pic.plateWidth / 2.0 - 4;
  const TRectangularRegion region{(left + 630) / 2, 240, 630 - left, 300, 0};
  const Reading r = Read(pic.frame, 1, &region);
  ASSERT_TRUE(r.ok) << Utf8(r.error);
  EXPECT_EQ(r.text, u"KA7319");
  EXPECT_NEAR(r.region.cx, scene.cx, 3);
}

// Buffers follow the region's part inside the frame: regions far past it run
// about as fast and in about as little memory. A region as wide as the frame
// reads the plate up to 1e7 lines high (taller regions space their 1e7 lines
// apart); a wider one starts its lines outside the frame, where the band's
// columns are counted from, and finds nothing.
TEST(PlateRead, RegionsFarPastTheFrameRunInBoundedTime) {
  kelmar_test::PlateScene scene;
  scene.text = u"KA7319";
  const auto pic = kelmar_test::DrawPlateScene(scene);
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    TRectangularRegion region;
    bool reads;
  };
  const Case cases[] = {
      {{320, 240, 640, 480, 0}, true},      {{320, 240, 640, 1e7, 0}, true},
      {{320, 240, 640, 3e9, 0}, false},     {{320, 240, 640, 1e12, 0}, false},
      {{320, 240, 1e7, 1e7, 0}, false},     {{320, 240, 1e12, 1e12, 0}, false},
      {{320, 240, 1e12, 480, 3e9}, false},  {{320, 240, kInf, 1e300, 0}, false},
      {{320, 240, 640, kInf, 0}, false},
  };
  for (const Case& c : cases) {
    const TRectangularRegion& region = c.region;
    SCOPED_TRACE(testing::Message() << region.width << " x " << region.height << " at " << region.angle);
    Reading r;
    EXPECT_LT(test_cost::CpuSecondsOf([&] { r = Read(pic.frame, 4, &region); }), 30.0);
    ASSERT_EQ(r.ok, c.reads) << Utf8(r.error);
    if (c.reads) {
      EXPECT_EQ(r.text, u"KA7319");
      EXPECT_NEAR(r.region.cx, scene.cx, 3);
    } else {
      EXPECT_EQ(r.error, u"Licence plate not found");
    }
  }
}

TEST(PlateRead, SecondRunWithFewerCharactersWritesNothingStale) {
  PlateRun reused;
  kelmar_test::PlateScene scene;
  scene.text = u"MÜ4827X";
  EXPECT_EQ(Read(kelmar_test::DrawPlateScene(scene).frame, 1, nullptr, &reused).text, u"MÜ4827X");
  scene.text = u"KA7319";
  const Reading r = Read(kelmar_test::DrawPlateScene(scene).frame, 1, nullptr, &reused);
  EXPECT_EQ(r.text, u"KA7319");
}

TEST(PlateRead, OutputsAndDrawing) {
  kelmar_test::PlateScene scene;
  PlateRun r;
  r.ctx.inspection().setDrawingLevel(2);
  const Reading out = Read(kelmar_test::DrawPlateScene(scene).frame, 1, nullptr, &r);
  ASSERT_TRUE(out.ok);
  const talvix::FrameBuffer* plate = r.ctx.frame(u"Licence plate");
  ASSERT_NE(plate, nullptr);
  EXPECT_EQ(plate->bpp(), 8);
  EXPECT_NEAR(plate->width(), out.region.width, 12);
  // The plate rectangle, a box and a character per plate character.
  EXPECT_EQ(r.ctx.drawList().size(), 1 + 2 * scene.text.size());
}

}  // namespace
