// The Latin letter classifier: its lists and rule targets as data, the
// profile walks on hand-computed profiles, the rule edges, and the vote rows
// of rendered letters against reviewed goldens.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "kelmar_rig.h"
#include "latin_fixtures.h"

namespace {

using kelmar_test::Blank;
using kelmar_test::Box;
using kelmar_test::CleanLine;
using kelmar_test::Segmented;
namespace latin = kelmar::latin;

// ------------------------------------------------------------------ data

TEST(LatinClassifierData, CandidateListsHoldTheirStatedCounts) {
  // The counts as the tables state them, typed again here.
  const int counts[latin::kListCount] = {39, 22, 36, 28, 46, 14, 24, 46, 37, 31, 22, 35, 49, 31,
                                         33, 15, 37, 19, 53, 46, 24, 32, 26, 41, 39, 19, 45, 39,
                                         16, 47, 13, 21, 39, 9,  45, 20, 11, 17, 12, 11, 33, 63};
  for (int n = 1; n <= latin::kListCount; ++n) {
    SCOPED_TRACE(n);
    const latin::VoteList& l = latin::CandidateList(n);
    EXPECT_EQ(static_cast<int>(l.size()), counts[n - 1]);
    std::set<int> distinct;
    for (const latin::Vote& v : l) {
      distinct.insert(v.cls);
      EXPECT_LT(v.cls, 98) << "lists name whole-glyph classes only";
      EXPECT_EQ(v.weight, 1);
    }
    EXPECT_EQ(distinct.size(), l.size());
  }
}

std::set<int> Classes(const latin::VoteList& l, int weight = 0) {
  std::set<int> s;
  for (const latin::Vote& v : l)
    if (weight == 0 || v.weight == weight) s.insert(v.cls);
  return s;
}

TEST(LatinClassifierData, TwinShapesInLists) {
  // A doubled "a" or "á" names both shapes; a bare one the first class.
  const struct {
    int list;
    std::set<int> in, out;
  } cases[] = {
      {1, {42, 85, 86, 87}, {43}},
      {7, {42, 43}, {}},
      {13, {42, 43, 86}, {87}},
      {20, {42, 86}, {43, 87}},
      {3, {37, 38, 40, 41}, {36, 39}},
      {41, {42, 43, 86, 87, 36, 39}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list);
    const std::set<int> s = Classes(latin::CandidateList(c.list));
    for (int x : c.in) EXPECT_TRUE(s.count(x)) << x;
    for (int x : c.out) EXPECT_FALSE(s.count(x)) << x;
  }
}

std::set<int> AllBut(std::set<int> except) {
  std::set<int> s;
  for (int c = 0; c < 127; ++c)
    if (!except.count(c)) s.insert(c);
  return s;
}

TEST(LatinClassifierData, RuleTargetsByClassNumber) {
  // Typed as class numbers from the rule tables, with the votes of two.
  const struct {
    latin::Target target;
    std::set<int> once, twice;
  } cases[] = {
      {latin::kTallNarrow, AllBut({1, 18, 51, 54, 117, 118}), {}},
      {latin::kLeftFar, AllBut({1, 18, 51, 54, 88, 89, 19, 29}), {}},
      {latin::kRight1Far, AllBut({1, 54, 4, 12, 45, 48, 51, 18, 21, 29}), {}},
      {latin::kLeftAccents, {71, 69, 72, 70, 75, 76, 77, 81, 82, 90, 91, 92, 93, 83, 84, 96, 97, 86, 87}, {95}},
      {latin::kLeft3Else,
       {2, 3, 4, 5, 7, 28, 31, 33, 34, 35, 42, 61, 64, 66, 67, 68, 73, 74, 81, 82, 83, 84, 85, 86, 36, 39},
       {}},
      {latin::kLeft17, {}, {48}},
      {latin::kLeft18, {}, {12, 45, 16, 0, 24, 57, 43}},
      {latin::kLeft24,
       {12, 45, 47, 43, 44, 46, 65, 63, 59, 49, 80, 79, 70, 69, 71, 77, 76, 75, 74, 90, 92, 91, 87},
       {60}},
      {latin::kLeft30, {42, 39, 115}, {}},
      {latin::kLeftTI2, {88}, {}},
      {latin::kRight10, {9, 31, 64, 34, 67, 83, 84}, {65}},
      {latin::kRight14, {42, 46, 52, 59, 39, 86, 77, 71, 78}, {}},
      {latin::kRight31, {43, 87}, {}},
      {latin::kRight34, {18, 117}, {}},
      {latin::kRight41Else, {20, 28, 33, 66}, {53}},
      {latin::kRight41Shallow, {61, 27, 79, 73, 74}, {}},
      {latin::kBottom1Flat, {6, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82}, {}},
      {latin::kBottom10, {6, 43}, {}},
      {latin::kBottom15, {69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82}, {}},
      {latin::kTop7, {18, 88}, {}},
      {latin::kTop8, {43, 63}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "target " << c.target);
    const latin::VoteList& v = latin::TargetVotes(c.target);
    EXPECT_EQ(Classes(v, 1), c.once);
    EXPECT_EQ(Classes(v, 2), c.twice);
    EXPECT_EQ(v.size(), c.once.size() + c.twice.size());
  }
}

TEST(LatinClassifierData, SeparateMarkClassesTakeTheirBaseLetters) {
  const std::map<int, int> base = {{98, 14},  {99, 47},  {100, 13}, {101, 29}, {102, 28}, {103, 61},
                                   {104, 12}, {105, 45}, {106, 23}, {107, 56}, {108, 27}, {109, 60},
                                   {110, 35}, {111, 68}, {112, 34}, {113, 67}, {114, 10}, {115, 42},
                                   {116, 43}, {117, 18}, {118, 51}, {119, 14}, {120, 47}, {121, 24},
                                   {122, 57}, {123, 30}, {124, 63}, {125, 30}, {126, 63}};
  int32_t row[127];
  for (int c = 0; c < 127; ++c) row[c] = 1000 + c;
  latin::CopyBaseLetterVotes(row);
  for (int c = 0; c < 127; ++c) EXPECT_EQ(row[c], 1000 + (c >= 98 ? base.at(c) : c)) << c;
}

// ----------------------------------------------------------------- walks

latin::Profile MakeProfile(std::vector<int> raw, int divisor) {
  latin::Profile p;
  for (int v : raw) p.Append(v);
  p.Finish(divisor);
  return p;
}

TEST(LatinClassifierWalks, WindowStatistics) {
  const struct {
    std::vector<int> raw;
    int divisor;
    int imin, ws, wc, kmax, vmax;
    float mean;
  } cases[] = {
      // The window maximum is reported by its index in the whole profile and
      // by its value before the smallest entry is taken off.
      {{5, 3, 7, 9, 9, 4, 3, 8, 2, 6}, 8, 8, 1, 8, 3, 9, 29 / 8.0f},
      {{5, 3, 7, 9, 9, 4, 3, 8, 2, 6, 4}, 5, 8, 2, 7, 3, 9, 28 / 7.0f},
      {{4}, 8, 0, 0, 1, 0, 4, 0},
  };
  for (const auto& c : cases) {
    const latin::Profile p = MakeProfile(c.raw, c.divisor);
    EXPECT_EQ(p.imin, c.imin);
    EXPECT_EQ(p.ws, c.ws);
    EXPECT_EQ(p.wc, c.wc);
    EXPECT_EQ(p.kmax, c.kmax);
    EXPECT_EQ(p.vmax, c.vmax);
    EXPECT_FLOAT_EQ(p.m, c.mean);
  }
  // One entry has no deviation: not a number, which fails every comparison.
  EXPECT_TRUE(std::isnan(MakeProfile({4}, 8).s));
  EXPECT_EQ(MakeProfile({}, 8).wc, 0);
}

TEST(LatinClassifierWalks, BowlDepth) {
  const struct {
    std::vector<int> right;
    int depth;
  } cases[] = {
      {{0, 0, 1, 3, 6, 8, 8, 7, 4, 2, 1, 0, 0, 0, 0, 0, 0}, 8},
      {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 12, 12, 12, 12}, 0},
      {{0, 0, 9, 9, 2, 2, 5, 5, 5, 5, 5, 5, 5, 3, 3, 3, 3}, 7},
  };
  for (const auto& c : cases) {
    latin::FeatureContext f;
    f.right = MakeProfile(c.right, 8);
    EXPECT_EQ(latin::BowlDepth(f, f.right.n - 1), c.depth);
    EXPECT_TRUE(f.Ok());
  }
}

TEST(LatinClassifierWalks, DeepRun) {
  const struct {
    std::vector<int> bottom;
    int vmax, i, j;
  } cases[] = {
      {{0, 1, 2, 5, 8, 9, 9, 8, 6, 9, 9, 8, 2, 1, 0, 0}, 9, 6, 9},
      {{0, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 10, 9, 6},  // nothing deep: no run
  };
  for (const auto& c : cases) {
    latin::FeatureContext f;
    f.bottom = MakeProfile(c.bottom, 5);
    int i = -1, j = -1;
    latin::DeepRun(f, f.bottom.n - 1, c.vmax, i, j);
    EXPECT_EQ(i, c.i);
    EXPECT_EQ(j, c.j);
  }
}

TEST(LatinClassifierWalks, SecondValley) {
  const struct {
    const char* what;
    std::vector<int> bottom;
    bool found;
  } cases[] = {
      {"two valleys, ridge 5", {8, 5, 2, 0, 2, 4, 5, 4, 2, 0, 2, 5, 8}, true},
      {"one valley", {8, 6, 4, 2, 0, 2, 4, 6, 8}, false},
      {"ridge above 0.2 H", {8, 5, 2, 0, 6, 12, 6, 2, 0, 2, 5, 8, 9}, false},
      {"ridge of 1", {8, 5, 2, 0, 1, 1, 1, 1, 0, 2, 5, 8, 9}, false},
      {"valleys too close", {8, 0, 2, 0, 5, 7, 8, 9, 9, 9, 9, 9, 9}, false},
      {"first minimum on the right: left search", {8, 5, 2, 1, 2, 4, 5, 4, 2, 0, 2, 5, 8}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    latin::FeatureContext f;
    f.H = 50;
    f.bottom = MakeProfile(c.bottom, 5);
    EXPECT_EQ(latin::SecondValley(f, f.bottom.n - 1), c.found);
  }
}

// ------------------------------------------------------------ rule edges

TEST(LatinClassifierRules, RightProfileStraightnessAndDepth) {
  const struct {
    const char* what;
    std::vector<int> right;
    std::vector<latin::Target> fired, idle;
  } cases[] = {
      {"straight and close", std::vector<int>(20, 4), {latin::kRight1}, {latin::kRight1Far, latin::kRight1Else}},
      {"window maximum at 0.35 W", {0, 0, 0, 0, 0, 0, 7, 7, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {latin::kRight2Mid}, {latin::kRight2, latin::kRight2Else}},
      {"window maximum at 0.5 W", {0, 0, 0, 0, 0, 0, 10, 10, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {latin::kRight2}, {latin::kRight2Mid, latin::kRight2Else}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int32_t row[127] = {};
    latin::FeatureContext f;
    f.row = row;
    f.W = 20;
    f.H = 40;
    f.t = 1;
    f.right = MakeProfile(c.right, 8);
    f.left = MakeProfile(std::vector<int>(20, 0), 8);
    latin::RightProfileTests(f);
    for (latin::Target t : c.fired) EXPECT_TRUE(f.fired[t]) << t;
    for (latin::Target t : c.idle) EXPECT_FALSE(f.fired[t]) << t;
  }
}

// Letters of a few pixels: every test that would read past a profile is
// skipped (run under the sanitizers too).
TEST(LatinClassifierRules, TinyLettersAndTheTallNarrowRule) {
  using Draw = void (*)(talvix::FrameBuffer&);
  const Draw shapes[] = {
      [](talvix::FrameBuffer& f) { Box(f, 10, 10, 12, 12); },
      [](talvix::FrameBuffer& f) { Box(f, 10, 10, 14, 14); },
      [](talvix::FrameBuffer& f) {
        Box(f, 10, 10, 14, 14);
        Box(f, 12, 12, 12, 12, 255);
      },
      [](talvix::FrameBuffer& f) { Box(f, 10, 10, 10, 11); },
      [](talvix::FrameBuffer& f) {
        Box(f, 10, 10, 14, 10);
        Box(f, 10, 10, 10, 14);
      },
  };
  for (Draw d : shapes) {
    talvix::FrameBuffer f = Blank(30, 30);
    d(f);
    Segmented s(f, std::nullopt);
    ASSERT_EQ(s.count(), 1);
    s.reader.ExtractLetterFeatures(0);
    for (int c = 0; c < 127; ++c) EXPECT_GE(s.reader.voteRow(0)[c], 0);
  }

  // A letter over four times as tall as wide: the row less what every other
  // test voted is 3 on all but six classes (the separate-mark classes copy
  // their base letters).
  talvix::FrameBuffer f = Blank(30, 60);
  Box(f, 10, 5, 14, 40);
  Segmented s(f, std::nullopt);
  ASSERT_EQ(s.count(), 1);
  s.reader.ExtractLetterFeatures(0);
  const latin::FeatureContext& done = s.reader.features();
  ASSERT_EQ(done.fired[latin::kTallNarrow], 1);
  int32_t others[127] = {};
  for (int t = 0; t < latin::kTargetCount; ++t)
    if (t != latin::kTallNarrow)
      for (const latin::Vote& v : latin::TargetVotes(static_cast<latin::Target>(t)))
        others[v.cls] += v.weight * done.fired[t];
  latin::CopyBaseLetterVotes(others);
  const std::set<int> spared = {1, 18, 51, 54, 117, 118};
  for (int c = 0; c < 127; ++c) EXPECT_EQ(s.reader.voteRow(0)[c] - others[c], spared.count(c) ? 0 : 3) << c;
}

TEST(LatinClassifierRules, PresetsSurvive) {
  talvix::FrameBuffer f = CleanLine(100, 100, "B", 48);
  Segmented s(f, std::nullopt);
  ASSERT_EQ(s.count(), 1);
  for (int selection : {1, 4, 8}) {
    const latin::ClassSet allowed = latin::AllowedClasses(selection);
    int32_t* row = s.reader.voteRow(0);
    for (int c = 0; c < 127; ++c) row[c] = allowed[c] ? 0 : latin::kExcluded;
    s.reader.ExtractLetterFeatures(0);
    for (int c = 0; c < latin::kFirstMarkClass; ++c)
      if (!allowed[c]) {
        EXPECT_GE(row[c], latin::kExcluded) << selection << ": " << c;
      }
  }
}

// Strokes, spans, shares and holes on drawn letters: how often each test
// voted.
TEST(LatinClassifierRules, StrokesSpansSharesAndHoles) {
  using Draw = void (*)(talvix::FrameBuffer&);
  struct Expect {
    latin::Target target;
    int times;
  };
  const struct {
    const char* what;
    Draw draw;
    int blankRow;  // a letter-image row emptied after segmentation, -1 none
    std::vector<Expect> expect;
  } cases[] = {
      {"columns crossing two strokes",
       [](talvix::FrameBuffer& f) {
         Box(f, 10, 10, 13, 39);
         Box(f, 10, 10, 29, 13);
         Box(f, 10, 36, 29, 39);
       },
       -1, {{latin::kA1Min2, 1}, {latin::kA1Second2, 1}, {latin::kA1Min1, 0}, {latin::kA1Second1, 0}}},
      {"rows crossing two strokes",
       [](talvix::FrameBuffer& f) {
         Box(f, 10, 10, 13, 39);
         Box(f, 26, 10, 29, 39);
         Box(f, 10, 10, 29, 13);
       },
       -1, {{latin::kBMinMore, 1}, {latin::kBSecondMore, 1}, {latin::kBMin1, 0}, {latin::kBSecond1, 0}}},
      {"a middle row without ink", [](talvix::FrameBuffer& f) { Box(f, 10, 10, 19, 29); }, 10,
       {{latin::kBMin1, 0}, {latin::kBMinMore, 0}}},
      {"too narrow for set A", [](talvix::FrameBuffer& f) { Box(f, 10, 10, 12, 29); }, -1,
       {{latin::kA1Second1, 1}, {latin::kA2Second1, 1}, {latin::kA1Min1, 0}, {latin::kA1Min2, 0},
        {latin::kA2Min2, 0}, {latin::kA1Second2, 0}, {latin::kA1Second3, 0}, {latin::kA2Second2, 0}}},
      {"wide last fifth",
       [](talvix::FrameBuffer& f) {
         Box(f, 18, 10, 21, 29);
         Box(f, 10, 24, 29, 29);
       },
       -1, {{latin::kSpanWideRow, 3}, {latin::kSpanWideTop, 1}}},
      {"one low hole",
       [](talvix::FrameBuffer& f) {
         Box(f, 10, 10, 29, 39);
         Box(f, 16, 13, 21, 16, 255);
       },
       -1, {{latin::kOneHole, 1}, {latin::kHoleLow, 1}, {latin::kHoleSmall, 1}, {latin::kNoHole, 0}}},
      {"two holes side by side",
       [](talvix::FrameBuffer& f) {
         Box(f, 10, 10, 29, 39);
         Box(f, 13, 20, 17, 29, 255);
         Box(f, 22, 20, 26, 29, 255);
       },
       -1, {{latin::kTwoHoles, 1}, {latin::kTwoHolesApart, 1}, {latin::kOneHole, 0}}},
      {"two holes one above the other",
       [](talvix::FrameBuffer& f) {
         Box(f, 10, 10, 29, 39);
         Box(f, 15, 13, 24, 20, 255);
         Box(f, 15, 28, 24, 35, 255);
       },
       -1, {{latin::kTwoHoles, 1}, {latin::kTwoHolesApart, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    talvix::FrameBuffer f = Blank(40, 50);
    c.draw(f);
    Segmented s(f, std::nullopt);
    ASSERT_EQ(s.count(), 1);
    if (c.blankRow >= 0) {
      Frame* img = const_cast<Frame*>(s.reader.letterFrame(0));
      std::fill_n(GetFrameDataAddr(img) + c.blankRow * ((GetFrameWidth(img) + 3) / 4 * 4), GetFrameWidth(img), 255);
    }
    s.reader.ExtractLetterFeatures(0);
    for (const Expect& e : c.expect) EXPECT_EQ(s.reader.features().fired[e.target], e.times) << e.target;
  }
}

// ---------------------------------------------------------------- goldens

// Vote rows of single letters rendered at 48 px in two sans faces, reviewed
// once: the letter's own class is at (or next to) the row's minimum for
// nearly all of them. VISION_UPDATE_GOLDENS=1 rewrites the file.
TEST(LatinClassifierGoldens, VoteRowsOfRenderedLetters) {
  const std::string path = std::string(VISION_SOURCE_DIR) + "/tests/kelmar/golden/latin_votes_48.txt";
  const std::string letters = "014578ABEKMQRSaegkmsy";
  std::ostringstream now;
  for (const char* face : {"DejaVu Sans", "Nimbus Sans"}) {
    for (char ch : letters) {
      Segmented s(CleanLine(100, 100, std::string(1, ch), 48, 0, face), std::nullopt);
      ASSERT_GE(s.count(), 1) << face << " " << ch;
      s.reader.ExtractLetterFeatures(0);
      now << face << '|' << ch << '|';
      for (int c = 0; c < 127; ++c) now << (c ? " " : "") << s.reader.voteRow(0)[c];
      now << '\n';
    }
  }
  if (std::getenv("VISION_UPDATE_GOLDENS")) {
    std::ofstream(path) << now.str();
    GTEST_SKIP() << "rewrote " << path;
  }
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;
  std::stringstream golden;
  golden << in.rdbuf();
  std::istringstream a(golden.str()), b(now.str());
  std::string la, lb;
  while (std::getline(a, la) && std::getline(b, lb)) EXPECT_EQ(lb, la);
  EXPECT_EQ(golden.str().size(), now.str().size());
}

}  // namespace

// ------------------------------------------------------------- refinement

namespace {

// A rendered letter measured once; its row then set to `low` classes at 0,
// `near` classes at 1 and every other class at 20 before the refinement runs
// again. Answers the votes each class gained.
struct Refined {
  std::vector<int> added = std::vector<int>(127, 0);
  long scans = 0;
};
Refined Refine(const char* glyph, const char* face, std::set<int> low, std::set<int> near = {}) {
  Segmented s(CleanLine(120, 120, glyph, 48, 0, face), std::nullopt);
  int letter = 0;
  for (int i = 1; i < s.count(); ++i)
    if (s.letter(i).bottom - s.letter(i).top > s.letter(letter).bottom - s.letter(letter).top) letter = i;
  s.reader.ExtractLetterFeatures(letter);
  int32_t* row = s.reader.voteRow(letter);
  std::vector<int> before(127);
  for (int c = 0; c < 127; ++c) before[c] = row[c] = low.count(c) ? 0 : near.count(c) ? 1 : 20;
  const long scans = s.reader.scanCount();
  s.reader.RankingRefinement(letter);
  Refined r;
  r.scans = s.reader.scanCount() - scans;
  for (int c = 0; c < 127; ++c) r.added[c] = row[c] - before[c];
  return r;
}

}  // namespace

// The rules separating look-alikes, on the letter one of them really is:
// the rival gains more votes than the letter's own class.
TEST(LatinClassifierRefinement, RulesVoteAgainstTheRival) {
  const struct {
    const char* glyph;
    int own, rival;
  } cases[] = {
      {"Q", 26, 24}, {"O", 24, 26}, {"8", 8, 11},  {"B", 11, 8},  {"T", 29, 1},  {"R", 27, 25},
      {"P", 25, 27}, {"Z", 35, 2},  {"S", 28, 5},  {"6", 6, 4},   {"D", 13, 24}, {"N", 23, 22},
      {"X", 33, 20}, {"K", 20, 33}, {"L", 21, 18}, {"y", 67, 31}, {"r", 60, 29}, {"o", 57, 43},
      {"6", 6, 9},   {"e", 47, 16}, {"3", 3, 2},   {"W", 32, 22}, {"V", 31, 34}, {"t", 62, 51},
      {"f", 48, 2},  {"F", 15, 48}, {"r", 60, 80},
  };
  for (const char* face : {"DejaVu Sans", "Nimbus Sans"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << face << " " << c.glyph);
      const Refined r = Refine(c.glyph, face, {c.own, c.rival});
      EXPECT_GT(r.added[c.rival], r.added[c.own]) << r.added[c.rival] << " " << r.added[c.own];
    }
  }
}

TEST(LatinClassifierRefinement, IdleRules) {
  // Every candidate more than one vote above the minimum: nothing scanned,
  // nothing added.
  {
    const Refined r = Refine("B", "DejaVu Sans", {126});
    EXPECT_EQ(r.scans, 0);
    for (int c = 0; c < 127; ++c) EXPECT_EQ(r.added[c], 0) << c;
  }
  // Rules that ask for the minimum itself do not start one vote above it.
  const struct {
    const char* what;
    const char* glyph;
    std::set<int> pair;
    std::set<int> watched;  // the classes only that rule would vote on
  } cases[] = {
      {"9 against 2", "9", {9, 2}, {2, 35, 68, 5, 28, 61}},
      {"3 against Z", "3", {3, 35}, {2, 35, 81, 82, 6, 3}},
      {"D against 0", "D", {13, 0}, {0, 57, 24, 13}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Refined idle = Refine(c.glyph, "DejaVu Sans", {126}, c.pair);
    for (int k : c.watched) EXPECT_EQ(idle.added[k], 0) << k;
    int moved = 0;
    const Refined active = Refine(c.glyph, "DejaVu Sans", c.pair);
    for (int k : c.watched) moved += active.added[k];
    EXPECT_GT(moved, 0);
  }
}

// Every class character rendered in two sans faces at two sizes after "Hxn "
// (which gives the line its capital and small heights) and read through the
// module: the misreads of the last character per face and size, reviewed,
// with the reasons beside them in the golden file ('#' lines).
TEST(LatinClassifierGoldens, ConfusionTable) {
  const std::string path = std::string(VISION_SOURCE_DIR) + "/tests/kelmar/golden/latin_confusions.txt";
  const std::u16string glyphs =
      u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÜäöüabcdefghijklmnopqrstuvwxyzĚěĎŤŠšČčŇňŘřŽžÝýÁáÍíÉéÓóÚúŮů";
  std::ostringstream now;
  for (const char* face : {"DejaVu Sans", "Nimbus Sans"}) {
    for (double size : {40.0, 60.0}) {
      int right = 0;
      std::string misreads;
      for (char16_t g : glyphs) {
        kelmar_test::TextLayout t;
        t.lines = {"Hxn " + talvix::ToUtf8(std::u16string(1, g))};
        t.size = size;
        t.family = face;
        t.x = 30;
        t.y = 90;
        kelmar_test::Instance inst(2);
        inst.ctx.setFrame(u"Input frame", kelmar_test::RenderText(260, 130, t));
        inst.ctx.setNumbers(u"Threshold", {0.5});
        inst.ctx.setFlags(u"Show results", {false});
        inst.run();
        const auto s = inst.ctx.strings(u"Output string");
        const std::u16string line = s.empty() ? u"" : s[0];
        const std::u16string read = line.size() > 4 ? line.substr(4) : u"";
        if (read == std::u16string(1, g)) {
          ++right;
        } else {
          misreads += " " + talvix::ToUtf8(std::u16string(1, g)) + ">" + (read.empty() ? "-" : talvix::ToUtf8(read));
        }
      }
      now << face << " " << size << ": " << right << "/" << glyphs.size() << misreads << "\n";
    }
  }
  std::string comments, data;
  {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) (line.rfind("#", 0) == 0 ? comments : data) += line + "\n";
  }
  if (std::getenv("VISION_UPDATE_GOLDENS")) {
    std::ofstream(path) << comments << now.str();
    GTEST_SKIP() << "rewrote " << path;
  }
  EXPECT_EQ(now.str(), data);
}
