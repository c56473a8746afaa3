// Joining of split traces: a border that the detection traced in pieces
// (stopped at a sharp tip, at a weak stretch of a blurred edge, or against a
// scrap of another trace) is made one outline again in the mark frame.
#pragma once

#include <vector>

#include "border/border_detection.h"

namespace oskvel {

// One label of a detection as the joining sees it.
struct TracePiece {
  int steps = 0;      // 0: no trace under this label
  bool small = false;  // too small to be a particle of its own
  int minX = 0, minY = 0, maxX = -1, maxY = -1;  // box of its mark pixels
};

// Ends further apart than this are not joined.
inline constexpr int kMaxJoinGap = 8;

// A piece is open when its two end points (entries of `ends` under its
// label) lie apart. Bridges the ends of each open piece that lie close to
// each other, then
// joins an end left open to the nearest free end of another open piece, or
// to the nearest pixel of a small piece, within kMaxJoinGap. Joined pieces
// take the lowest label of their group in the mark frame; each gap gets a
// straight run of that label over free pixels. Answers, per label, the label
// it now belongs to (itself when it joined nothing).
std::vector<int> JoinTraces(Frame* mark, const BorderEndPoint* ends, int endCount,
                            const std::vector<TracePiece>& pieces);

}  // namespace oskvel
