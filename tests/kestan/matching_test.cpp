// Descriptor similarity and the two searches on keypoint lists built here.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "matching.h"
#include "pose.h"

namespace {

using kestan::DescriptorStore;
using kestan::FeatureRecord;
using kestan::MatchSettings;

FeatureRecord Record(float x, float y, float size, float orientation, float seed) {
  FeatureRecord r{};
  r.x = x;
  r.y = y;
  r.size = size;
  r.orientation = orientation;
  r.response = 1;
  // A descriptor of its own per seed.
  for (int i = 0; i < 64; ++i) r.descriptor[i] = std::sin(seed * 12.9898f + i * 78.233f) * 0.5f;
  return r;
}

gpu::CResultListElem* Elem(const FeatureRecord& r) {
  auto* e = new gpu::CResultListElem();
  kestan::StoreRecord(*e, r);
  return e;
}

struct List {
  ~List() { list.DeleteAll(); }
  void Add(const FeatureRecord& r) { list.Append(Elem(r)); }
  gpu::CList list;
};

double Pearson(const float* a, const float* b, int n) {
  double ma = 0, mb = 0;
  for (int i = 0; i < n; ++i) ma += a[i], mb += b[i];
  ma /= n;
  mb /= n;
  double ab = 0, aa = 0, bb = 0;
  for (int i = 0; i < n; ++i) ab += (a[i] - ma) * (b[i] - mb), aa += (a[i] - ma) * (a[i] - ma), bb += (b[i] - mb) * (b[i] - mb);
  return aa * bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

TEST(DescriptorSimilarity, CorrelationAgainstAPearsonInDouble) {
  std::mt19937 rng(3);
  std::normal_distribution<float> g;
  FeatureRecord a = Record(0, 0, 9, 0, 1), random{}, negated{}, constant{};
  for (int i = 0; i < 64; ++i) {
    random.descriptor[i] = g(rng);
    negated.descriptor[i] = -a.descriptor[i];
    constant.descriptor[i] = i < 16 ? 0.25f : a.descriptor[i];
  }
  struct Case {
    const char* name;
    FeatureRecord b;
    double expected;  // the mean of (r + 1) / 2 over the quarters
  };
  auto quarters = [&](const FeatureRecord& b) {
    double s = 0;
    for (int c = 0; c < 4; ++c) s += Pearson(a.descriptor + 16 * c, b.descriptor + 16 * c, 16) * 0.5 + 0.5;
    return s / 4;
  };
  for (const Case& c : {Case{"identical", a, 1.0}, Case{"negated", negated, 0.0}, Case{"random", random, quarters(random)},
                        Case{"constant quarter", constant, (0.5 + 3.0) / 4}}) {
    SCOPED_TRACE(c.name);
    FeatureRecord x = a, y = c.b;
    kestan::ComputeDescriptorStatistics(x);
    kestan::ComputeDescriptorStatistics(y);
    gpu::KeypointRecord kx, ky;
    std::memcpy(&kx, &x, sizeof x);
    std::memcpy(&ky, &y, sizeof y);
    EXPECT_NEAR(kestan::DescriptorCorrelation(kx, ky), c.expected, 1e-5);
  }
}

TEST(DescriptorSimilarity, DistancesAtUnitLength) {
  // Unit vectors along value 0 and value 1, and a descriptor without length.
  float a[64] = {}, twice[64] = {}, negated[64] = {}, other[64] = {}, zero[64] = {};
  a[0] = 0.5f;
  twice[0] = 1.0f;
  negated[0] = -3.0f;
  other[1] = 0.01f;
  struct Case {
    const char* name;
    const float* b;
    double difference, euclidean;
  };
  for (const Case& c : {Case{"identical", a, 0, 0}, Case{"brighter copy", twice, 0, 0}, Case{"negated", negated, 2, 12},
                        Case{"orthogonal", other, 2, 6 * std::sqrt(2.0)}, Case{"no length", zero, 1, 6}}) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(kestan::Difference(a, c.b), c.difference, 1e-5);
    EXPECT_NEAR(kestan::EuclideanDistance(a, c.b), c.euclidean, 1e-5);
    EXPECT_NEAR(kestan::EuclideanDistance(c.b, a), c.euclidean, 1e-5);
  }
  // Unrelated descriptors lie beyond the default limit of 1.5.
  const FeatureRecord x = Record(0, 0, 9, 0, 1), y = Record(0, 0, 9, 0, 2);
  EXPECT_GT(kestan::EuclideanDistance(x.descriptor, y.descriptor), 1.5f);
  EXPECT_GT(kestan::Difference(x.descriptor, y.descriptor), 1.5f);
}

// Reference distances of two descriptors at unit length, in double.
std::pair<double, double> UnitDistances(const float* a, const float* b) {
  double la = 0, lb = 0;
  for (int i = 0; i < 64; ++i) la += double(a[i]) * a[i], lb += double(b[i]) * b[i];
  double l1 = 0, l2 = 0;
  for (int i = 0; i < 64; ++i) {
    const double d = a[i] / std::sqrt(la) - b[i] / std::sqrt(lb);
    l1 += std::fabs(d);
    l2 += d * d;
  }
  return {l1, 6 * std::sqrt(l2)};
}

TEST(KeypointSearch, ThresholdsSizesOrientationsAndTheFirstOfEquals) {
  // Saved: 0 and 1 alike (descriptor 1), 2 with descriptor 2 but a size of 15, 3 with descriptor 3 turned by 0.5.
  const FeatureRecord s0 = Record(1, 1, 9, 0, 1), s2 = Record(3, 3, 15, 0, 2), s3 = Record(4, 4, 9, 0.5f, 3);
  FeatureRecord near = s0;
  near.descriptor[5] += 0.25f;
  FeatureRecord otherSize = s2;
  otherSize.size = 9;
  const auto [nearDifference, nearEuclidean] = UnitDistances(s0.descriptor, near.descriptor);
  FeatureRecord darker = s0;
  for (float& v : darker.descriptor) v *= 0.5f;
  struct Case {
    const char* name;
    int method;
    float maxDifference, minCorrelation, angle;
    FeatureRecord current;
    int expected;  // the saved record that matches, -1 none (the search reports only whether)
  };
  const std::vector<Case> cases = {
      {"identical, difference 0", kestan::kDifference, 0, 0, 15, s0, 0},
      {"darker copy, difference 0", kestan::kDifference, 0, 0, 15, darker, 0},
      {"near, difference 0", kestan::kDifference, 0, 0, 15, near, -1},
      {"near, difference just below", kestan::kDifference, float(nearDifference * 0.99), 0, 15, near, -1},
      {"near, difference just above", kestan::kDifference, float(nearDifference * 1.01), 0, 15, near, 0},
      {"near, euclidean just below", kestan::kEuclidean, float(nearEuclidean * 0.99), 0, 15, near, -1},
      {"near, euclidean just above", kestan::kEuclidean, float(nearEuclidean * 1.01), 0, 15, near, 0},
      {"near, correlation", kestan::kCorrelation, 0, 0.95f, 15, near, 0},
      {"another size is never compared", kestan::kEuclidean, 0, 0, 180, otherSize, -1},
      {"turned by 28.6 degrees, limit 15", kestan::kEuclidean, 0, 0, 15, Record(4, 4, 9, 0, 3), -1},
      {"turned by 28.6 degrees, limit 30", kestan::kEuclidean, 0, 0, 30, Record(4, 4, 9, 0, 3), 3},
      {"turned the other way", kestan::kEuclidean, 0, 0, 30, Record(4, 4, 9, 1.0f, 3), 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DescriptorStore store;
    for (FeatureRecord r : {s0, s0, s2, s3}) {
      kestan::ComputeDescriptorStatistics(r);
      store.saved.Append(Elem(r));
    }
    List current;
    current.Add(c.current);
    const MatchSettings s{c.method, c.maxDifference, c.minCorrelation, 0, 1.2f, c.angle, 1};
    EXPECT_EQ(kestan::MatchKeypoints(store, current.list, s), c.expected >= 0);
    ASSERT_EQ(store.matches.count, c.expected >= 0 ? 1 : 0);
  }
}

// Saved keypoints around a reference rectangle (or all on its right) and the
// same keypoints moved by a known turn, shift and scale.
struct Scene {
  static constexpr double kCx = 50, kCy = 40, kW = 60, kH = 30, kAngle = 20;
  explicit Scene(double turn, double dx, double dy, double scale = 1, bool oneSide = false) {
    constexpr int points = 6;
    store.header.centreX = kCx;
    store.header.centreY = kCy;
    store.header.width = kW;
    store.header.height = kH;
    store.header.angle = kAngle;
    const double t = turn * M_PI / 180;
    for (int i = 0; i < points; ++i) {
      const double ox = 20 * std::cos(i * 1.1);
      const float x = static_cast<float>(kCx + (oneSide ? std::fabs(ox) + 5 : ox));
      const float y = static_cast<float>(kCy + 12 * std::sin(i * 1.7));
      FeatureRecord r = Record(x, y, 9, 0.3f * i - 1, static_cast<float>(i));
      r.offsetX = static_cast<float>(x - kCx);
      r.offsetY = static_cast<float>(y - kCy);
      kestan::ComputeDescriptorStatistics(r);
      store.saved.Append(Elem(r));
      FeatureRecord k = r;
      k.x = static_cast<float>(kCx + dx + scale * (std::cos(t) * r.offsetX - std::sin(t) * r.offsetY));
      k.y = static_cast<float>(kCy + dy + scale * (std::sin(t) * r.offsetX + std::cos(t) * r.offsetY));
      k.size = static_cast<float>(r.size * scale);
      k.orientation = static_cast<float>(r.orientation + t);
      current.Add(k);
    }
  }
  DescriptorStore store;
  List current;
};

TEST(ObjectSearch, ThePoseOfAKnownTurnShiftAndScale) {
  struct Case {
    double turn, dx, dy, scale;
    bool oneSide;
  };
  // Scaled cases with every offset on one side: a centre that ignored the
  // scale would be off by (1 - scale) times the mean offset.
  for (const Case& c : {Case{0, 0, 0, 1, false}, Case{0, 7, -3, 1, false}, Case{30, 0, 0, 1, false},
                        Case{-75, 4, 9, 1, false}, Case{0, 0, 0, 0.5, true}, Case{0, 3, -6, 0.5, true},
                        Case{30, 5, 2, 0.5, true}, Case{-40, 0, 0, 1.25, true}}) {
    SCOPED_TRACE(std::to_string(c.turn) + " degrees, scale " + std::to_string(c.scale));
    Scene scene(c.turn, c.dx, c.dy, c.scale, c.oneSide);
    TRectangle found{};
    const MatchSettings s{kestan::kEuclidean, 0.001f, 0, 0, 1.2f, 15, 1};
    ASSERT_TRUE(kestan::MatchObject(255, nullptr, scene.store, scene.current.list, s, found, false, true, nullptr));
    EXPECT_EQ(scene.store.matches.count, 6);
    EXPECT_NEAR(found.cx, Scene::kCx + c.dx, 1e-3);
    EXPECT_NEAR(found.cy, Scene::kCy + c.dy, 1e-3);
    EXPECT_NEAR(found.width, Scene::kW * c.scale, 1e-4);
    EXPECT_NEAR(found.height, Scene::kH * c.scale, 1e-4);
    EXPECT_NEAR(std::remainder(found.angle - Scene::kAngle - c.turn, 360.0), 0.0, 1e-3);
  }
}

TEST(ObjectSearch, FiltrationRequiredMatchesAndAngleFolding) {
  struct Case {
    const char* name;
    float passes;
    int required;
    bool found;
    int matches;
    bool exact;  // the rectangle of the six true matches
  };
  const std::vector<Case> cases = {
      // The far pair predicts another centre: it is dropped without filtration.
      {"no filtration", 0, 1, true, 6, true},
      {"half a pass is none", 0.5f, 1, true, 6, true},
      {"one pass removes the outlier", 1, 1, true, 6, true},
      {"2.7 passes", 2.7f, 1, true, 6, true},
      // Six pairs do not pin the pose down for six required: none stays.
      {"six matches, six required", 1, 6, false, 0, false},
      {"six matches, five required", 1, 5, true, 6, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene(0, 0, 0);
    // The saved record 0 seen again far away.
    gpu::CResultListElem* first = static_cast<gpu::CResultListElem*>(scene.store.saved.head);
    FeatureRecord far = kestan::RecordOf(*first);
    far.x += 400;
    scene.current.Add(far);
    TRectangle found{};
    const MatchSettings s{kestan::kEuclidean, 0.001f, 0, c.passes, 1.2f, 15, c.required};
    EXPECT_EQ(kestan::MatchObject(255, nullptr, scene.store, scene.current.list, s, found, false, true, nullptr),
              c.found);
    EXPECT_EQ(scene.store.matches.count, c.matches);
    EXPECT_EQ(std::abs(found.cx - Scene::kCx) < 1e-3, c.exact);
  }

  // Angles 350 and 10 average to 0; 300 and 320 to 310.
  for (auto [a, b, mean] : {std::tuple{350.0f, 10.0f, 0.0}, std::tuple{300.0f, 320.0f, 310.0}}) {
    DescriptorStore store;
    for (float angle : {a, b}) {
      auto* m = new kestan::CMatchListElem();
      m->angle = angle;
      store.matches.Append(m);
    }
    TRectangle found{};
    ASSERT_TRUE(kestan::EstimateRectangle(255, nullptr, store, found));
    EXPECT_NEAR(found.angle, mean, 1e-4);
  }
  DescriptorStore empty;
  TRectangle found{1, 2, 3, 4, 5};
  char16_t err[64] = {};
  EXPECT_FALSE(kestan::EstimateRectangle(63, err, empty, found));
  EXPECT_EQ(std::u16string(err), u"No matching points was found");
  EXPECT_EQ(found.cx + found.cy + found.width + found.height + found.angle, 0.0);
}

TEST(ObjectSearch, AnOutlyingAngleIsFilteredAndTiesKeepTheFirst) {
  Scene scene(0, 0, 0);
  // A seventh keypoint matching saved record 1, turned by 40 degrees: its
  // predicted angle is far from the others'.
  FeatureRecord turned = kestan::RecordOf(*static_cast<gpu::CResultListElem*>(scene.store.saved.head->next));
  turned.orientation += 0.7f;
  scene.current.Add(turned);
  // A copy of saved record 2 behind all others: equal distance, so never chosen.
  FeatureRecord twin = kestan::RecordOf(*static_cast<gpu::CResultListElem*>(scene.store.saved.head->next->next));
  auto* twinElem = Elem(twin);
  scene.store.saved.Append(twinElem);
  TRectangle found{};
  const MatchSettings s{kestan::kEuclidean, 0.001f, 0, 1, 1.2f, 15, 1};
  ASSERT_TRUE(kestan::MatchObject(255, nullptr, scene.store, scene.current.list, s, found, false, true, nullptr));
  EXPECT_EQ(scene.store.matches.count, 6);
  EXPECT_NEAR(found.angle, Scene::kAngle, 1e-3);
  for (gpu::CListElem* e = scene.current.list.head; e; e = e->next) {
    EXPECT_NE(static_cast<gpu::CResultListElem*>(e)->best, twinElem);
  }
}

// A pair near the object's centre predicts the centre whatever its turn:
// without any filtration pass, its turn does not skew the pose's angle.
TEST(ObjectSearch, APairTurnedFromTheOthersIsNotPooledIntoTheAngle) {
  Scene scene(0, 0, 0);
  FeatureRecord centre = Record(static_cast<float>(Scene::kCx), static_cast<float>(Scene::kCy), 9, 0.5f, 6);
  centre.offsetX = centre.offsetY = 0;
  kestan::ComputeDescriptorStatistics(centre);
  scene.store.saved.Append(Elem(centre));
  centre.orientation += 1.2f;
  scene.current.Add(centre);
  TRectangle found{};
  const MatchSettings s{kestan::kEuclidean, 0.001f, 0, 0, 1.2f, 15, 1};
  ASSERT_TRUE(kestan::MatchObject(255, nullptr, scene.store, scene.current.list, s, found, false, true, nullptr));
  // Its place fits the pose; the angle comes from the places alone.
  EXPECT_EQ(scene.store.matches.count, 7);
  EXPECT_NEAR(found.angle, Scene::kAngle, 1e-3);
}

// Copies of the scene's keypoints `dx` to the right: the first `count`
// of them, or, when `moved`, all of them moved and two left behind.
void AddCopy(Scene& scene, double dx, int count, bool moved) {
  int i = 0;
  std::vector<FeatureRecord> copy;
  for (gpu::CListElem* e = scene.current.list.head; e && i < count; e = e->next, ++i) {
    auto* k = static_cast<gpu::CResultListElem*>(e);
    FeatureRecord r = kestan::RecordOf(*k);
    r.x += static_cast<float>(dx);
    if (moved && i >= 2) {
      kestan::StoreRecord(*k, r);
    } else {
      copy.push_back(r);
    }
  }
  for (const FeatureRecord& r : copy) scene.current.Add(r);
}

TEST(ObjectSearch, TwoCopiesAreFoundOneByOneAndNeverBetween) {
  struct Case {
    const char* name;
    int count;
    bool moved;
    double first;  // the shift of the copy found first
    bool second;   // whether the other copy is found too
  };
  // With two and six, the two saved records seen twice pair with the first
  // copy met: the larger copy is found from its four other pairs, and the two
  // left do not pin the other copy down.
  for (const Case& c : {Case{"six and six: the first", 6, false, 0, true}, Case{"six and four", 4, false, 0, true},
                        Case{"two and six", 6, true, 200, false}}) {
    SCOPED_TRACE(c.name);
    Scene scene(0, 0, 0);
    AddCopy(scene, 200, c.count, c.moved);
    const MatchSettings s{kestan::kEuclidean, 0.001f, 0, 0, 1.2f, 15, 1};
    TRectangle found{};
    gpu::CList handed;
    ASSERT_TRUE(kestan::MatchObject(255, nullptr, scene.store, scene.current.list, s, found, true, false, &handed));
    EXPECT_NEAR(found.cx, Scene::kCx + c.first, 1e-3);
    EXPECT_NEAR(found.cy, Scene::kCy, 1e-3);
    // The other copy's keypoints stay for the next object, which finds it.
    EXPECT_EQ(handed.count, scene.store.matches.count);
    const int other = scene.current.list.count;
    ASSERT_EQ(kestan::MatchObject(255, nullptr, scene.store, scene.current.list, s, found, true, true, &handed),
              c.second);
    if (c.second) {
      EXPECT_EQ(scene.store.matches.count, other);
      EXPECT_NEAR(found.cx, Scene::kCx + 200 - c.first, 1e-3);
    }
    handed.DeleteAll();
  }
}

TEST(ObjectSearch, UsedKeypointsAreHandedOverExceptByTheLast) {
  for (bool last : {false, true}) {
    SCOPED_TRACE(last);
    Scene scene(0, 0, 0);
    scene.current.Add(Record(5, 5, 9, 0, 99));  // matches nothing
    TRectangle found{};
    gpu::CList handed;
    const MatchSettings s{kestan::kEuclidean, 0.001f, 0, 0, 1.2f, 15, 1};
    ASSERT_TRUE(kestan::MatchObject(255, nullptr, scene.store, scene.current.list, s, found, true, last, &handed));
    EXPECT_EQ(scene.current.list.count, last ? 7 : 1);
    EXPECT_EQ(handed.count, last ? 0 : 6);
    if (!last) {
      // What is left is offered afresh.
      auto* rest = static_cast<gpu::CResultListElem*>(scene.current.list.head);
      EXPECT_EQ(rest->distance, 1e10f);
    }
    handed.DeleteAll();
  }
}

}  // namespace

namespace {

using kestan::PosePair;

// Pairs of saved places (x, y, orientation in degrees) seen again turned by
// 20 degrees, scaled by 1.1 and shifted; each pair's own turn and size ratio
// are the pose's unless `ownTurn` says otherwise.
std::vector<PosePair> PairsAt(const std::vector<std::array<double, 3>>& saved, double ownTurn = 20) {
  const double t = 20 * M_PI / 180, s = 1.1;
  std::vector<PosePair> pairs;
  for (const auto& [x, y, o] : saved) {
    const double px = s * (std::cos(t) * x - std::sin(t) * y) + 30, py = s * (std::sin(t) * x + std::cos(t) * y) - 12;
    pairs.push_back({x, y, px, py, s, ownTurn, o * M_PI / 180, 0, 0});
  }
  return pairs;
}

TEST(ObjectPose, WhatPinsAPoseDown) {
  const kestan::Reference ref{50, 50, 100, 100};
  struct Case {
    const char* name;
    std::vector<std::array<double, 3>> saved;
    int required;
    bool orientations;
    double ownTurn;
    bool pins;
  };
  const std::vector<Case> cases = {
      {"three across the object", {{10, 10, 0}, {90, 20, 70}, {40, 80, 130}}, 1, true, 20, true},
      {"three across, three required", {{10, 10, 0}, {90, 20, 70}, {40, 80, 130}}, 3, true, 20, false},
      {"four on one line", {{10, 10, 0}, {30, 30, 70}, {60, 60, 130}, {90, 90, 20}}, 1, true, 20, false},
      // Keypoints along an edge: one axis, either way along it, in a band.
      {"a band along an edge", {{10, 46, 90}, {30, 54, 270}, {50, 46, 90}, {70, 54, 270}, {90, 47, 90}}, 1, true, 20,
       false},
      {"one axis, spread across", {{10, 10, 90}, {90, 20, 270}, {40, 80, 90}}, 1, true, 20, true},
      {"two confirmed by their own turns", {{10, 10, 0}, {90, 60, 70}}, 1, true, 20, true},
      {"two whose own turns disagree", {{10, 10, 0}, {90, 60, 70}}, 1, true, 30, false},
      {"two on one axis", {{10, 10, 0}, {90, 60, 180}}, 1, true, 20, false},
      {"two without orientations", {{10, 10, 0}, {90, 60, 0}}, 1, false, 20, false},
      {"two close together", {{10, 10, 0}, {15, 14, 70}}, 1, true, 20, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<PosePair> pairs = PairsAt(c.saved, c.ownTurn);
    std::vector<size_t> all(pairs.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    kestan::SimilarityFit fit;
    ASSERT_TRUE(kestan::FitSimilarity(pairs, all, fit));
    EXPECT_NEAR(fit.Scale(), 1.1, 1e-9);
    EXPECT_NEAR(fit.TurnDegrees(), 20, 1e-9);
    EXPECT_EQ(kestan::PinsDown(pairs, all, fit, ref, c.required, c.orientations), c.pins);
  }
}

}  // namespace
