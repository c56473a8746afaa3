// The Data Matrix reader. A run finds the solid L of the finder pattern in
// two families of scan lines (horizontal and vertical, one OpenMP section
// each), measures the symbol's sides and clock tracks, and reads the located
// symbols through codeword sampling, Reed-Solomon correction and decodation.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dm_codewords.h"
#include "dm_symbol.h"
#include "galois.h"
#include "method.h"

namespace dunsel {

// An edge segment linked across scan lines: first point, the point before
// the last, last point. A deleted segment has every coordinate -1.
struct LegSegment {
  int x0, x1, x2;
  int y0, y1, y2;
  bool risingFirst;
  bool linked;
  bool alive() const { return !(x0 == -1 && x1 == -1 && x2 == -1 && y0 == -1 && y1 == -1 && y2 == -1); }
  void erase() { x0 = x1 = x2 = y0 = y1 = y2 = -1; }
};

// Edge marks and sample positions of one family of scan lines, one row per
// line, and the segments found in them.
struct ScanFamily {
  int lines = 0;    // N
  int columns = 0;  // C, the row stride
  std::vector<int> marks, xs, ys;
  std::vector<int> lineCoord;  // y0 (horizontal) or x0 (vertical) of each line
  std::vector<LegSegment> segments;
  std::vector<int> tripleStart;  // first segment of each row triple, and the end
  int at(const std::vector<int>& m, int row, int col) const { return m[static_cast<size_t>(row) * columns + col]; }
};

// Work of the location's pairing: pairs of a horizontal-scan and a
// vertical-scan segment tested, and of them those whose extent was scanned.
struct PairWork {
  int64_t pairs = 0;
  int64_t extents = 0;
};

struct RunInputs;

class CReadBarcode2D : public CMethod {
 public:
  bool Run(void* hostContext, intptr_t inputList, const void* inputNames, intptr_t outputList, const void* outputNames,
           int errLen, char16_t* errBuf) override;

  // The pairing work of the last run, summed over its passes.
  const PairWork& locationWork() const { return locationWork_; }

 private:
  friend struct DmLocation;
  bool LocateDataMatrix(void* ctx, const Frame* frame, TRectangularRegion* region, bool negative, int width,
                        int depth, bool showResults);
  bool TryCandidate(void* ctx, const Frame* frame, SymbolCandidate& c, bool negative, bool showResults, int level);
  void DrawOutline(void* ctx, const SymbolCandidate& c);

  std::unique_ptr<GaloisField> field_;
  CodewordReader codewordReader_;
  std::vector<uint8_t> codewords_;
  std::u16string decodedText_;
  int blockCount_ = 1;
  float legRatio_ = 0.15f;
  TRectangle outputRectangle_{};
  bool outputRectangleValid_ = false;
  float unusedErrorCorrection_ = 0, symbolContrast_ = 0, moduleWidthRatio_ = 0;
  int moduleThreshold_ = 0;
  PairWork locationWork_;

  std::array<ScanFamily, 2> families_;  // 0 horizontal scan lines, 1 vertical
  std::vector<SymbolCandidate> candidates_;
  std::array<int, 64> histogram_{};
};

}  // namespace dunsel
