// Segmentation of the pattern-trained reader: a region is cut into text lines
// with the host's row scan lines, and each line into characters with its
// column scan lines, on two-level ink.
//
// Numbering: for a region of height H and width W, row line i (angle 0) and
// column line j (angle 90) are the host's i-th of H and j-th of W parallel
// lines. Rows are searched from H - 1 down to 0, columns from W - 1 down to 0;
// a record's x is W - 1 - j.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "talvix.h"

namespace kelmar {

// One character, space or line separator.
struct CharacterRecord {
  int x = 0, y = 0, width = 0, height = 0;
  int sequence = 0;
  int line = 0;
  // Sample sets: values, then column offsets, then row offsets (count each).
  int coarseCount = 0;
  float coarseDeviation = 0;
  int coarseMean = 0;
  std::vector<int32_t> coarse;
  int fineCount = 0;
  float fineDeviation = 0;
  int fineMean = 0;
  std::vector<int32_t> fine;
  std::u16string text = u" ";
  bool decided = false;
  bool boxed = true;  // false for separators and copied spaces, whose box is not set
};

// The text lines of a region: row indexes start >= end, and the right end
// (last inked column) of each.
struct TextLines {
  std::vector<int> starts, ends, rightEnds;
  int count() const { return static_cast<int>(starts.size()); }
};

struct SegmentationContext {
  const Frame* frame = nullptr;
  int threshold = 0;
  bool negative = false;
  int minimalSize = 1;
  int horizontalSpacing = 0;
  int verticalSpacing = 0;
  bool singleLine = false;  // the single-line variant
  int meanPatternWidth = 0;
};

class Segmenter {
 public:
  explicit Segmenter(const SegmentationContext& c) : c_(c) {}

  // The text lines of `region`; empty when none.
  TextLines FindLines(const TRectangularRegion& region, bool patternMode);

  // Appends the characters of one line (and, outside pattern mode, spaces).
  void SegmentLine(const TRectangularRegion& lineRegion, int lineIndex, bool patternMode,
                   std::vector<CharacterRecord>* table);

 private:
  static bool PixelCallback(void* user, int x, int y, unsigned value);
  bool ScanRow(const TRectangularRegion& r, int count, int i, double angle, bool* zeroLine = nullptr);
  TextLines FindLinesPlain(const TRectangularRegion& region, bool patternMode);
  TextLines FindLinesSpaced(const TRectangularRegion& region, bool patternMode);
  void FinishLines(const TRectangularRegion& region, bool patternMode, int tallest, TextLines* lines);
  void CloseCharacter(const TRectangularRegion& line, int w, int j, int lineIndex, CharacterRecord rec,
                      std::vector<CharacterRecord>* table, int* sequence);

  SegmentationContext c_;
  bool profiles_ = false;
  bool inkSeen_ = false;
  bool connected_ = false;
  std::vector<int16_t> profile_[2];
  int toggle_ = 1;
  int position_ = 0;
};

}  // namespace kelmar
