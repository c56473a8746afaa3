// From a located symbol to its codewords: module sampling with the two print
// quality figures, the ECC 200 codeword placement, and Reed-Solomon
// correction of the interleaved blocks.
#pragma once

#include <cstdint>
#include <vector>

#include "dm_symbol.h"
#include "galois.h"
#include "talvix.h"

namespace dunsel {

// The placement map of a data area of numRows x numCols modules: each module
// holds 10 x codeword + bit (codewords from 1, bit 1 the most significant),
// 1 for the fixed pattern of the bottom-right corner.
void PlaceCodewords(int numRows, int numCols, std::vector<int32_t>& map);

// Packs the data area's bits (row-major, 1 set) into codewords by the map.
void PackCodewords(const std::vector<int32_t>& bits, const std::vector<int32_t>& map, std::vector<uint8_t>& codewords);

struct CodewordSample {
  float contrast = 0;    // brightest against darkest tenth of the modules, 0..1
  float widthRatio = 0;  // light to dark module width along the clock tracks
};

// Module sampling and placement, with buffers kept from candidate to
// candidate. The module centres lie where the line through a row's clock
// point, along the finder's rows, crosses the line through a column's clock
// point; a module is dark when its weighted five-pixel sum is below
// 6 x threshold.
class CodewordReader {
 public:
  // False, with no codeword, when the clock tracks hold fewer points than
  // the size needs.
  bool Read(const Frame* frame, const SymbolCandidate& c, const DmSize& size, bool negative, int threshold,
            std::vector<uint8_t>& codewords, CodewordSample& sample);

 private:
  std::vector<int32_t> bits_, map_;
  std::vector<int> brightest_, darkest_;
};

// Corrects the codewords (data then error correction, as placed) block by
// block. unusedErrorCorrection starts at 1 and loses 2 nu / ecCodewords for
// every block with nu errors. False when a block cannot be corrected.
bool CorrectReedSolomon(const GaloisField& gf, std::vector<uint8_t>& codewords, const DmSize& size,
                        float& unusedErrorCorrection);

}  // namespace dunsel
