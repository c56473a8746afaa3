// The stages of Data Matrix location, each on explicit buffers so that the
// two scan directions can run in parallel sections.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "dm_symbol.h"
#include "method.h"
#include "reader2d.h"
#include "talvix.h"

namespace dunsel {

struct LocateContext {
  const Frame* frame;
  const TRectangularRegion* region;  // the examination region, never null
  int width, depth;                  // of the frame
  bool negative;
  float legRatio;
};

constexpr int kHorizontal = 0, kVertical = 1;

// Scans one family of lines (angle 0 or -90 to the region) into its matrices.
void ScanEdgeMatrix(ScanFamily& f, SampleSlot& slot, const LocateContext& lc, int direction);

// Segments of three marks on every k-th line, chained into longer ones;
// false when the lines gave no segment at all.
bool BuildLegSegments(ScanFamily& f, int k);

// Joins segments that continue one another across a gap of up to `gap`.
void JoinLegSegments(ScanFamily& f, int direction, int gap);

// Where the line through p0, p1 meets the line through p2, p3; false (and
// -1, -1) when the first two points are under a pixel apart, the last two
// coincide or the lines are parallel.
bool LineIntersection(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3, float* x,
                      float* y);

// What one pass may do on a region of `area` pixels in the frame: the
// segments of each family it pairs, and the pairs whose extent it scans.
struct PassBudget {
  int segments;
  int64_t extents;
};
PassBudget BudgetOfRegion(int64_t area);

// Erases all but the `most` longest alive segments (of equal lengths the
// earlier in the list stay).
void KeepLongestSegments(ScanFamily& f, int most);

// Finder L candidates from every pair of a horizontal-scan and a
// vertical-scan segment, in their legs' list order; the pairing ends when
// `extentBudget` pairs have had their extent scanned, the horizontal segments
// taking turns at the scanning.
PairWork PairFinderLegs(const ScanFamily& horizontal, const ScanFamily& vertical, SampleSlot& slot,
                        const LocateContext& lc, int64_t extentBudget, std::vector<SymbolCandidate>& out);

// Sides, corners, squareness and clock tracks of a candidate; clears valid
// when one of them fails.
void RefineCandidate(SymbolCandidate& c, const ScanFamily& horizontal, const ScanFamily& vertical, SampleSlot& slot,
                     const LocateContext& lc);

// A side line fitted to edge points: pairs[k] = {x, y of the first point,
// x, y of the second}; line = {x, y of the first end, x, y of the second},
// widened to the points of the qualifying triples.
void SelectLegLine(const double pairs[4][4], double line[4]);

// Drops the smaller of two valid candidates whose centre lies in the other.
void RemoveDuplicateCandidates(std::vector<SymbolCandidate>& candidates, const Frame* frame);

// The grey level between the dark and the light peak of the region.
int ModuleThreshold(const Frame* frame, const TRectangularRegion& region, std::array<int, 64>& histogram);

}  // namespace dunsel
