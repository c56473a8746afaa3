// The measurements of one letter that the structural tests read, and the
// tests' common tools. Profiles live in fixed arrays: a letter costs no
// allocation.
//
// A test that would read an entry a profile lacks (a fixed index past its
// end, an index below 0, a window with no entries) is skipped whole.
#pragma once

#include <array>
#include <cstdint>

#include "latin/vote_targets.h"

namespace kelmar::latin {

inline constexpr int kMaxProfile = 50;

// One contour profile: the first-dark distance per sampled line, normalised
// by its smallest entry, with the statistics of its central window.
struct Profile {
  std::array<int32_t, kMaxProfile> raw{}, v{};
  int n = 0;
  int imin = -1;  // first smallest entry
  int ws = 0, wc = 0;  // central window: first index, count
  float m = 0, s = 0;  // its mean and deviation
  int kmax = -1;       // its first maximum, as an index of the whole profile
  int vmax = 0;        // that entry before normalisation

  void Append(int value) {
    if (n < kMaxProfile) raw[n++] = value;
  }
  // Normalises and takes the window statistics; `divisor` 8 for the row
  // profiles, 5 for the column profiles.
  void Finish(int divisor);
};

struct FeatureContext {
  int32_t* row = nullptr;  // the letter's votes
  int W = 0, H = 0;        // box width and height
  float t = 1;             // straightness tolerance
  Profile left, right, bottom, top;
  bool miss = false;
  std::array<uint8_t, kTargetCount> fired{};  // how often each test voted, for inspection

  void Add(Target target, int times = 1) {
    ++fired[target];
    for (const Vote& v : TargetVotes(target)) row[v.cls] += v.weight * times;
  }
  void AddClass(int cls, int votes = 1) { row[cls] += votes; }

  // Entry i of a profile; a missing entry marks the test skipped.
  int At(const Profile& p, int i) {
    if (i < 0 || i >= p.n) {
      miss = true;
      return 0;
    }
    return p.v[i];
  }
  // Window statistics; an empty window marks the test skipped.
  const Profile& Win(const Profile& p) {
    if (p.wc <= 0) miss = true;
    return p;
  }
  // True when no read of the test missed; clears the mark for the next test.
  bool Ok() {
    const bool ok = !miss;
    miss = false;
    return ok;
  }
  // Deviation (and mean) of k entries from a, as the row statistics give it:
  // one entry gives not a number, no entries 0.
  float Dev(const Profile& p, int a, int k, float* mean = nullptr);
  // Largest / smallest entry of a..b (inclusive); an empty range misses.
  int Max(const Profile& p, int a, int b);
  int Min(const Profile& p, int a, int b);
  // Index of the first maximum of `count` entries from a.
  int FirstMaxIndex(const Profile& p, int a, int count);
};

// The profile families, in the order the classifier runs them.
void LeftProfileTests(FeatureContext& f);
void RightProfileTests(FeatureContext& f);
void BottomProfileTests(FeatureContext& f);
void TopProfileTests(FeatureContext& f);

// The walks of the profile tests. Bowl depth of the right profile with last
// index F; the deep run i..j of the bottom-side profile with last index G and
// window maximum vmax; whether the bottom-side profile has a second valley.
int BowlDepth(FeatureContext& f, int F);
void DeepRun(FeatureContext& f, int G, int vmax, int& i, int& j);
bool SecondValley(FeatureContext& f, int G);

// Each separate-mark class takes the vote of its base letter.
void CopyBaseLetterVotes(int32_t* row);

}  // namespace kelmar::latin
