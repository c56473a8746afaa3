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

// A piece is open when its two end points (its entries in `ends`) lie
// apart. The ends of an open piece that lie close are bridged; an end left
// open joins the nearest free end of another open piece, or the nearest pixel
// of a small piece, within kMaxJoinGap. A bridge is a straight run of the
// label over free pixels, and a small piece it crosses joins too. Joined
// pieces take the lowest label of their group in the mark frame. Answers,
// per label, the label it now belongs to (itself when it joined nothing).
std::vector<int> JoinTraces(Frame* mark, const BorderEndPoint* ends, int endCount,
                            const std::vector<TracePiece>& pieces);

}  // namespace oskvel
