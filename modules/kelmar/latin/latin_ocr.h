// CMatchLatinOCR: "latin_optical_character_recognition" (method 2), reading
// one line of printed Latin letters and digits, German umlauts and Czech
// accented letters without a trained table. The run segments the region into
// letters, puts penalty votes on 127 classes per letter and reads the line
// left to right. Work buffers belong to the object and are kept between runs.
//
// Rows count from the first stored row of the frame, the lowest line of the
// picture: a letter's `top` lies on the baseline side, marks above a letter
// have larger rows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "catalogue.h"
#include "latin/latin_classes.h"
#include "latin/letter_features.h"
#include "latin/span_fill.h"
#include "match.h"
#include "talvix_types.h"

namespace kelmar {

// One segmented letter; box in the region's own axes (u from the region's
// left edge, v from its edge of smallest row).
struct LetterRecord {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  uint8_t consumed = 0, featured = 0;
  // Shares of the ink in the left, right, larger-row and smaller-row halves.
  float leftShare = 0, rightShare = 0, lowerShare = 0, upperShare = 0;
  int32_t holeCount = 0;
  // Per hole: mean x / (right - left), mean y / (bottom - top), area share.
  std::vector<float> holes;
  char16_t character[2] = {0, 0};
};

// The running means that decide between a small letter and its capital.
struct LineStatistics {
  float smallLetterHeight = 0, capitalHeight = 0, tallSmallLetterHeight = 0;
  int smallLetterCount = 0, capitalCount = 0, tallSmallLetterCount = 0;
  float meanTop = 0;
  int meanTopCount = 0;
};

class CMatchLatinOCR : public CMatch {
 public:
  CMatchLatinOCR() : CMatch(kLatinOcr) {}
  bool Run(const frame::RunArgs& args) override;

  // Puts the votes on a letter's row; the structural classifier unless a
  // test stands another in.
  using Classifier = std::function<void(CMatchLatinOCR&, int letter)>;
  void SetClassifier(Classifier c) { classifier_ = std::move(c); }
  // The text of the last run, whatever became of the host's string.
  std::u16string_view text() const { return {text_.data(), text_.size()}; }

  // Mark shapes of ClassifyMark.
  enum MarkKind { kAcute = 0, kCaron = 1, kDot = 2, kRing = 3 };

  // The scene of one segmentation: an 8- or 32-bpp frame, the region (null:
  // the whole frame), threshold 1..254, polarity, and optionally a 32-bpp
  // frame of region width + 2 by height + 2 into which letters are painted.
  void SetScene(const Frame* input, const TRectangularRegion* region, int threshold, bool negative,
                Frame* outputFrame = nullptr);
  // Segments the scene's region into letters; answers the letter count.
  int SegmentLetters();

  int letterCount() const { return letterCount_; }
  const LetterRecord& letter(int i) const { return letters_[i]; }
  // The letter's own 8-bpp frame: ink 0 on ground 255, row r = region row top + r.
  const Frame* letterFrame(int i) const { return reinterpret_cast<const Frame*>(letterFrames_[i].data()); }

  // The letter's row of 127 penalty votes.
  int32_t* voteRow(int letter) { return &votes_[static_cast<size_t>(letter) * latin::kClassCount]; }
  // The structural classifier: adds the votes of its tests to the letter's row.
  void ExtractLetterFeatures(int letter);
  // The measurements of the last letter classified.
  const latin::FeatureContext& features() const { return features_; }

  // Line statistics of the letters read so far.
  void UpdateLineMetrics(int letter, int cls);
  const LineStatistics& lineStatistics() const { return stats_; }
  void ClearLineStatistics() { stats_ = {}; }

  // Shape of a mark box found above a letter.
  MarkKind ClassifyMark(int mark);

  // Host scan callbacks on a letter frame, the object as user data.
  static bool CountLeftRightEdges(void* self, int x, int y, unsigned value);
  static bool CountCrossings(void* self, int x, int y, unsigned value);

 private:
  static bool SegmentLetterCallback(void* self, int x, int y, unsigned value);
  bool SegmentLetterPixel(int x, int y, unsigned value);
  // The clear cases inline: most pixels are far from the threshold.
  bool IsLetterPixel(int x, int y, int v) {
    if (v < clearLow_) return !negative_;
    if (v > clearHigh_) return negative_;
    return IsLetterPixelLocal(x, y, v);
  }
  bool IsLetterPixelLocal(int x, int y, int v);
  void SetThreshold(int threshold) {
    threshold_ = threshold;
    clearLow_ = 0.8 * threshold;
    clearHigh_ = 1.2 * threshold;
  }
  int PixelValue(int x, int y) const;
  int LocalMean(int x, int y);
  void BuildWindowSums();
  void CutLetterImage(LetterRecord& rec, int index, int label);
  void FindHoles(LetterRecord& rec, int index);

  // First-dark index of a line scanned with CountLeftRightEdges in direction
  // `dir` (0 column + 1, 1 column - 1, 2 row - 1, 3 row + 1); counters preset
  // to -1 give 0-based positions, to 0 1-based ones. visited_ keeps the count
  // of samples visited.
  int FirstDark(const Frame* f, double x0, double y0, double x1, double y1, int dir, int preset = -1);
  // Dark runs crossed by a line with CountCrossings in `mode`, the counter
  // starting at `start`.
  int Crossings(const Frame* f, double x0, double y0, double x1, double y1, int mode, int start = 0);
  // Stroke counts, middle top side, row spans, shares and holes.
  void StrokeSpanShareTests(int letter);
 public:
  // The rules on the classes close to the row's smallest vote (run last by
  // ExtractLetterFeatures, on its measurements).
  void RankingRefinement(int letter);
  // Lines scanned by the classifier's callbacks so far.
  long scanCount() const { return scanCount_; }

 private:

  // Reads the segmented line into the text and the output string; false
  // when no letter is tall and wide enough.
  bool ReadLine(const frame::RunArgs& a);
  void SecondSweep();
  void Draw(void* ctx);
  void WriteChar(int position, char16_t ch, int letter);
  void WriteClass(int position, int cls, int letter);
  float ReferenceHeight() const;
  template <class Keep>
  bool NeighbourTop(int q, Keep keep, float* mean) const;

  // Run inputs.
  int selection_ = 0;
  bool showResults_ = true;
  int drawingLevel_ = 1;

  // Scene.
  const Frame* input_ = nullptr;
  const uint8_t* inputData_ = nullptr;
  ptrdiff_t inputStride_ = 0;
  int inputWidth_ = 0, inputHeight_ = 0, inputBpp_ = 0;
  TRectangularRegion region_{};
  const TRectangularRegion* scanRegion_ = nullptr;
  float regionX_ = 0, regionY_ = 0, regionW_ = 0, regionH_ = 0, sinA_ = 0, cosA_ = 1;
  FillBounds clip_{};
  int threshold_ = 127;
  double clearLow_ = 0.8 * 127, clearHigh_ = 1.2 * 127;
  bool negative_ = false;
  int minimalLetterSize_ = 5;
  float contrastMargin_ = 25.5f;
  uint8_t* outData_ = nullptr;
  ptrdiff_t outStride_ = 0;
  int outWidth_ = 0, outHeight_ = 0;

  // Segmentation. Labels are private 32-bit values over the clipped box.
  std::vector<int32_t> labels_;
  int32_t labelCounter_ = 0;
  std::vector<FillPoint> fillStack_;
  bool touches_ = false;
  int pixelCount_ = 0;
  float minU_ = 0, minV_ = 0, maxU_ = 0, maxV_ = 0;
  // Window sums of the local mean over the clipped box grown by the radius;
  // built on the first pixel that needs them.
  std::vector<int64_t> windowSums_;
  FillBounds sumBox_{};
  bool sumsReady_ = false;
  std::vector<int32_t> holeLabels_;
  std::vector<FillPoint> holePixels_;

  int letterCount_ = 0;
  std::vector<LetterRecord> letters_;
  std::vector<std::vector<uint8_t>> letterFrames_;
  std::vector<int32_t> votes_;  // kClassCount per letter

  // Scan state of the callbacks.
  int scanLetter_ = 0;
  int edgeState_ = 1, firstDark_ = -1, visited_ = -1, direction_ = 0;
  int crossMode_ = 0, runA_ = 0, runB_ = 0;
  bool crossSkip_ = false, crossLight_ = true;
  long scanCount_ = 0;

  LineStatistics stats_;
  latin::FeatureContext features_;

  // Reading.
  Classifier classifier_ = [](CMatchLatinOCR& o, int letter) { o.ExtractLetterFeatures(letter); };
  std::vector<char16_t> text_;  // the characters written, read back by the second sweep
  std::vector<int> order_;      // letter read at each position, -1 for spaces
  int positions_ = 0;
  HostString* hostString_ = nullptr;
};

}  // namespace kelmar
