// Edges and runs of one Data Matrix scan-line profile held in a sample slot
// (sampleValues, sampleX, sampleY): forward differences into sampleGradient,
// edge marks or signed run lengths into barSpace.
#pragma once

#include "method.h"

namespace dunsel {

constexpr int kRisingMark = 100, kFallingMark = -100;

// Scan callback: appends a pixel to the slot, growing it when full. A scan
// that only asks whether the line has an edge, or where its first edge of a
// polarity lies, stops as soon as the samples so far answer it: the answer
// of ProfileHasEdge or FindFirstEdge on the shorter profile is the same.
enum class ScanStop { Never, AtAnyEdge, AtFirstRising, AtFirstFalling };
struct ProfileScan {
  SampleSlot* slot;
  ScanStop stop = ScanStop::Never;
};
bool CollectScanSample(void* user, int x, int y, unsigned value);

// Edge marks of n samples: steps above 15 (or two steps above 20) at a local
// extreme of the difference, at least minDistance apart; edges exactly
// minDistance apart with one polarity merge half-way, closer ones keep the
// stronger.
void MarkEdges(SampleSlot& s, int n, int minDistance);

// Signed run lengths between edges (dark positive, light negative) into
// barSpace; the index of the last run, -1 without edge or under 4 samples.
int ProfileRunLengths(SampleSlot& s, int n);

bool ProfileHasEdge(const SampleSlot& s, int n);

// Index of the first rising (or falling) edge, n - 2 when there is none, -1
// under 2 samples.
int FindFirstEdge(SampleSlot& s, int n, bool rising);

}  // namespace dunsel
