// The plate search's parts: worker shares, edge responses, the step rule,
// transition bands, the five-line border fit, the character blobs, the speck
// pass and the string order; and the run through the method object with an
// injected processor count.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <string>
#include <vector>

#include "modules/kelmar/plate/licence_plate.h"
#include "modules/kelmar/plate/plate_band.h"
#include "modules/kelmar/plate/plate_blobs.h"
#include "modules/kelmar/plate/plate_edges.h"
#include "modules/kelmar/plate/plate_fit.h"
#include "modules/kelmar/plate/plate_output.h"
#include "modules/kelmar/plate/plate_search.h"
#include "kelmar_rig.h"
#include "talvix/host.hpp"
#include "plate_scene.h"

namespace {

using namespace kelmar::plate;

TEST(PlateShares, SplitAsTheRunHandsThemOut) {
  struct Case {
    int height, processors;
    std::vector<std::pair<int, int>> lines;
  };
  const Case cases[] = {
      {90, 1, {{0, 89}}},
      {90, 3, {{1, 30}, {31, 60}, {60, 89}}},
      {90, 0, {{0, 89}}},  // at least one processor
      {5, 8, {{1, 0}, {1, 1}, {2, 1}, {2, 2}, {3, 3}, {4, 3}, {4, 4}, {4, 4}}},
  };
  for (const auto& c : cases) {
    const auto blocks = PlateShares(c.height, c.processors);
    ASSERT_EQ(blocks.size(), c.lines.size()) << c.height << " / " << c.processors;
    for (size_t i = 0; i < blocks.size(); ++i) {
      // Each worker carries its own index, whatever the region's height.
      EXPECT_EQ(blocks[i].index, static_cast<int>(i));
      EXPECT_EQ(blocks[i].first, c.lines[i].first) << "block " << i;
      EXPECT_EQ(blocks[i].last, c.lines[i].second) << "block " << i;
    }
  }
}

// A horizontal step (rows 0-2 at 200, rows 3-5 at 50) and a vertical one
// (columns 0-2 at 200, 3-5 at 50), grey or in all three channels.
talvix::FrameBuffer Patch(int bpp, bool vertical) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(6, 6, bpp, 0);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const uint8_t v = (vertical ? x : y) < 3 ? 200 : 50;
      uint8_t* p = f.pixel(x, y);
      for (int c = 0; c < (bpp == 8 ? 1 : 3); ++c) p[c] = v;
    }
  return f;
}

TEST(PlateEdges, ResponsesOnGreyAndColourPatches) {
  struct Case {
    int bpp;
    bool vertical;
    EdgeResponse response;
    const char* name;
    int x, y, expected;
  };
  const int step = 3 * 450 * 450;  // three columns of (3 x 150)^2
  const Case cases[] = {
      {8, false, EdgeResponseDown, "down", 2, 2, -step},
      {32, false, EdgeResponseDown, "down", 2, 3, -step},
      {8, false, EdgeResponseDown, "down", 2, 1, 0},
      // The two Up stencils: 8 bpp weighs rows y+1, y-1, y-2; 32 bpp rows
      // y-1 .. y+2, so one row past the step they differ.
      {8, false, EdgeResponseUp, "up", 2, 2, step},
      {8, false, EdgeResponseUp, "up", 2, 3, step},
      {32, false, EdgeResponseUp, "up", 2, 2, step},
      {32, false, EdgeResponseUp, "up", 2, 3, 3 * 225 * 225},
      {8, true, EdgeResponseRight, "right", 2, 2, -step},
      {32, true, EdgeResponseLeft, "left", 3, 2, step},
      // Outside the allowed area.
      {8, false, EdgeResponseUp, "up", 2, 1, kOutsideResponse},
      {8, false, EdgeResponseUp, "up", 2, 4, kOutsideResponse},
      {32, false, EdgeResponseDown, "down", 0, 2, kOutsideResponse},
      {8, true, EdgeResponseRight, "right", 5, 2, kOutsideResponse},
      {8, true, EdgeResponseLeft, "left", 2, 5, kOutsideResponse},
      {24, false, EdgeResponseDown, "down", 2, 2, kOutsideResponse},
  };
  for (const auto& c : cases) {
    talvix::FrameBuffer f = Patch(c.bpp, c.vertical);
    EXPECT_EQ(c.response(frame::FrameRows(f.frame()), c.x, c.y), c.expected)
        << c.name << " at " << c.x << "," << c.y << ", " << c.bpp << " bpp";
  }
}

TEST(PlateEdges, FallingStepRule) {
  struct Case {
    std::vector<uint8_t> p;
    int j, mid;
    bool step;
  };
  const Case cases[] = {
      {{200, 200, 200, 60, 50, 50}, 2, 125, true},
      {{200, 200, 95, 60, 50, 50}, 2, 125, false},    // light side not above m - 30
      {{200, 200, 200, 160, 155, 150}, 2, 125, false},  // dark side not below m + 30
      {{200, 200, 200, 191, 50, 50}, 2, 125, false},  // first drop only 9
      {{0, 180, 180, 160, 150, 0}, 2, 125, true},  // soft: 30 over three samples
      {{0, 179, 180, 160, 150, 0}, 2, 125, false},
      {{200, 60, 50, 50}, 0, 125, false},             // needs a sample before
      {{200, 200, 200, 60}, 2, 125, false},           // and two after
  };
  for (const auto& c : cases)
    EXPECT_EQ(FallingStep(c.p.data(), static_cast<int>(c.p.size()), c.j, c.mid), c.step)
        << "j " << c.j << " p[j] " << int(c.p[c.j]);
}

// A scan line of ground 200 with dark bars (8 samples of 50) starting at the
// given positions; `tail` adds one last falling step into dark that lasts.
std::vector<uint8_t> Bars(std::vector<int> starts, int tail = -1) {
  std::vector<uint8_t> p(700, 200);
  for (int s : starts)
    for (int i = s; i < s + 8; ++i) p[i] = 50;
  if (tail >= 0)
    for (size_t i = tail; i < p.size(); ++i) p[i] = 50;
  return p;
}

std::vector<int> Spaced(int first, int count, int step) {
  std::vector<int> v;
  for (int i = 0; i < count; ++i) v.push_back(first + i * step);
  return v;
}

TEST(PlateBand, TransitionsAndTheirWindow) {
  struct Case {
    const char* what;
    std::vector<uint8_t> line;
    int transitions;
    int window;  // transitions in the best window, 0 for none
    int firstPosition;
  };
  std::vector<int> split = Spaced(20, 6, 30);
  for (int s : Spaced(400, 5, 30)) split.push_back(s);
  const Case cases[] = {
      {"five bars", Bars(Spaced(50, 5, 40)), 10, 10, 51},
      {"nine transitions", Bars(Spaced(50, 4, 40), 300), 9, 0, 0},
      {"span of 352", Bars(Spaced(50, 5, 86)), 10, 0, 0},
      {"span of 348", Bars(Spaced(50, 5, 85)), 10, 10, 51},
      {"a wide gap splits", Bars({50, 90, 300, 340, 380}), 10, 0, 0},
      {"the longer side of a gap", Bars(split), 22, 12, 21},
  };
  for (const auto& c : cases) {
    std::vector<int> pos(c.line.size());
    const Transitions t = FindTransitions(c.line.data(), 2, static_cast<int>(c.line.size()) - 3, pos.data(),
                                          static_cast<int>(pos.size()));
    EXPECT_EQ(t.count, c.transitions) << c.what;
    const BandWindow w = BestBandWindow(pos.data(), t.count);
    EXPECT_EQ(w.count, c.window) << c.what;
    if (c.window) {
      EXPECT_EQ(pos[w.a], c.firstPosition) << c.what;
    }
    if (t.count) {
      EXPECT_EQ(t.brightSum, 200 * t.count) << c.what;
      EXPECT_EQ(t.darkSum, 50 * t.count) << c.what;
    }
  }
}

FitChoice Fit(std::vector<std::vector<int>> offsets) {
  FitLine lines[5];
  for (int i = 0; i < 5; ++i) {
    for (int o : offsets[i]) lines[i].add(o);
    lines[i].close();
  }
  return BestFiveLineFit(lines);
}

TEST(PlateBorderFit, ScoresDropsAndLines) {
  struct Case {
    const char* what;
    std::vector<std::vector<int>> offsets;
    int score, dropped;
    bool ok;
    int offset, slope;
  };
  const Case cases[] = {
      {"straight", {{0}, {3}, {6}, {9}, {12}}, 10, -1, true, 6, 3},
      {"a off", {{20}, {3}, {6}, {9}, {12}}, 4, 0, true, 6, 3},
      {"b off", {{0}, {20}, {6}, {9}, {12}}, 4, 1, true, 6, 3},
      {"c off", {{0}, {3}, {20}, {9}, {12}}, 4, 2, true, 6, 3},
      {"d off", {{0}, {3}, {6}, {-20}, {12}}, 4, 3, true, 6, 3},
      {"e off", {{0}, {3}, {6}, {9}, {40}}, 4, 4, true, 6, 3},
      {"e missing", {{0}, {3}, {6}, {9}, {}}, 4, 4, true, 6, 3},
      {"a missing", {{}, {3}, {6}, {9}, {12}}, 4, 0, true, 6, 3},
      {"a and e missing", {{}, {3}, {6}, {9}, {}}, 1, -1, false, 0, 0},
      {"truncated", {{0}, {1}, {2}, {4}, {5}}, 10, -1, true, 2, 1},
      {"two off", {{0}, {20}, {6}, {-20}, {12}}, 1, -1, false, 0, 0},
      {"best of several", {{0, 7}, {9, 3}, {6}, {1, 9}, {12, 2}}, 10, -1, true, 6, 3},
  };
  for (const auto& c : cases) {
    const FitChoice f = Fit(c.offsets);
    EXPECT_EQ(f.score, c.score) << c.what;
    if (c.score >= 4 && c.score < 10) {
      EXPECT_EQ(DroppedLine(f), c.dropped) << c.what;
    }
    const BorderFit b = LowerBorderFit(f);
    EXPECT_EQ(b.ok, c.ok) << c.what;
    if (c.ok) {
      EXPECT_EQ(b.offset, c.offset) << c.what;
      EXPECT_EQ(b.slope, c.slope) << c.what;
    }
  }
  // Two combinations of equal score: the first found stays.
  EXPECT_EQ(Fit({{0}, {0}, {20, 30}, {0}, {0}}).pick[2], 20);
  EXPECT_EQ(Fit({{0}, {0}, {30, 20}, {0}, {0}}).pick[2], 30);
}

TEST(PlateBorderFit, TiesDropTheFirstLineThatMayGo) {
  struct Case {
    int failed[5];
    int missing;  // line holding the missing marker, -1 none
    int dropped;
  };
  const Case cases[] = {
      {{3, 3, 0, 3, 3}, -1, 0},
      {{3, 3, 0, 3, 3}, 4, 1},   // a goes only while e is there
      {{3, 3, 0, 3, 3}, 0, 0},   // a itself may go while e is there
      {{1, 3, 2, 3, 0}, 0, -1},  // b and d need a
      {{0, 2, 4, 4, 2}, -1, 2},
  };
  for (const auto& c : cases) {
    FitChoice f;
    f.score = 6;
    for (int i = 0; i < 5; ++i) {
      f.failed[i] = c.failed[i];
      f.pick[i] = i == c.missing ? kMissingStep : 0;
    }
    EXPECT_EQ(DroppedLine(f), c.dropped) << "missing " << c.missing;
  }
}

// An upright plate region centred at (100, 30), 180 x 40, in a light 200 x 60
// frame; blobs are painted black.
struct BlobScene {
  talvix::FrameBuffer frame = talvix::FrameBuffer::make(200, 60, 8, 255);
  std::vector<uint16_t> labels = std::vector<uint16_t>(200 * 60, 0);
  PlateGeometry g;
  BlobScene(int y1 = 49) {
    g.region = {100, 30, 180, 40, 0};
    g.x0 = 10, g.x1 = 189, g.y0 = 10, g.y1 = y1;
  }
  void box(int x0, int y0, int w, int h) {
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) frame.pixel(x, y)[0] = 0;
  }
  const PlateBlobs& segment() {
    static PlateBlobs blobs;
    blobs.Segment(frame::FrameRows(frame.frame()), PlateInk{125, false, 3, 25.5f}, g, labels);
    return blobs;
  }
};

TEST(PlateBlobs, SizeTouchAndEdgeRules) {
  struct Case {
    const char* what;
    int x0, y0, w, h, extra;  // extra: pixels added beside the box's first row
    uint16_t neighbour;       // label already beside the blob, 0 none
    size_t kept;
  };
  const Case cases[] = {
      {"30 pixels", 50, 25, 3, 10, 0, 0, 0},
      {"31 pixels", 50, 25, 3, 10, 1, 0, 1},
      {"touching another blob", 50, 20, 10, 20, 0, 500, 0},
      {"beside margin pixels", 50, 20, 10, 20, 0, kMarginLabel, 1},
      {"9 columns at the left edge", 13, 20, 9, 16, 0, 0, 0},
      {"10 columns at the left edge", 13, 20, 10, 16, 0, 0, 1},
      {"9 columns at the right edge", 178, 20, 9, 16, 0, 0, 0},
      {"9 columns inside", 60, 20, 9, 16, 0, 0, 1},
  };
  for (const auto& c : cases) {
    BlobScene s;
    s.box(c.x0, c.y0, c.w, c.h);
    for (int i = 0; i < c.extra; ++i) s.frame.pixel(c.x0 + c.w + i, c.y0)[0] = 0;
    if (c.neighbour) s.labels[static_cast<size_t>(c.y0 + 5) * 200 + c.x0 + c.w] = c.neighbour;
    const PlateBlobs& b = s.segment();
    ASSERT_EQ(b.boxes().size(), c.kept) << c.what;
    if (c.kept) {
      EXPECT_FLOAT_EQ(b.boxes()[0].left, c.x0 - 10.0f) << c.what;
      EXPECT_FLOAT_EQ(b.boxes()[0].width, static_cast<float>(c.w + c.extra)) << c.what;
    }
  }
}

TEST(PlateBlobs, MarginRowsByWindowHeight) {
  // A blob from the window's first row: rows within the margin of the plate
  // region's edge are filled but labelled as margin and counted for nothing.
  struct Case {
    int y1, marginRows;
  };
  for (const auto& c : {Case{40, 2}, Case{41, 3}}) {  // 30 rows: margin 1; 31: margin 2
    BlobScene s(c.y1);
    s.box(60, 10, 4, 26);
    const PlateBlobs& b = s.segment();
    ASSERT_EQ(b.boxes().size(), 1u);
    EXPECT_EQ(b.pixelCounts()[0], 4 * (26 - c.marginRows)) << "window to row " << c.y1;
    EXPECT_EQ(s.labels[static_cast<size_t>(10) * 200 + 60], kMarginLabel);
    EXPECT_FLOAT_EQ(b.boxes()[0].height, static_cast<float>(26 - c.marginRows));
  }
}

TEST(PlateOutput, SpecksMarkedWhateverTheThreadCount) {
  for (int threads : {1, 8}) {
    omp_set_num_threads(threads);
    // Large enough for the pass to split its rows.
    talvix::FrameBuffer f = talvix::FrameBuffer::make(300, 120, 8, 255);
    for (int y = 2; y < 12; ++y)
      for (int x = 4; x < 20; ++x) f.pixel(x, y)[0] = 0;
    f.pixel(7, 6)[0] = 255;                           // a one-pixel hole
    for (int x = 12; x < 16; ++x) f.pixel(x, 6)[0] = 255;  // too long for a 3 x 3 block
    f.pixel(9, 9)[0] = 255;                           // a 2 x 2 hole fits one
    f.pixel(10, 9)[0] = 255;
    f.pixel(9, 10)[0] = 255;
    f.pixel(10, 10)[0] = 255;
    MarkPlateSpecks(f.frame());
    int marked = 0;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 300; ++x) marked += f.pixel(x, y)[0] == 80;
    EXPECT_EQ(f.pixel(7, 6)[0], 80) << threads << " threads";
    EXPECT_EQ(f.pixel(12, 6)[0], 255) << threads << " threads";
    EXPECT_EQ(f.pixel(9, 9)[0], 80) << threads << " threads";
    EXPECT_EQ(marked, 5) << threads << " threads";
  }
  omp_set_num_threads(omp_get_num_procs());
}

TEST(PlateOutput, TextInOrderOfX) {
  std::vector<PlateCharacterBox> boxes;
  const std::pair<float, char16_t> xs[] = {{30, u'A'}, {10, u'B'}, {20, u'C'}, {10, u'D'}, {9999, u'E'}, {12000, u'F'}};
  for (const auto& [x, c] : xs) {
    PlateCharacterBox b;
    b.x = x;
    b.text = c;
    boxes.push_back(b);
  }
  EXPECT_EQ(TextInOrderOfX(boxes.data(), static_cast<int>(boxes.size())), u"BDCA");
  EXPECT_EQ(boxes[0].x, 9999.0f);
  EXPECT_EQ(boxes[5].x, 12000.0f);
}

talvix::FrameBuffer Clutter(int bpp) { return kelmar_test::PlateClutter(bpp); }

struct PlateRun : kelmar_test::DirectRun<kelmar::CMatchLicencePlate> {
  PlateRun() : DirectRun(6) {}
};

TEST(PlateRun, FailureTexts) {
  {
    PlateRun r;
    EXPECT_FALSE(r.run());
    EXPECT_EQ(r.error(), u"error: Cannot get input frame");
  }
  {
    PlateRun r;  // the region named but never set
    r.ctx.setFrame(u"Input frame", Clutter(8));
    EXPECT_FALSE(r.run());
    EXPECT_EQ(r.error(), u"error: Cannot get input region");
  }
  {
    PlateRun r;  // a region of undefined size searches nothing
    r.ctx.setFrame(u"Input frame", Clutter(8));
    r.ctx.setRegions(u"Region", {{320, 240, std::nan(""), 1e300, 0}});
    EXPECT_FALSE(r.run());
    EXPECT_EQ(r.error(), u"Licence plate not found");
  }
  {
    PlateRun r;  // without a region: the whole frame
    r.ctx.setFrame(u"Input frame", Clutter(8));
    r.ctx.setUnnamed(u"Region");
    EXPECT_FALSE(r.run());
    EXPECT_EQ(r.error(), u"Licence plate not found");
  }
}

TEST(PlateRun, NoPlateWithAnyWorkerCount) {
  for (int bpp : {8, 32}) {
    for (int workers : {1, 2, 8}) {
      PlateRun r;
      r.method.setProcessorCount(workers);
      r.ctx.setFrame(u"Input frame", Clutter(bpp));
      r.ctx.setRegions(u"Region", {{320, 240, 600, 440, 0}});
      EXPECT_FALSE(r.run()) << workers << " workers";
      EXPECT_EQ(r.error(), u"Licence plate not found") << workers << " workers, " << bpp << " bpp";
      EXPECT_TRUE(r.ctx.strings(u"Output string").empty() || r.ctx.strings(u"Output string")[0].empty());
    }
  }
}

}  // namespace
