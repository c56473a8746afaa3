// CPatternMatch: "pattern_match_monochrome" (method 0) and
// "pattern_match_color" (method 1), finding a pattern turned within an
// allowed range of angles.
//
// The object keeps the pattern model between runs: 32-bin histograms of the
// pattern, three random sample sets with their offsets at every coarse angle,
// the statistics of each set and the angle tables. The model is rebuilt only
// when the pattern's stamp or the angle parameters change.
//
// A run cuts the search region's lines into bands of a fixed size, which the
// threads take in turn; every scanStep-th point of each line is evaluated
// with a three-stage search: coarse angles with set 1, a hill climb over
// positions and neighbouring coarse angles with set 2, then fine angles with
// set 3. A candidate that passes is placed and scored on the correlation of
// all its pattern pixels, so that its place and score do not hang on the
// sample points or on which climb got there. Each band keeps its own marks
// over (coarse angle, pixel), so that points are not evaluated twice and the
// surroundings of a match are not searched again, and its own table of at
// most 50 matches; the tables are merged in band order. The answer is then
// the same at every thread count.
#pragma once

#include <atomic>
#include <climits>
#include <cstdint>
#include <string_view>
#include <vector>

#include "catalogue.h"
#include "match.h"
#include "pattern/band_marks.h"
#include "pattern/partition.h"

namespace kelmar {

struct MatchRecord {
  int32_t x = 0, y = 0;  // pattern centre in the input frame
  int32_t angle = 0;     // degrees
  float score = 0;
};

// At most `kCapacity` matches, no two nearer each other than the merge reach.
struct MatchTable {
  static constexpr int kCapacity = 50;
  MatchRecord records[kCapacity];
  int count = 0;

  // A match near one at least as good is that one found again; otherwise it
  // takes the place of every weaker neighbour (the first holds it, the others
  // go). True when it was appended as a new record.
  bool Add(const MatchRecord& m, int64_t nearLimit);
  bool full() const { return count >= kCapacity; }
};

class CPatternMatch : public CMatch {
 public:
  explicit CPatternMatch(uint32_t methodIndex) : CMatch(methodIndex) {}
  bool Run(const frame::RunArgs& args) override;

  static constexpr int kMaxResults = MatchTable::kCapacity;

 private:
  struct Inputs;
  struct OffsetBox {
    int dxMin = 0, dxMax = 0, dyMin = 0, dyMax = 0;
  };
  // One thread's fine-angle offsets, and the band it walks: its point gate,
  // marks and matches.
  struct alignas(64) Scratch {
    std::vector<int32_t> fineOffsets;  // per fine index: x row, then y row
    std::vector<ptrdiff_t> fineBytes;  // per fine index: byte offsets
    std::vector<OffsetBox> fineBoxes;
    std::vector<uint8_t> fineReady;
    std::vector<int32_t> fullBytes;  // every pattern pixel turned by fullAngle
    OffsetBox fullBox;
    int fullAngle = INT_MIN;
    int lineCounter = 0;
    BandMarks marks;
    MatchTable* found = nullptr;
  };
  // A match refined on every pattern pixel.
  struct Refined {
    int x, y, angle;
    double score;
  };

  // Model (pattern_model.cpp).
  std::u16string_view BuildModel(const Frame* pattern, bool patternChanged, int threads);
  void BuildAngleTables();
  void BuildExtentTables(int regionAngle);
  void ReadPatternPixels(const Frame* pattern);  // histograms and the kept pixels
  bool GreyPoints() const;  // colour sets whose every point has R = G = B
  void PrepareOffsets();

  // Search (pattern_search.cpp).
  void SearchBands(Scratch& s);
  void SearchBand(Scratch& s, int band);
  static bool EvaluatePoint(void* user, int x, int y, unsigned value);
  bool Evaluate(Scratch& s, int x, int y);
  Refined Refine(Scratch& s, int x, int y, int angle) const;
  bool Better(const Refined& l, const Refined& r) const;
  void TurnPattern(Scratch& s, int degrees) const;
  double FullScore(const Scratch& s, int x, int y) const;
  bool InRegion(int x, int y) const;
  bool Fits(int x, int y, int r) const;
  float Score(int set, const ptrdiff_t* offsets, int x, int y, bool stageOneTests, bool* skipNext) const;
  int64_t MergeReach2() const;
  bool Store(Scratch& s, const MatchRecord& m, int coarseIndex);
  void MarkSurroundings(Scratch& s, const MatchRecord& m, int coarseIndex);

  // Run (pattern_match.cpp).
  void Search(int processors);
  void WriteOutputs(const frame::RunArgs& a, int n, const Inputs& in);
  void Draw(const frame::RunArgs& a, int n, const Inputs& in);

  bool colour() const { return methodIndex() == kPatternMatchColor; }
  int angleCount() const { return (angleEnd_ - angleStart_) / coarseStep_ + 1; }

  // ---- Model, kept between runs ----
  std::vector<int32_t> sets_[3];
  int counts_[3] = {0, 0, 0};
  int32_t histGrey_[32] = {}, histRed_[32] = {}, histGreen_[32] = {}, histBlue_[32] = {};
  int32_t patternPixelCount_ = 0;
  float colourDeviations_[9] = {};  // set-major: set k, channel c at 3k + c
  float greyDeviations_[3] = {};
  int32_t colourMeans_[9] = {};  // channel-major: channel c, set k at 3c + k
  int32_t greyMeans_[3] = {};
  uint32_t patternSums_[3][3] = {};  // per set, the sum of each channel's values (grey: channel 0)
  // Every counted pattern pixel: its offset from the centre and its values
  // (grey: channel 0), with each channel's sum and sum of squares.
  std::vector<int32_t> fullDx_, fullDy_;
  std::vector<uint8_t> fullValues_[3];
  int64_t fullSums_[3] = {}, fullSquares_[3] = {};
  int cachedAngleStart_ = INT_MIN, cachedAngleEnd_ = INT_MIN;
  int cachedCoarseStep_ = 0, cachedFineStep_ = 0, cachedRegionAngle_ = 0;
  int32_t patternStamp_ = -1;
  bool modelValid_ = false;
  std::vector<int32_t> sinTable_, cosTable_, rotatedWidths_, rotatedHeights_;
  int minRotatedWidth_ = 0, minRotatedHeight_ = 0;

  // ---- One run ----
  const uint8_t* inputData_ = nullptr;
  const Frame* inputFrame_ = nullptr;
  int inputWidth_ = 0, inputHeight_ = 0, inputBpp_ = 0;
  ptrdiff_t inputStride_ = 0;
  int patternWidth_ = 0, patternHeight_ = 0;
  TRectangularRegion searchRegion_{};
  int lineCount_ = 0, scanStep_ = 1, maxResults_ = 1;
  int lower360_ = 0, upper_ = 0;  // unrounded angle bounds, the lower plus 360
  int angleStart_ = 0, angleEnd_ = 0, coarseStep_ = 5, fineStep_ = 1;
  float preselectThreshold_ = 0, minScore_ = 0.7f, speed_ = 0.5f;
  // Byte offsets of sets 1 and 2 at every coarse angle, and set 3's angle-0
  // offsets; each with its extent, so that no sample is read off the frame.
  std::vector<ptrdiff_t> byteOffsets_[2];
  std::vector<OffsetBox> offsetBoxes_[2];

  std::vector<Scratch> scratch_;
  // Where a climb may go: anywhere in the region, past its band's lines.
  RegionBounds regionBounds_;
  int bandLines_ = 1, bandCount_ = 0;
  std::atomic<int> nextBand_{0};
  std::vector<MatchTable> bandTables_;
  MatchRecord results_[kMaxResults];
  int resultCount_ = 0;
};

}  // namespace kelmar
