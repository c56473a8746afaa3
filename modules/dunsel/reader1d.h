// The one-dimensional readers (EAN-13, Code 128, Code 39): one class whose
// barcode type is fixed at construction. A run lays parallel scan lines over
// the examination region at one or more angles, deals them to OpenMP threads
// (one sample slot each) and merges the lines' results under one lock.
#pragma once

#include <string>
#include <vector>

#include "frame/run_args.h"
#include "line_votes.h"
#include "method.h"
#include "row_decoder.h"

namespace dunsel {

class CReadBarcode1D : public CMethod {
 public:
  explicit CReadBarcode1D(int barcodeType) : barcodeType_(barcodeType) {}

  bool Run(void* hostContext, intptr_t inputList, const void* inputNames, intptr_t outputList, const void* outputNames,
           int errLen, char16_t* errBuf) override;

  int barcodeType() const { return barcodeType_; }

 private:
  struct Settings;
  // The outcome of one line: the decoder's status and, on success, the text
  // and where it lies on the line.
  struct LineResult {
    int outcome = 0;
    std::u16string text;
    LineEnds ends;
    bool forward = true;
    int samples = 0;  // of the line in the scanned area
  };
  // Fills slot `slot` with the samples of `line` through `region` (null: the
  // whole frame); their count.
  int SampleLine(int slot, const TLine& line, const TRectangularRegion* region);
  // Reads one line through `region` (null: the whole frame).
  LineResult ReadLine(int slot, const TLine& line, const TRectangularRegion* region, const Settings& s);
  // Whether a line beside the lone line that read `e` reads the same text.
  bool Confirmed(const LineVotes::Entry& e, const Settings& s);
  int ReadBarcodeLines(void* ctx, const Frame* frame, const TRectangularRegion* region, const Settings& s);
  void EnsureSlots(int threads, int frameWidth);

  int barcodeType_;
  const Frame* frame_ = nullptr;  // of the current run
  const TRectangularRegion* region_ = nullptr;
  std::vector<double> scanAngles_;
  // Decoder work of each slot, grown with the slot's lines.
  struct LineWork {
    LineElements fwd, rev;
    Code128Work code128;
    Code39Work code39;
    std::u16string text;
  };
  std::vector<LineWork> work_;
  std::u16string resultText_;
};

}  // namespace dunsel
