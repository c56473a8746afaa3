// The ECC 200 placement: codewords laid out as diagonal 8-module shapes over
// the data area, with wrap-around at its edges and four special corner shapes.
#include <algorithm>

#include "dm_codewords.h"

namespace dunsel {

namespace {

class Placement {
 public:
  Placement(int numRows, int numCols, std::vector<int32_t>& map) : rows_(numRows), cols_(numCols), map_(map) {}

  void Run() {
    std::fill(map_.begin(), map_.end(), 0);
    int chr = 1, row = 4, col = 0;
    do {
      if (row == rows_ && col == 0) Corner1(chr++);
      if (row == rows_ - 2 && col == 0 && cols_ % 4 != 0) Corner2(chr++);
      if (row == rows_ - 2 && col == 0 && cols_ % 8 == 4) Corner3(chr++);
      if (row == rows_ + 4 && col == 2 && cols_ % 8 == 0) Corner4(chr++);
      // Upwards to the right...
      do {
        if (row < rows_ && col >= 0 && at(row, col) == 0) Codeword(row, col, chr++);
        row -= 2;
        col += 2;
      } while (row >= 0 && col < cols_);
      row += 1;
      col += 3;
      // ...then downwards to the left.
      do {
        if (row >= 0 && col < cols_ && at(row, col) == 0) Codeword(row, col, chr++);
        row += 2;
        col -= 2;
      } while (row < rows_ && col >= 0);
      row += 3;
      col += 1;
    } while (row < rows_ || col < cols_);
    if (at(rows_ - 1, cols_ - 1) == 0) {
      at(rows_ - 1, cols_ - 1) = 1;
      at(rows_ - 2, cols_ - 2) = 1;
    }
  }

 private:
  int32_t& at(int r, int c) { return map_[static_cast<size_t>(r) * cols_ + c]; }

  void Module(int row, int col, int chr, int bit) {
    if (row < 0) {
      row += rows_;
      col += 4 - ((rows_ + 4) % 8);
    }
    if (col < 0) {
      col += cols_;
      row += 4 - ((cols_ + 4) % 8);
    }
    if (row < 0 || row >= rows_ || col < 0 || col >= cols_) return;  // only for areas no size has
    at(row, col) = 10 * chr + bit;
  }
  // The standard shape, its last module at (row, col).
  void Codeword(int row, int col, int chr) {
    Module(row - 2, col - 2, chr, 1);
    Module(row - 2, col - 1, chr, 2);
    Module(row - 1, col - 2, chr, 3);
    Module(row - 1, col - 1, chr, 4);
    Module(row - 1, col, chr, 5);
    Module(row, col - 2, chr, 6);
    Module(row, col - 1, chr, 7);
    Module(row, col, chr, 8);
  }
  void Corner1(int chr) {
    Module(rows_ - 1, 0, chr, 1);
    Module(rows_ - 1, 1, chr, 2);
    Module(rows_ - 1, 2, chr, 3);
    Module(0, cols_ - 2, chr, 4);
    Module(0, cols_ - 1, chr, 5);
    Module(1, cols_ - 1, chr, 6);
    Module(2, cols_ - 1, chr, 7);
    Module(3, cols_ - 1, chr, 8);
  }
  void Corner2(int chr) {
    Module(rows_ - 3, 0, chr, 1);
    Module(rows_ - 2, 0, chr, 2);
    Module(rows_ - 1, 0, chr, 3);
    Module(0, cols_ - 4, chr, 4);
    Module(0, cols_ - 3, chr, 5);
    Module(0, cols_ - 2, chr, 6);
    Module(0, cols_ - 1, chr, 7);
    Module(1, cols_ - 1, chr, 8);
  }
  void Corner3(int chr) {
    Module(rows_ - 3, 0, chr, 1);
    Module(rows_ - 2, 0, chr, 2);
    Module(rows_ - 1, 0, chr, 3);
    Module(0, cols_ - 2, chr, 4);
    Module(0, cols_ - 1, chr, 5);
    Module(1, cols_ - 1, chr, 6);
    Module(2, cols_ - 1, chr, 7);
    Module(3, cols_ - 1, chr, 8);
  }
  void Corner4(int chr) {
    Module(rows_ - 1, 0, chr, 1);
    Module(rows_ - 1, cols_ - 1, chr, 2);
    Module(0, cols_ - 3, chr, 3);
    Module(0, cols_ - 2, chr, 4);
    Module(0, cols_ - 1, chr, 5);
    Module(1, cols_ - 3, chr, 6);
    Module(1, cols_ - 2, chr, 7);
    Module(1, cols_ - 1, chr, 8);
  }

  int rows_, cols_;
  std::vector<int32_t>& map_;
};

}  // namespace

void PlaceCodewords(int numRows, int numCols, std::vector<int32_t>& map) {
  map.assign(static_cast<size_t>(numRows) * numCols, 0);
  if (numRows < 2 || numCols < 2) return;
  Placement(numRows, numCols, map).Run();
}

void PackCodewords(const std::vector<int32_t>& bits, const std::vector<int32_t>& map, std::vector<uint8_t>& codewords) {
  codewords.assign(map.size() / 8 + 1, 0);
  for (size_t i = 0; i < map.size() && i < bits.size(); ++i) {
    const int v = map[i];
    if (v <= 10) continue;
    const size_t byte = static_cast<size_t>(v / 10 - 1);
    if (byte >= codewords.size()) continue;
    const uint8_t mask = static_cast<uint8_t>(1u << (8 - v % 10));
    if (bits[i]) codewords[byte] |= mask;
    else codewords[byte] &= static_cast<uint8_t>(~mask);
  }
}

}  // namespace dunsel
