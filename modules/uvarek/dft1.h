// The object behind the three transforms: it averages parallel scan lines of
// a region into one line of samples, weights it with a window, transforms it
// and summarises a band of coefficients. Buffers are kept between runs and
// rebuilt when the line length, the spectrum length or the line count change.
#pragma once

#include <vector>

#include "frame/run_args.h"

namespace uvarek {

using frame::RunArgs;

enum Kind { kDct = 0, kDft = 1, kFft = 2 };

class CUvarekObject {
 public:
  explicit CUvarekObject(int index) : methodIndex(index) {}
  virtual ~CUvarekObject() = default;
  int methodIndex;
};

class CDFT1 : public CUvarekObject {
 public:
  explicit CDFT1(int index) : CUvarekObject(index) {}
  // Frees every buffer; the object stays usable.
  virtual void Release();
  bool Run(const RunArgs& a);

  // The sample callback of the host's line scan.
  bool AccumulateSample(unsigned value);

 private:
  bool TransformLine();
  // The DCT or DFT band by chirp sums over the samples reached; true when it
  // took the band, false when the direct sums are cheap enough.
  bool TransformLongLine();
  void ComputeWindow();
  void Fft(int m);
  void DrawTransformResults() const;
  void DrawSpectrumChart(double cx, double cy, double width, double height, double angle, float baseline,
                         bool minText, bool maxSumText, const float* values, float range, float minimum,
                         float maximum, int first, int last) const;

  int kind_ = kDct;
  int n_ = 0;  // line length
  int l_ = 0;  // spectrum length
  int previousL_ = -1;
  int begin_ = 0, end_ = 0;
  int padding_ = 0;
  std::vector<float> line_, imaginary_, window_, amplitude_, phase_;
  float maximum_ = 0, minimum_ = 0, sum_ = 0;
  void* hostContext_ = nullptr;
  float phaseMaximum_ = 0, phaseMinimum_ = 0;
  TRectangularRegion scanRegion_{}, drawingRegion_{};
  bool show_ = true;
  int lineCount_ = 0, previousLineCount_ = 0;
  std::vector<double> lineEnds_;  // x0, y0, x1, y1 per scan line
  std::vector<bool> lineScanned_;
  int windowType_ = 0, previousWindowType_ = -1;
  bool windowStale_ = true;
  bool firstLine_ = false, lastLine_ = false, newLine_ = false;
  int sampleIndex_ = 0;
  int reached_ = 0;  // samples delivered by the longest line of the run
  // Twiddle factors of the last FFT length, in bit-reversed order.
  int twiddleLength_ = 0;
  std::vector<float> twiddleCos_, twiddleSin_;
  std::vector<int> reversed_;  // bit reversal of every index
};

}  // namespace uvarek
