// Quarter turns and flips on memory rows: every pixel is moved whole, 24-bit
// frames included (their strides change with the width).
#include <algorithm>

#include "geometry.h"

namespace ilvant {
namespace {

enum class Turn { kRight, kLeft, kHalf, kFlipHorizontal, kFlipVertical };

template <int N>
inline void MovePixel(uint8_t* dst, const uint8_t* src) {
  std::memcpy(dst, src, N);
}

// 90 degrees: output (R, C) takes input (C, w - 1 - R) turning right and
// (d - 1 - C, R) turning left. A column walk of the input is cache-hostile,
// so the output is done in square tiles; a band of tile rows per thread.
template <int N>
void QuarterTurn(const FrameRows& in, const FrameRows& out, bool right) {
  constexpr int kTile = 64;
  const int bands = (out.depth + kTile - 1) / kTile;
#pragma omp parallel for schedule(dynamic)
  for (int band = 0; band < bands; ++band) {
    const int r0 = band * kTile;
    const int r1 = std::min(out.depth, r0 + kTile);
    for (int c0 = 0; c0 < out.width; c0 += kTile) {
      const int c1 = std::min(out.width, c0 + kTile);
      for (int r = r0; r < r1; ++r) {
        uint8_t* dst = out.row(r);
        const int x = right ? in.width - 1 - r : r;
        for (int c = c0; c < c1; ++c) {
          const int y = right ? c : in.depth - 1 - c;
          MovePixel<N>(dst + c * N, in.row(y) + x * N);
        }
      }
    }
  }
}

// Row-preserving moves: 180 degrees and the two flips.
template <int N>
void RowMove(const FrameRows& in, const FrameRows& out, bool reverseRows, bool reverseColumns) {
  const int w = in.width;
  const int d = in.depth;
#pragma omp parallel for schedule(dynamic, 8)
  for (int r = 0; r < d; ++r) {
    const uint8_t* src = in.row(reverseRows ? d - 1 - r : r);
    uint8_t* dst = out.row(r);
    if (!reverseColumns) {
      std::memcpy(dst, src, static_cast<size_t>(w) * N);
      continue;
    }
    for (int c = 0; c < w; ++c) MovePixel<N>(dst + c * N, src + (w - 1 - c) * N);
  }
}

template <int N>
void Move(const FrameRows& in, const FrameRows& out, Turn turn) {
  switch (turn) {
    case Turn::kRight:
      return QuarterTurn<N>(in, out, true);
    case Turn::kLeft:
      return QuarterTurn<N>(in, out, false);
    case Turn::kHalf:
      return RowMove<N>(in, out, true, true);
    case Turn::kFlipHorizontal:
      return RowMove<N>(in, out, false, true);
    case Turn::kFlipVertical:
      return RowMove<N>(in, out, true, false);
  }
}

bool RunTurn(const RunArgs& a, Turn turn) {
  FrameRows in;
  if (!InputRows(a, 0, &in)) return FailInput(a, u"Input frame");
  const bool swap = turn == Turn::kRight || turn == Turn::kLeft;
  FrameRows out;
  if (!OutputRows(a, 0, swap ? in.depth : in.width, swap ? in.width : in.depth, in.bpp, &out)) {
    return a.fail(kNoOutputFrame);
  }
  switch (in.bpp) {
    case 8:
      Move<1>(in, out, turn);
      break;
    case 24:
      Move<3>(in, out, turn);
      break;
    case 32:
      Move<4>(in, out, turn);
      break;
    default:
      break;  // no branch for this depth: the output stays as the host made it
  }
  return true;
}

}  // namespace

bool RunRotate90Right(const RunArgs& a) { return RunTurn(a, Turn::kRight); }
bool RunRotate90Left(const RunArgs& a) { return RunTurn(a, Turn::kLeft); }
bool RunRotate180(const RunArgs& a) { return RunTurn(a, Turn::kHalf); }
bool RunFlipHorizontal(const RunArgs& a) { return RunTurn(a, Turn::kFlipHorizontal); }
bool RunFlipVertical(const RunArgs& a) { return RunTurn(a, Turn::kFlipVertical); }

}  // namespace ilvant
