// The tracing steps of CBorderDetection: candidate neighbours, the choice of
// the next pixel with its one-step look-ahead, and the walk along a labelled
// border.
#include <cstdlib>

#include "border/border_detection.h"
#include "border_frame.h"

using border::kDx;
using border::kDy;
using border::MarkAt;

namespace {

// A pixel whose contrast cannot be measured (on or off the frame edge) is
// never a border candidate, whatever the threshold: this keeps every trace
// one pixel inside the frame.
bool AboveThreshold(const Frame* source, int x, int y, int threshold, int* contrast) {
  return CBorderDetection::CountEdgeContrast(source, x, y, contrast) && *contrast > threshold;
}

}  // namespace

bool CBorderDetection::CheckSurroundedPixels(const Frame* source, const Frame* mark, int x, int y, int threshold,
                                             int prevX, int prevY, int prev2X, int prev2Y, int label, int contrasts[8],
                                             int xs[8], int ys[8], bool* closed, int /*startX*/, int /*startY*/,
                                             int /*steps*/, bool* collided, int* otherLabel, int* endX, int* endY) {
  bool found = false;
  for (int k = 0; k < 8; ++k) {
    const int nx = x + kDx[k], ny = y + kDy[k];
    const int m = MarkAt(mark, nx, ny);
    if (m != kFree && m != label) {
      *collided = true;
      *otherLabel = m;
      return false;
    }
    if (m != kFree) continue;
    xs[k] = nx;
    ys[k] = ny;
    int contrast = 0;
    if (!AboveThreshold(source, nx, ny, threshold, &contrast)) continue;
    if (!NeighbourPixel(nx, ny, prevX, prevY) || !NeighbourPixel(nx, ny, prev2X, prev2Y)) continue;
    int count = 0;
    CheckNeighbourPixels(mark, nx, ny, &count);
    if (count < 3) {
      contrasts[k] = contrast;
      found = true;
    } else if (!found && !CheckBorderEndPxs(mark, nx, ny)) {
      *closed = true;
      *endX = nx;
      *endY = ny;
    }
  }
  return found;
}

int CBorderDetection::TestPossibleNextPx(const Frame* source, const Frame* mark, int candX, int candY, int threshold,
                                         int x, int y, int prevX, int prevY) {
  int gc = 0, gp = 0;
  GetPixelValue(source, candX, candY, &gc);
  GetPixelValue(source, x, y, &gp);
  int score = std::abs(gc - gp) < 72 ? 1 : 0;

  for (int k = 0; k < 8; ++k) {
    const int nx = candX + kDx[k], ny = candY + kDy[k];
    if (MarkAt(mark, nx, ny) != kFree) continue;
    int contrast = 0;
    if (!AboveThreshold(source, nx, ny, threshold, &contrast)) continue;
    if (!NeighbourPixel(nx, ny, x, y) || !NeighbourPixel(nx, ny, prevX, prevY)) continue;
    int count = 0;
    CheckNeighbourPixels(mark, nx, ny, &count);
    if (count < 3) {
      ++score;
      break;
    }
  }

  if (CheckBorderEndPxs(mark, candX, candY)) ++score;
  return score;
}

bool CBorderDetection::CheckThePossiblePixels(const Frame* source, const Frame* mark, int* direction, int threshold,
                                              int x, int y, int prevX, int prevY, int steps, int startX, int startY,
                                              bool* closed, int* endX, int* endY, const int contrasts[8],
                                              const int xs[8], const int ys[8]) {
  const int d = *direction;
  const int next = d == 7 ? 0 : d + 1;
  const int before = d < 1 ? 7 : d - 1;
  int score[8] = {};
  for (int k = 0; k < 8; ++k) {
    if (contrasts[k] == 0) continue;
    if (std::abs(xs[k] - startX) <= 1 && std::abs(ys[k] - startY) <= 1 && steps > 3) {
      *closed = true;
      *endX = xs[k];
      *endY = ys[k];
      return false;
    }
    score[k] = TestPossibleNextPx(source, mark, xs[k], ys[k], threshold, x, y, prevX, prevY);
    if (k == d || k == next || k == before) ++score[k];
  }

  int best = 0;
  for (int k = 0; k < 8; ++k) {
    if (contrasts[k] != 0 && score[k] > best) best = score[k];
  }
  int chosen = -1, chosenContrast = 0;
  for (int k = 0; k < 8; ++k) {
    if (contrasts[k] != 0 && score[k] == best && contrasts[k] >= chosenContrast) {
      chosen = k;
      chosenContrast = contrasts[k];
    }
  }
  *endX = x;
  *endY = y;
  if (best > 0) {
    *direction = chosen;
    return true;
  }
  if (chosen >= 0) {
    *closed = true;
    *endX = xs[chosen];
    *endY = ys[chosen];
  }
  return false;
}

bool CBorderDetection::ScanBorder(const Frame* mark, const Frame* testMark, int label, int* prevX, int* prevY, int* x,
                                  int* y) const {
  if (label == kFree || label == objectCount) return false;
  for (int k = 0; k < 8; ++k) {
    const int nx = *x + kDx[k], ny = *y + kDy[k];
    if (!border::InFrame(mark, nx, ny) || MarkAt(mark, nx, ny) != label) continue;
    if (!NeighbourPixel(nx, ny, *prevX, *prevY) || !CheckProjectingPx(testMark, nx, ny)) continue;
    *prevX = *x;
    *prevY = *y;
    *x = nx;
    *y = ny;
    return true;
  }
  return false;
}
