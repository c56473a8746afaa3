// The barcode decoder: grey profiles sampled along scan lines across a
// candidate region, their extrema and signed element widths (bars positive,
// spaces negative), the quantisation of element widths into modules with a
// doubt mark on each uncertain element, the symbol tests of EAN/UPC, Code 39
// and Code 128, the vote over the lines of a region and the run's code list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decoder/geometry.h"
#include "decoder/region.h"
#include "gpu/list.h"
#include "talvix.h"

namespace gpu {
class CFeature;
}

namespace hoskin {

// Barcode types, also the host's "Barcode type" values.
enum BarcodeType : int {
  kNoType = 0,
  kEan8 = 1,
  kEan13 = 2,
  kCode39Type = 3,
  kCode128Type = 4,
  kUpcE = 5,
  kEan2 = 6,
  kEan5 = 7,
};

// The frame as the samplers read it: memory rows from 0, height taken as |depth|.
struct FrameRecord {
  Frame* frame = nullptr;
  const uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int bpp = 0;
  ptrdiff_t stride = 0;
};

struct Histogram {
  int counts[256];
  int count;
  int minimum;
  int maximum;
  int mean;
  int mid;
};

inline constexpr int kMaxSymbolElements = 12;

// Doubt marks of a quantised element.
inline constexpr uint8_t kSure = 0;
inline constexpr uint8_t kMayBeMore = 1;
inline constexpr uint8_t kMayBeLess = 255;

// One symbol (character or guard) of the group being decoded.
struct SymbolRecord {
  float relative[kMaxSymbolElements];  // |width| / module
  uint8_t modules[kMaxSymbolElements];
  uint8_t doubt[kMaxSymbolElements];
  float fraction[kMaxSymbolElements];
  uint8_t order[kMaxSymbolElements];  // doubtful elements, the one nearest 0.5 first
  uint8_t taken[kMaxSymbolElements];
  int total;
  int value;
  uint8_t measured[kMaxSymbolElements];  // module counts before any correction
  int attempts;
  int lastOrdered;  // index of the last filled order entry, -1 for none
};

void ResetSymbolRecord(SymbolRecord* r);
// Orders the doubtful elements of the first n by the distance of their
// fraction from 0.5 (ties: the earlier element first), and saves the counts.
void OrderDoubtfulElements(int n, SymbolRecord* r);

// A code found in a run.
class CCodeListElem : public gpu::CListElem {
 public:
  ~CCodeListElem() override;

  int hits = 1;
  int type = 0;
  double regionGeometry[10] = {};
  double corners[10] = {};  // the scanned area cut to the decoded line's stretch
  double line[4] = {};
  HostString text = nullptr;  // owned
};

// The result of one of the fifteen scan lines of a region pass.
struct LineResult {
  int type = 0;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  HostString text = nullptr;
};

inline constexpr int kLineCount = 15;

class CBarcodeDecoder {
 public:
  CBarcodeDecoder();
  ~CBarcodeDecoder();
  CBarcodeDecoder(const CBarcodeDecoder&) = delete;
  CBarcodeDecoder& operator=(const CBarcodeDecoder&) = delete;

  // --- frame, scan geometry (measure.cpp, scan_geometry.cpp)
  void SetFrame(Frame* frame, const TRectangularRegion* scanRegion);
  void Release();
  void SetScanGeometry(const CRegionListElem& region);

  // --- profile and widths (measure.cpp)
  static void ClearHistogram(Histogram* h);
  int ComputeHistogram(int start, int count, Histogram* h) const;
  void AllocEdgeArrays();
  uint8_t SampleAt(int mode, double x, double y);
  void SampleSegment(int mode);
  void SampleLine();
  void CentrePlateaus();
  void FindExtrema();
  void SubpixelCrossing(int k, int from, int to, int threshold);
  void MeasureWidths();
  bool MeasureLine();

  // --- quantisation (quantise.cpp)
  // False when the group reaches outside the widths.
  bool QuantiseSymbol(int element, int n, int m, SymbolRecord* r);
  bool MeasureSymbol(int position, int element, int n, int m, SymbolRecord* r);
  bool ResolveDoubts(int type, int position, int n, int depth, int m, SymbolRecord* r);
  bool CheckGuardBars(int depth, int n, SymbolRecord* r);
  bool LookupSymbol(int type, int position, SymbolRecord* r) const;
  // Element index of the j-th element of a group starting at `element` in
  // the reading direction.
  int ElementAt(int element, int j) const { return forward ? element + j : element - j; }

  // --- symbols, lines, regions (symbols.cpp, search_line.cpp, ...)
  bool DecodeGuard(int type, int element, int kind);
  bool DecodeSymbols(int first, int last);
  bool SearchSymbol(int position, int n, int m, int depth, SymbolRecord* r, uint8_t* parity);
  bool CheckSymbol(int n, int m, int position, SymbolRecord* r, uint8_t* parity);
  // Among the corrections of the symbol's doubts, the one whose counts fit the
  // relative widths best; false when none passes or another value fits
  // nearly as well.
  bool PlainestSymbol(int position, int n, int m, SymbolRecord* r, uint8_t* parity);
  bool SearchLine(int first, int last);
  void StoreLineCode(int begin, int end);
  bool DecodeLine();
  // Steps after the measurement: the usable elements, then the search
  // forwards and, when that finds nothing, backwards.
  bool SearchMeasuredLine();
  bool ScanRegion();
  bool DecodeRegion();
  bool VoteLineResults();
  void AddCode(int type, double x0, double y0, double x1, double y1, HostString text);
  bool IsKnownCode(HostString text, double x0, double y0, double x1, double y1);
  // The code of `codes` with this text that a line end lies in, or null.
  CCodeListElem* KnownCode(HostString text, double x0, double y0, double x1, double y1);
  void MergeCodes();

  // Sum of |widths| of n elements from first, indexes limited to [0, count).
  static float SumWidths(int count, const float* widths, int first, int n);

  gpu::CFeature* integralSource = nullptr;
  FrameRecord frame;
  const TRectangularRegion* scanRegion = nullptr;
  int type = 0;
  gpu::CList codes;
  gpu::CList scratch;
  int tiltAttempt = 0;
  int keptCount = 0;
  int lineIndex = 0;
  LineResult lineResults[kLineCount];
  Segment segment;
  Segment segmentInUse;
  int edgeCount = 0;
  uint8_t forward = 1;
  int startSet = 0;
  std::vector<uint8_t> profile;
  std::vector<int> extrema;
  std::vector<uint8_t> thresholds;
  std::vector<float> widths;
  Quad regionGeometry;
  Quad regionQuad;
  Quad scanRegionPolygon;
  Quad clipPolygon;
  Point centre;
  double meanElementWidth = 0;
  float trimmedWidth = 0;
  Histogram histogram;
  std::vector<SymbolRecord> symbols;
  uint8_t parity[6] = {};
};

// The grey value of the frame at (x, y), both truncated: mode 0 the pixel,
// mode 1 the plus-shaped mean away from the edges, mode 2 the 3 x 3 box mean
// of the integral image away from the edges. 8-bit pixels are their byte,
// 24 and 32-bit ones (150 G + 77 R + 29 B) >> 8; 0 outside the frame or for
// other depths.
uint8_t SampleGrey(int mode, const gpu::CFeature* integral, const uint8_t* pixels, int width, int height, int bpp,
                   ptrdiff_t stride, double x, double y);

}  // namespace hoskin
