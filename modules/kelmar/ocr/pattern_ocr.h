// CMatchOCR: "optical_character_recognition" (method 3), reading text against
// a table of characters taught by a pattern frame; CMatchSimpleOCR (method 4)
// is the same reader on a single line of text and keeps method index 3.
//
// The pattern frame is cut into characters (the j-th stands for the j-th
// character of "Table of characters"), each with a coarse and a fine set of
// grey samples; the table is kept until the pattern frame or a parameter that
// shapes it changes. Each run cuts the input region into characters and
// classifies them by normalised correlation against the table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue.h"
#include "match.h"
#include "ocr/segmentation.h"

namespace kelmar {

class CMatchOCR : public CMatch {
 public:
  CMatchOCR() : CMatch(kPatternOcr) {}
  bool Run(const frame::RunArgs& args) override;

  struct Candidate {
    int pattern, dx, dy;
    float score;
  };
  struct Params;

 protected:
  bool singleLine_ = false;

 private:
  // The character table (char_table.cpp); an empty text on success.
  std::u16string_view UpdateTable(const frame::RunArgs& a, const Frame* pattern, int32_t stamp, const Params& p);
  std::u16string_view BuildTable(const frame::RunArgs& a, const Frame* pattern, const Params& p);
  void SampleRecord(const Frame* pattern, bool negative, float speed, CharacterRecord* rec, bool* coarseIsFine);

  // Input segmentation; false when no character was found.
  bool SegmentInput(const Frame* input, const TRectangularRegion& region, int threshold, const Params& p);
  void Classify(const Frame* input, const TRectangularRegion& region, const Params& p);
  void ClassifyRecord(const Frame* input, const TRectangularRegion& region, const Params& p, CharacterRecord& rec,
                      std::vector<Candidate>& candidates, std::vector<int32_t>& values) const;
  void Draw(const frame::RunArgs& a, const TRectangularRegion& region) const;

  // Pattern table and the parameters it was built with.
  std::vector<CharacterRecord> patternTable_;
  std::vector<uint8_t> coarseIsFine_;
  int meanPatternWidth_ = 0;
  int32_t patternStamp_ = -1;
  bool tableValid_ = false;
  int storedThreshold_ = -1, storedVertical_ = 0, storedHorizontal_ = 0, storedMinimal_ = 0;
  bool storedNegative_ = false;
  float storedSpeed_ = 0;

  std::vector<CharacterRecord> inputTable_, singleLineTable_;
  TextLines inputLines_;
  std::u16string characters_;  // the defined characters, then the substitution character
  std::vector<std::vector<Candidate>> candidates_;  // per OpenMP thread
};

class CMatchSimpleOCR : public CMatchOCR {
 public:
  CMatchSimpleOCR() { singleLine_ = true; }
};

}  // namespace kelmar
