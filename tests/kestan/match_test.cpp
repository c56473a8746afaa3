// Saving the descriptors of a picture and finding the object again in the
// same, a shifted and a turned picture, through every search method.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <random>

#include "gl_test_util.h"
#include "kestan_support.h"

namespace {

using namespace kestan_test;

// Twenty blobs, each with a small opposite satellite that fixes its
// orientation, within 40 pixels of (cx, cy), turned about it by `turn` degrees
// and scaled by `scale`.
void AddObject(std::vector<Blob>& blobs, unsigned seed, double cx, double cy, double turn = 0, double scale = 1) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> radius(0, 40), angle(0, 2 * M_PI), contrast(60, 110);
  const double t = turn * M_PI / 180;
  auto put = [&](double x, double y, double sigma, double c) {
    blobs.push_back({cx + scale * (std::cos(t) * x - std::sin(t) * y), cy + scale * (std::sin(t) * x + std::cos(t) * y),
                     sigma * scale, static_cast<int>(c)});
  };
  for (int i = 0; i < 20; ++i) {
    const double r = radius(rng), a = angle(rng), b = angle(rng);
    const double x = r * std::cos(a), y = r * std::sin(a), c = contrast(rng) * (i % 2 ? 1 : -1);
    put(x, y, 3.0, c);
    put(x + 7 * std::cos(b), y + 7 * std::sin(b), 1.6, -0.8 * c);
  }
}

FrameBuffer Picture(int w, int h, std::initializer_list<std::tuple<unsigned, double, double, double>> objects) {
  std::vector<Blob> blobs;
  for (auto [seed, cx, cy, turn] : objects) AddObject(blobs, seed, cx, cy, turn);
  return Blobs(w, h, blobs);
}

// Method 2's data object, or method 1's file, of a picture (and region).
std::vector<uint8_t> Save(const FrameBuffer& f, const TRectangularRegion* region = nullptr,
                          const fs::path& file = {}) {
  const bool toFile = !file.empty();
  module_test::MethodRun run("kestan", toFile ? "gpu_feature_save" : "gpu_feature_save_data");
  run.ctx.setFrame(u"input frame", f);
  run.ctx.setNumbers(u"features threshold", {0.02});
  if (region) run.ctx.setRegions(u"scanned region", {*region});
  if (toFile) {
    run.ctx.setFlags(u"save descriptors", {true});
    run.ctx.setStrings(u"descriptors file", {talvix::ToU16(file.string())});
  }
  EXPECT_TRUE(run().ok);
  return toFile ? ReadFile(file) : run.ctx.data(u"data object with found features");
}

// A textured patch: random blobs (sigma 1.5 to 4.5, either contrast) filling
// a square of side 90 about (cx, cy), turned about it by `turn` degrees and
// scaled by `scale`.
void AddPatch(std::vector<Blob>& blobs, unsigned seed, double cx, double cy, double turn, double scale) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> place(-45, 45), sigma(1.5, 4.5), contrast(40, 100);
  const double t = turn * M_PI / 180;
  for (int i = 0; i < 120; ++i) {
    const double x = place(rng), y = place(rng), s = sigma(rng), c = contrast(rng) * (i % 2 ? 1 : -1);
    blobs.push_back({cx + scale * (std::cos(t) * x - std::sin(t) * y), cy + scale * (std::sin(t) * x + std::cos(t) * y),
                     s * scale, static_cast<int>(c)});
  }
}

void Settle(talvix::RunContext& ctx) { ctx.setNumbers(u"number of passes of outcome statistical filtration", {5}); }

// An 8-bit picture: dark (60) on one side of the straight line through
// (px, py), turned `turn` degrees from the vertical, bright (190) on the
// other, with the blobs added.
FrameBuffer Edge(int w, int h, double px, double py, double turn, const std::vector<Blob>& blobs) {
  const double t = turn * M_PI / 180;
  FrameBuffer f = FrameBuffer::make(w, h, 8);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double v = 125 + 65 * std::tanh(((x - px) * std::cos(t) + (y - py) * std::sin(t)) / 1.2);
      for (const Blob& b : blobs) {
        const double d2 = (x - b.x) * (x - b.x) + (y - b.y) * (y - b.y);
        v += b.contrast * std::exp(-d2 / (2 * b.sigma * b.sigma));
      }
      f.pixel(x, y)[0] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
  }
  return f;
}

// Runs `body` at 1 and at 8 threads.
template <class Body>
void AtOneAndEightThreads(Body body) {
  const int before = omp_get_max_threads();
  for (int threads : {1, 8}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    omp_set_num_threads(threads);
    body();
  }
  omp_set_num_threads(before);
}

// The saved object has a slanting straight edge across it (stepped by the
// pixels, so keypoints line it) and a few blobs beside it; the scenes hold a
// long straight edge like it, at several slants, and other blobs, but not
// the object: keypoints along the edge pair with the saved edge's, and
// agree on poses along it, yet never pin one down.
TEST(FeatureMatch, ALongStraightEdgeIsNotTheObject) {
  REQUIRE_GL();
  std::vector<Blob> beside;
  std::mt19937 rng(4);
  std::uniform_real_distribution<double> offset(16, 40), along(-40, 40), contrast(60, 100);
  for (int i = 0; i < 8; ++i) {
    beside.push_back({80 + (i % 2 ? 1 : -1) * offset(rng), 70 + along(rng), 3.0, static_cast<int>(contrast(rng))});
  }
  const TRectangularRegion object{80, 70, 90, 90, 0};
  const std::vector<uint8_t> saved = Save(Edge(240, 140, 80, 70, 25, beside), &object);
  std::vector<Blob> clutter;
  AddPatch(clutter, 7, 60, 70, 20, 1);
  struct Case {
    double px, turn;
  };
  AtOneAndEightThreads([&] {
    for (const Case& c : {Case{170, 25}, Case{150, -40}, Case{160, 55}, Case{170, 10}, Case{150, 35}}) {
      SCOPED_TRACE(std::to_string(c.px) + ", " + std::to_string(c.turn) + " degrees");
      module_test::MethodRun run("kestan", "gpu_feature_match_data");
      run.ctx.setFrame(u"input frame", Edge(240, 140, c.px, 70, c.turn, clutter));
      run.ctx.setData(u"data object with descriptors", saved);
      ASSERT_TRUE(run().ok);
      EXPECT_EQ(run.ctx.numbers(u"number of found matches"), std::vector<double>{0});
      const TRectangle r = run.ctx.rectangles(u"found rectangle").at(0);
      EXPECT_EQ(r.cx + r.cy + r.width + r.height + r.angle, 0.0) << r.cx << ", " << r.cy;
    }
  });
}

TEST(FeatureMatch, TheDefaultsFindAShiftedTurnedAndScaledPatchAmongClutter) {
  REQUIRE_GL();
  const TRectangularRegion patch{80, 70, 90, 90, 0};
  std::vector<Blob> alone;
  AddPatch(alone, 1, 80, 70, 0, 1);
  const std::vector<uint8_t> saved = Save(Blobs(240, 140, alone), &patch);
  struct Case {
    double cx, cy, turn, scale;
  };
  AtOneAndEightThreads([&] {
  for (const Case& c : {Case{87, 64, 0, 1}, Case{80, 70, 30, 1}, Case{80, 70, 0, 0.8}, Case{84, 73, 30, 0.8},
                        Case{84, 70, -25, 1.15}}) {
    SCOPED_TRACE(std::to_string(c.turn) + " degrees, scale " + std::to_string(c.scale));
    // Another patch beside it, whose keypoints must find no partner.
    std::vector<Blob> blobs;
    AddPatch(blobs, 1, c.cx, c.cy, c.turn, c.scale);
    AddPatch(blobs, 7, 180, 70, 50, 1);
    module_test::MethodRun run("kestan", "gpu_feature_match_data");
    run.ctx.setFrame(u"input frame", Blobs(240, 140, blobs));
    run.ctx.setData(u"data object with descriptors", saved);
    ASSERT_TRUE(run().ok);
    const auto rect = run.ctx.rectangles(u"found rectangle");
    ASSERT_EQ(rect.size(), 1u);
    const double keypoints = run.ctx.numbers(u"number of found features").at(0);
    const double matches = run.ctx.numbers(u"number of found matches").at(0);
    EXPECT_GT(matches, 5);
    EXPECT_LT(matches, keypoints * 0.7);
    EXPECT_NEAR(rect[0].cx, c.cx, 2.0);
    EXPECT_NEAR(rect[0].cy, c.cy, 2.0);
    EXPECT_NEAR(rect[0].width / patch.width, c.scale, 0.08 * c.scale);
    EXPECT_NEAR(rect[0].height / patch.height, c.scale, 0.08 * c.scale);
    EXPECT_NEAR(std::remainder(rect[0].angle - c.turn, 360.0), 0.0, 1.0);
  }
  });
}

TEST(FeatureMatch, TheObjectInTheSameAShiftedAndATurnedPicture) {
  REQUIRE_GL();
  const std::vector<uint8_t> saved = Save(Picture(160, 120, {{1, 80, 60, 0}}));
  struct Case {
    double cx, cy, turn;
  };
  for (const Case& c : {Case{80, 60, 0}, Case{89, 54, 0}, Case{80, 60, 30}, Case{80, 60, 90}, Case{83, 62, -30}}) {
    SCOPED_TRACE(std::to_string(c.cx) + ", " + std::to_string(c.cy) + ", " + std::to_string(c.turn));
    module_test::MethodRun run("kestan", "gpu_feature_match_data");
    run.ctx.setFrame(u"input frame", Picture(160, 120, {{1, c.cx, c.cy, c.turn}}));
    run.ctx.setData(u"data object with descriptors", saved);
    Settle(run.ctx);
    ASSERT_TRUE(run().ok);
    const auto rect = run.ctx.rectangles(u"found rectangle");
    ASSERT_EQ(rect.size(), 1u);
    EXPECT_NEAR(rect[0].cx, c.cx, 1.0);
    EXPECT_NEAR(rect[0].cy, c.cy, 1.0);
    EXPECT_NEAR(std::remainder(rect[0].angle - c.turn, 360.0), 0.0, 2.0);
    EXPECT_GT(run.ctx.numbers(u"number of found matches").at(0), 10);
  }
}

TEST(FeatureMatch, NotFoundLeavesNothingOfAnEarlierFind) {
  REQUIRE_GL();
  const FrameBuffer picture = Picture(160, 120, {{1, 80, 60, 0}});
  module_test::MethodRun run("kestan", "gpu_feature_match_data");
  run.ctx.setData(u"data object with descriptors", Save(picture));
  Settle(run.ctx);
  run.ctx.setFrame(u"input frame", picture);
  ASSERT_TRUE(run().ok);
  ASSERT_GT(run.ctx.numbers(u"number of found matches").at(0), 0);
  run.ctx.setFrame(u"input frame", FrameBuffer::make(160, 120, 8, 128));
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.ctx.numbers(u"number of found matches"), std::vector<double>{0});
  const auto rect = run.ctx.rectangles(u"found rectangle");
  ASSERT_EQ(rect.size(), 1u);
  EXPECT_EQ(rect[0].cx + rect[0].cy + rect[0].width + rect[0].height + rect[0].angle, 0.0);
}

TEST(FeatureMatch, TheFileIsReadOnTheFirstRunAndOnReload) {
  REQUIRE_GL();
  TempDir dir;
  const fs::path file = dir.path() / "object.bff";
  const FrameBuffer picture = Picture(160, 120, {{1, 80, 60, 0}});
  const std::vector<uint8_t> good = Save(picture, nullptr, file);
  module_test::MethodRun run("kestan", "gpu_feature_match");
  run.ctx.setFrame(u"input frame", picture);
  run.ctx.setStrings(u"descriptors file", {talvix::ToU16(file.string())});
  run.ctx.setFlags(u"reload file with descriptors", {false});
  Settle(run.ctx);
  ASSERT_TRUE(run().ok);
  // A damaged file is not read again without the flag...
  std::vector<uint8_t> bad = good;
  bad[0] = 99;
  WriteFile(file, bad);
  EXPECT_TRUE(run().ok);
  // ... and fails the run with it, the flag staying set.
  run.ctx.setFlags(u"reload file with descriptors", {true});
  talvix::RunResult r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"Cannot open file with descriptors");
  EXPECT_EQ(run.ctx.flags(u"reload file with descriptors"), std::vector<bool>{true});
  // A good file read on reload resets the flag.
  WriteFile(file, good);
  EXPECT_TRUE(run().ok);
  EXPECT_EQ(run.ctx.flags(u"reload file with descriptors"), std::vector<bool>{false});
  EXPECT_GT(run.ctx.numbers(u"number of found matches").at(0), 10);
}

TEST(FeatureMatch, TwoObjectsFromFilesAndFromDataObjects) {
  REQUIRE_GL();
  TempDir dir;
  // Each object saved alone, within a region about its centre.
  const TRectangularRegion left{60, 60, 100, 100, 0}, right{180, 60, 100, 100, 0};
  const std::vector<uint8_t> a = Save(Picture(240, 120, {{1, 60, 60, 0}}), &left, dir.path() / "a.bff");
  const std::vector<uint8_t> b = Save(Picture(240, 120, {{2, 180, 60, 0}}), &right, dir.path() / "b.bff");
  const FrameBuffer both = Picture(240, 120, {{1, 60, 60, 0}, {2, 180, 60, 0}});
  for (const char* id : {"gpu_multiple_feature_match", "gpu_multiple_feature_match_data"}) {
    SCOPED_TRACE(id);
    talvix::Inspection inspection;
    module_test::MethodRun run("kestan", id, &inspection);
    run.ctx.setFrame(u"input frame", both);
    if (std::string(id).ends_with("_data")) {
      run.ctx.setDataList(u"data object with descriptors", {a, b});
    } else {
      run.ctx.setStrings(u"descriptors file", {talvix::ToU16((dir.path() / "a.bff").string()),
                                               talvix::ToU16((dir.path() / "b.bff").string())});
    }
    run.ctx.setStrings(u"label of object", {u"first", u"second"});
    Settle(run.ctx);
    for (int pass = 0; pass < 2; ++pass) {
      SCOPED_TRACE(pass);
      inspection.clearDrawList();
      ASSERT_TRUE(run().ok);
      const auto rects = run.ctx.rectangles(u"found rectangle");
      const auto matches = run.ctx.numbers(u"number of found matches");
      ASSERT_EQ(rects.size(), 2u);
      ASSERT_EQ(matches.size(), 2u);
      EXPECT_NEAR(rects[0].cx, 60, 1.0);
      EXPECT_NEAR(rects[0].cy, 60, 1.0);
      EXPECT_NEAR(rects[1].cx, 180, 1.0);
      EXPECT_NEAR(rects[1].cy, 60, 1.0);
      std::vector<std::u16string> texts;
      for (const auto& c : module_test::CallsOf(run.ctx.drawList(), "DrawString")) texts.push_back(c.text);
      EXPECT_NE(std::find(texts.begin(), texts.end(), u"first"), texts.end());
      EXPECT_NE(std::find(texts.begin(), texts.end(), u"second"), texts.end());
    }
  }
}

// Two copies of one object (the second turned), and a saved object that is
// not in the picture.
TEST(FeatureMatch, CopiesAreFoundEachOnItsOwnAndAMissKeepsItsEntry) {
  REQUIRE_GL();
  const TRectangularRegion left{60, 60, 100, 100, 0};
  const std::vector<uint8_t> a = Save(Picture(300, 120, {{1, 60, 60, 0}}), &left);
  const std::vector<uint8_t> b = Save(Picture(300, 120, {{2, 60, 60, 0}}), &left);
  const FrameBuffer copies = Picture(300, 120, {{1, 60, 60, 0}, {1, 230, 60, 30}});
  auto isCopy = [](const TRectangle& r) {
    return (std::hypot(r.cx - 60, r.cy - 60) < 3 && std::fabs(std::remainder(r.angle, 360.0)) < 2) ||
           (std::hypot(r.cx - 230, r.cy - 60) < 3 && std::fabs(std::remainder(r.angle - 30, 360.0)) < 2);
  };
  const int before = omp_get_max_threads();
  for (int threads : {1, 8}) {
    SCOPED_TRACE(threads);
    omp_set_num_threads(threads);
    {
      // One copy or the other, never a place between them.
      module_test::MethodRun run("kestan", "gpu_feature_match_data");
      run.ctx.setFrame(u"input frame", copies);
      run.ctx.setData(u"data object with descriptors", a);
      ASSERT_TRUE(run().ok);
      EXPECT_TRUE(isCopy(run.ctx.rectangles(u"found rectangle").at(0)));
      EXPECT_GT(run.ctx.numbers(u"number of found matches").at(0), 10);
    }
    struct Case {
      std::vector<std::vector<uint8_t>> saved;
      std::vector<bool> present;
    };
    for (const Case& c : {Case{{a}, {true}}, Case{{a, a}, {true, true}}, Case{{b, a}, {false, true}},
                          Case{{a, b, a}, {true, false, true}}, Case{{b}, {false}},
                          // A third entry finds no third copy, nor either copy again.
                          Case{{a, a, a}, {true, true, false}}}) {
      SCOPED_TRACE(c.saved.size());
      talvix::Inspection inspection;
      module_test::MethodRun run("kestan", "gpu_multiple_feature_match_data", &inspection);
      run.ctx.setFrame(u"input frame", copies);
      run.ctx.setDataList(u"data object with descriptors", c.saved);
      run.ctx.setStrings(u"label of object", {u"L0", u"L1", u"L2"});
      ASSERT_TRUE(run().ok);
      const auto rects = run.ctx.rectangles(u"found rectangle");
      const auto matches = run.ctx.numbers(u"number of found matches");
      ASSERT_EQ(rects.size(), c.saved.size());
      ASSERT_EQ(matches.size(), c.saved.size());
      std::vector<std::u16string> labels;
      for (const auto& call : module_test::CallsOf(run.ctx.drawList(), "DrawString")) labels.push_back(call.text);
      for (size_t i = 0; i < c.saved.size(); ++i) {
        SCOPED_TRACE(i);
        const bool drawn = std::find(labels.begin(), labels.end(), u"L" + talvix::ToU16(std::to_string(i))) != labels.end();
        EXPECT_EQ(drawn, c.present[i]);
        if (c.present[i]) {
          EXPECT_TRUE(isCopy(rects[i])) << rects[i].cx << ", " << rects[i].cy;
          EXPECT_GT(matches[i], 10);
        } else {
          EXPECT_EQ(matches[i], 0);
          EXPECT_EQ(rects[i].cx + rects[i].cy + rects[i].width + rects[i].height + rects[i].angle, 0.0);
        }
      }
      // Two entries of one object find the two copies.
      if (c.saved.size() > 1 && c.present.front() && c.present.back()) {
        EXPECT_GT(std::hypot(rects.front().cx - rects.back().cx, rects.front().cy - rects.back().cy), 100);
      }
    }
  }
  omp_set_num_threads(before);
}

// A label: forty blobs, each with a satellite, in a ring 52 to 76 pixels
// about (cx, cy), its middle left plain for a logo.
void AddLabel(std::vector<Blob>& blobs, unsigned seed, double cx, double cy) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> radius(52, 76), angle(0, 2 * M_PI), contrast(60, 110);
  for (int i = 0; i < 40; ++i) {
    const double r = radius(rng), a = angle(rng), b = angle(rng), c = contrast(rng) * (i % 2 ? 1 : -1);
    blobs.push_back({cx + r * std::cos(a), cy + r * std::sin(a), 3.0, static_cast<int>(c)});
    blobs.push_back({cx + r * std::cos(a) + 7 * std::cos(b), cy + r * std::sin(a) + 7 * std::sin(b), 1.6,
                     static_cast<int>(-0.8 * c)});
  }
}

// Two different objects whose centres almost meet, a logo on a label, are
// each found, in either order; either listed again finds nothing more.
TEST(FeatureMatch, AnotherObjectAboutTheSameCentreIsFoundToo) {
  REQUIRE_GL();
  std::vector<Blob> labelBlobs, logoBlobs;
  AddLabel(labelBlobs, 5, 110, 100);
  AddObject(logoBlobs, 2, 110, 100, 0, 0.8);
  const TRectangularRegion labelRegion{110, 100, 170, 170, 0}, logoRegion{110, 100, 80, 80, 0};
  const std::vector<uint8_t> label = Save(Blobs(220, 200, labelBlobs), &labelRegion);
  const std::vector<uint8_t> logo = Save(Blobs(220, 200, logoBlobs), &logoRegion);
  // The logo a little off the label's centre and turned.
  std::vector<Blob> both = labelBlobs;
  AddObject(both, 2, 114, 97, 20, 0.8);
  const FrameBuffer scene = Blobs(220, 200, both);
  struct Case {
    std::vector<std::vector<uint8_t>> saved;
    std::vector<int> shown;  // 0 label, 1 logo, -1 not found
  };
  const std::vector<Case> cases = {
      {{label, logo}, {0, 1}},
      {{logo, label}, {1, 0}},
      {{label, logo, label}, {0, 1, -1}},
      {{logo, label, logo}, {1, 0, -1}},
  };
  const TRectangle at[] = {{110, 100, 170, 170, 0}, {114, 97, 80, 80, 20}};
  AtOneAndEightThreads([&] {
    for (size_t n = 0; n < cases.size(); ++n) {
      const Case& c = cases[n];
      SCOPED_TRACE("case " + std::to_string(n));
      module_test::MethodRun run("kestan", "gpu_multiple_feature_match_data");
      run.ctx.setFrame(u"input frame", scene);
      run.ctx.setDataList(u"data object with descriptors", c.saved);
      ASSERT_TRUE(run().ok);
      const auto rects = run.ctx.rectangles(u"found rectangle");
      const auto matches = run.ctx.numbers(u"number of found matches");
      ASSERT_EQ(rects.size(), c.saved.size());
      ASSERT_EQ(matches.size(), c.saved.size());
      for (size_t i = 0; i < c.saved.size(); ++i) {
        SCOPED_TRACE(i);
        const TRectangle& r = rects[i];
        if (c.shown[i] < 0) {
          EXPECT_EQ(matches[i], 0);
          EXPECT_EQ(r.cx + r.cy + r.width + r.height + r.angle, 0.0);
          continue;
        }
        const TRectangle& want = at[c.shown[i]];
        EXPECT_GT(matches[i], 10);
        EXPECT_NEAR(r.cx, want.cx, 2.0);
        EXPECT_NEAR(r.cy, want.cy, 2.0);
        EXPECT_NEAR(r.width, want.width, 0.05 * want.width);
        EXPECT_NEAR(r.height, want.height, 0.05 * want.height);
        EXPECT_NEAR(std::remainder(r.angle - want.angle, 360.0), 0.0, 2.0);
      }
    }
  });
}

TEST(FeatureMatch, KeypointsFoundAgainOneByOne) {
  REQUIRE_GL();
  TempDir dir;
  const fs::path file = dir.path() / "points.bff";
  const std::vector<uint8_t> saved = Save(Picture(160, 120, {{1, 80, 60, 0}}), nullptr, file);
  const size_t count = Parse(saved).records.size();
  ASSERT_GT(count, 10u);
  for (const char* id : {"gpu_keypoint_match", "gpu_keypoint_match_data"}) {
    SCOPED_TRACE(id);
    module_test::MethodRun run("kestan", id);
    // The same picture shifted by whole pixels: every point again, shifted too.
    run.ctx.setFrame(u"input frame", Picture(160, 120, {{1, 86, 57, 0}}));
    if (std::string(id).ends_with("_data")) {
      run.ctx.setData(u"data object with descriptors", saved);
    } else {
      run.ctx.setStrings(u"descriptors file", {talvix::ToU16(file.string())});
    }
    ASSERT_TRUE(run().ok);
    const auto found = run.ctx.coordinateSystems(u"coordinates of found points");
    EXPECT_EQ(run.ctx.numbers(u"number of found points"), std::vector<double>{double(found.size())});
    EXPECT_GT(found.size(), count * 3 / 4);
    const Parsed p = Parse(saved);
    for (const TCoordinateSystem& c : found) {
      bool shifted = false;
      for (const kestan::FeatureRecord& r : p.records) shifted |= r.x + 6 == c.x && r.y - 3 == c.y;
      EXPECT_TRUE(shifted) << c.x << ", " << c.y;
    }
  }
}

}  // namespace

namespace {

using namespace kestan_test;

template <class T>
std::vector<uint8_t> With(std::vector<uint8_t> bytes, size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
  return bytes;
}

TEST(FeatureMatch, DamagedDescriptorsAreRefused) {
  REQUIRE_GL();
  const FrameBuffer picture = Picture(160, 120, {{1, 80, 60, 0}});
  const std::vector<uint8_t> good = Save(picture);
  ASSERT_GE(Parse(good).records.size(), 3u);
  constexpr size_t kHeader = 8, kRecord1 = 88 + 328, kRecord2 = 88 + 2 * 328;
  const double nan = std::nan(""), inf = HUGE_VAL;
  std::vector<uint8_t> byte = good;
  byte[kRecord1 + 12 + 3] = 0x7F;  // the top byte of a size: about 1e38
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {"negative count", With(good, kHeader, int32_t{-1})},
      {"orientation mode 7", With(good, kHeader + 4, int32_t{7})},
      {"threshold NaN", With(good, kHeader + 8 + 12, float(nan))},
      {"negative threshold", With(good, kHeader + 8, -1.0f)},
      {"centre x NaN", With(good, kHeader + 40, nan)},
      {"infinite width", With(good, kHeader + 56, inf)},
      {"negative height", With(good, kHeader + 64, -5.0)},
      {"angle NaN", With(good, kHeader + 72, nan)},
      {"x NaN", With(good, kRecord2, float(nan))},
      {"size 0", With(good, kRecord2 + 12, 0.0f)},
      {"one changed byte of a size", byte},
      {"orientation 40 radians", With(good, kRecord1 + 16, 40.0f)},
      {"descriptor value infinite", With(good, kRecord1 + 20 + 4 * 10, float(inf))},
      {"offset NaN", With(good, kRecord2 + 280, float(nan))},
      {"negative sum of squares", With(good, kRecord1 + 296 + 4 * 5, -1.0f)},
  };
  TempDir dir;
  const fs::path file = dir.path() / "damaged.bff";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(file, c.bytes);
    for (const char* id : {"gpu_feature_match", "gpu_feature_match_data"}) {
      SCOPED_TRACE(id);
      module_test::MethodRun run("kestan", id);
      run.ctx.setFrame(u"input frame", picture);
      if (std::string(id).ends_with("_data")) {
        run.ctx.setData(u"data object with descriptors", c.bytes);
      } else {
        run.ctx.setStrings(u"descriptors file", {talvix::ToU16(file.string())});
      }
      const talvix::RunResult r = run();
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, u"Cannot open file with descriptors");
      EXPECT_TRUE(run.ctx.rectangles(u"found rectangle").empty());
    }
  }
  // The undamaged bytes find the object.
  module_test::MethodRun run("kestan", "gpu_feature_match_data");
  run.ctx.setFrame(u"input frame", picture);
  run.ctx.setData(u"data object with descriptors", good);
  ASSERT_TRUE(run().ok);
  EXPECT_NEAR(run.ctx.rectangles(u"found rectangle").at(0).cx, 80, 1.0);
}

}  // namespace

namespace {

using namespace kestan_test;

// A scanned region that the reader would refuse is refused when saving;
// every region that saves reads back.
TEST(FeatureSave, WhatIsSavedReadsBackOrTheSaveIsRefused) {
  REQUIRE_GL();
  const FrameBuffer picture = Picture(160, 120, {{1, 80, 60, 0}});
  const double nan = std::nan("");
  const std::u16string refused = u"Scanned region out of the range that a file with descriptors holds";
  const std::u16string empty = u"No keypoints were found to save: a lower \"features threshold\" finds more (0.05 suits photographs)";
  struct Case {
    TRectangularRegion region;
    bool saves;
    std::u16string refusal = {};
  };
  const std::vector<Case> cases = {
      {{80, 60, 100, 100, 0}, true},
      {{80, 60, 100, 100, 725}, true},
      {{-30, 60, 200, 100, 0}, true},
      // A region without size keeps no keypoint.
      {{80, 60, 0, 0, 0}, false, empty},
      {{80, 60, -200, 100, 0}, false, refused},
      {{80, 60, 2e6, 100, 0}, false, refused},
      {{80, 60, 100, 2e6, 0}, false, refused},
      {{3e6, 60, 100, 100, 0}, false, refused},
      {{80, 60, 100, 100, nan}, false, refused},
      {{80, 60, 1e300, 1e300, 0}, false, refused},
  };
  TempDir dir;
  const fs::path file = dir.path() / "region.bff";
  for (const Case& c : cases) {
    const TRectangularRegion& g = c.region;
    SCOPED_TRACE(std::to_string(g.cx) + ", " + std::to_string(g.width) + ", " + std::to_string(g.height) + ", " +
                 std::to_string(g.angle));
    fs::remove(file);
    module_test::MethodRun save("kestan", "gpu_feature_save");
    save.ctx.setFrame(u"input frame", picture);
    save.ctx.setRegions(u"scanned region", {g});
    save.ctx.setNumbers(u"features threshold", {0.02});
    save.ctx.setFlags(u"save descriptors", {true});
    save.ctx.setStrings(u"descriptors file", {talvix::ToU16(file.string())});
    const talvix::RunResult r = save();
    EXPECT_EQ(r.ok, c.saves);
    EXPECT_EQ(fs::exists(file), c.saves);
    EXPECT_EQ(save.ctx.flags(u"save descriptors"), std::vector<bool>{!c.saves});
    if (!c.saves) {
      EXPECT_EQ(r.error, c.refusal);
    }

    module_test::MethodRun saveData("kestan", "gpu_feature_save_data");
    saveData.ctx.setFrame(u"input frame", picture);
    saveData.ctx.setNumbers(u"features threshold", {0.02});
    saveData.ctx.setRegions(u"scanned region", {g});
    const talvix::RunResult d = saveData();
    EXPECT_EQ(d.ok, c.saves);
    if (!c.saves) {
      EXPECT_EQ(d.error, c.refusal);
      EXPECT_TRUE(saveData.ctx.data(u"data object with found features").empty());
      continue;
    }
    // What was saved reads back in the searches.
    module_test::MethodRun match("kestan", "gpu_feature_match");
    match.ctx.setFrame(u"input frame", picture);
    match.ctx.setStrings(u"descriptors file", {talvix::ToU16(file.string())});
    EXPECT_TRUE(match().ok);
    module_test::MethodRun matchData("kestan", "gpu_feature_match_data");
    matchData.ctx.setFrame(u"input frame", picture);
    matchData.ctx.setData(u"data object with descriptors", saveData.ctx.data(u"data object with found features"));
    EXPECT_TRUE(matchData().ok);
  }
}

}  // namespace

namespace {

using namespace kestan_test;

// A save that keeps no keypoint is refused, with the threshold to lower in
// its text; one that keeps too few for a search to find it warns.
TEST(FeatureSave, NoKeypointsAreRefusedAndTooFewWarn) {
  REQUIRE_GL();
  struct Case {
    const char* name;
    FrameBuffer picture;
    bool saves, warns;
  };
  const std::vector<Case> cases = {
      {"blank", FrameBuffer::make(160, 120, 8, 128), false, false},
      {"one blob", Blobs(160, 120, {{80, 60, 3.0, 90}}), true, true},
      {"an object", Picture(160, 120, {{1, 80, 60, 0}}), true, false},
  };
  TempDir dir;
  const fs::path file = dir.path() / "saved.bff";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(file);
    module_test::MethodRun save("kestan", "gpu_feature_save");
    save.ctx.setFrame(u"input frame", c.picture);
    save.ctx.setNumbers(u"features threshold", {0.02});
    save.ctx.setFlags(u"save descriptors", {true});
    save.ctx.setStrings(u"descriptors file", {talvix::ToU16(file.string())});
    module_test::MethodRun saveData("kestan", "gpu_feature_save_data");
    saveData.ctx.setFrame(u"input frame", c.picture);
    saveData.ctx.setNumbers(u"features threshold", {0.02});
    for (module_test::MethodRun* run : {&save, &saveData}) {
      const talvix::RunResult r = (*run)();
      EXPECT_EQ(r.ok, c.saves);
      if (!c.saves) {
        EXPECT_NE(r.error.find(u"a lower \"features threshold\""), std::u16string::npos);
      }
      const auto& warnings = run->ctx.warnings();
      EXPECT_EQ(warnings.size(), c.warns ? 1u : 0u);
      if (c.warns && !warnings.empty()) {
        EXPECT_NE(warnings[0].find(u"features threshold"), std::u16string::npos);
      }
    }
    EXPECT_EQ(fs::exists(file), c.saves);
    EXPECT_EQ(save.ctx.flags(u"save descriptors"), std::vector<bool>{!c.saves});
    EXPECT_EQ(saveData.ctx.data(u"data object with found features").empty(), !c.saves);
  }
}

// A file name holding a NUL is refused where it is used, never taken for the
// name cut at the NUL.
TEST(FeatureFile, ANameHoldingANulIsRefused) {
  REQUIRE_GL();
  TempDir dir;
  const fs::path good = dir.path() / "a.bff";
  const FrameBuffer picture = Picture(160, 120, {{1, 80, 60, 0}});
  Save(picture, nullptr, good);
  const std::u16string cut = talvix::ToU16(good.string()) + std::u16string(1, u'\0') + u"x";
  const std::u16string refused = u"The name of the file with descriptors holds a NUL character";
  for (const char* id : {"gpu_feature_save", "gpu_feature_match", "gpu_multiple_feature_match", "gpu_keypoint_match"}) {
    SCOPED_TRACE(id);
    const bool saving = std::string(id) == "gpu_feature_save";
    fs::remove(good);
    if (!saving) Save(picture, nullptr, good);
    module_test::MethodRun run("kestan", id);
    run.ctx.setFrame(u"input frame", picture);
    if (saving) run.ctx.setFlags(u"save descriptors", {true});
    if (std::string(id) == "gpu_multiple_feature_match") {
      run.ctx.setStrings(u"descriptors file", {talvix::ToU16(good.string()), cut});
    } else {
      run.ctx.setStrings(u"descriptors file", {cut});
    }
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, refused);
    EXPECT_EQ(fs::exists(good), !saving);
  }
}

}  // namespace
