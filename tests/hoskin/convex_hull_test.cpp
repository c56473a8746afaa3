// The convex hull against a brute-force hull, and the region rectangle.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "convex_hull.h"

namespace {

using Pt = std::pair<float, float>;

// Every input point that is a strict corner of the hull: no other point set
// has it inside or on a segment between two others (checked by half-planes).
std::set<Pt> BruteHull(const std::vector<Pt>& pts) {
  std::set<Pt> unique(pts.begin(), pts.end());
  std::vector<Pt> u(unique.begin(), unique.end());
  std::set<Pt> hull;
  for (const Pt& a : u) {
    for (const Pt& b : u) {
      if (a == b) continue;
      bool allLeft = true;  // every other point strictly left of a->b or on the segment's line inside it
      for (const Pt& c : u) {
        const float cross = (b.first - a.first) * (c.second - a.second) - (b.second - a.second) * (c.first - a.first);
        if (cross < 0) {
          allLeft = false;
          break;
        }
        if (cross == 0 && c != a && c != b) {
          const float dot = (c.first - a.first) * (b.first - a.first) + (c.second - a.second) * (b.second - a.second);
          const float len = (b.first - a.first) * (b.first - a.first) + (b.second - a.second) * (b.second - a.second);
          if (dot < 0 || dot > len) {
            allLeft = false;
            break;
          }
        }
      }
      if (allLeft) hull.insert(a), hull.insert(b);
    }
  }
  return hull;
}

TEST(ConvexHull, MatchesABruteForceHullWithManyEqualX) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    const int n = 1 + static_cast<int>(rng() % 40);
    std::vector<Pt> pts;
    for (int i = 0; i < n; ++i) pts.push_back({static_cast<float>(rng() % 5), static_cast<float>(rng() % 12)});
    std::vector<float> flat;
    for (const Pt& p : pts) flat.push_back(p.first), flat.push_back(p.second);
    std::vector<float> out(flat.size());
    const int count = hoskin::ConvexHull(flat.data(), n, out.data());
    std::set<Pt> got;
    for (int i = 0; i < count; ++i) got.insert({out[2 * i], out[2 * i + 1]});
    EXPECT_EQ(static_cast<int>(got.size()), count) << "round " << round << ": a point twice";
    const std::set<Pt> want = BruteHull(pts);
    if (want.size() >= 3) {
      EXPECT_EQ(got, want) << "round " << round;
    }
  }
}

TEST(ConvexHull, SmallInputs) {
  float one[] = {3, 4}, out[8];
  EXPECT_EQ(hoskin::ConvexHull(one, 1, out), 1);
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(hoskin::ConvexHull(one, 0, out), 0);
  float triangle[] = {1, 2, 0, 0, 2, 0};
  ASSERT_EQ(hoskin::ConvexHull(triangle, 3, out), 3);
  EXPECT_EQ(std::vector<float>(out, out + 6), (std::vector<float>{0, 0, 2, 0, 1, 2}));
  // The case that an x-only sort loses: (2, 2) must stay.
  float square[] = {0, 2, 0, 0, 1, 1, 2, 0, 2, 2};
  ASSERT_EQ(hoskin::ConvexHull(square, 5, out), 4);
  EXPECT_EQ(std::vector<float>(out, out + 8), (std::vector<float>{0, 0, 2, 0, 2, 2, 0, 2}));
}

TEST(ComputeRegionRectangle, SquaresUprightAndTurned) {
  const float square[] = {0, 0, 10, 0, 10, 10, 0, 10};
  float c[8];
  hoskin::ComputeRegionRectangle(square, 4, 5, 5, c);
  EXPECT_EQ(std::vector<float>(c, c + 8), (std::vector<float>{0, 0, 10, 0, 10, 10, 0, 10}));
  const float diamond[] = {5, 0, 10, 5, 5, 10, 0, 5};
  hoskin::ComputeRegionRectangle(diamond, 4, 5, 5, c);
  const std::vector<float> want = {5, 0, 10, 5, 5, 10, 0, 5};
  for (int i = 0; i < 8; ++i) EXPECT_NEAR(c[i], want[i], 1e-4) << i;
}

}  // namespace
