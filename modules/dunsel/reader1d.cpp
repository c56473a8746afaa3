#include "reader1d.h"

#include <omp.h>

#include <atomic>
#include <cmath>
#include <new>

#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "frame/subpixel_scan.h"

namespace dunsel {

namespace {

// Status codes of a line and of the run, by barcode type.
constexpr int kSuccess[] = {1, 4, 3};
constexpr int kEanChecksum = 2;

constexpr int kMaxLines = 10000;
constexpr int kMaxAngles = 3600;

constexpr std::u16string_view kNotFound = u"No barcode was found on the image";

// User data of the sample scan: the slot that collects the line.
struct ScanUser {
  SampleSlot* slot;
};

bool CollectProfileSample(void* user, float x, float y, unsigned value) {
  SampleSlot& s = *static_cast<ScanUser*>(user)->slot;
  if (s.count + 1 > s.capacity()) s.Resize(s.count + 256);
  s.sampleX[s.count] = RoundReal(x);
  s.sampleY[s.count] = RoundReal(y);
  s.sampleValues[s.count] = static_cast<int>(value);
  ++s.count;
  return true;
}

// A count read from a number input: truncated, at most `max`; NaN takes the
// fallback. Corrections are reported.
int CountOf(void* ctx, const char16_t* name, double v, int fallback, int max) {
  int n;
  if (std::isnan(v)) {
    n = fallback;
  } else if (v > max) {
    n = max;
  } else if (v < 0.0) {
    return 0;  // no line at all
  } else {
    return static_cast<int>(v);
  }
  frame::WarnRealParameterCorrected(ctx, 63, name, static_cast<float>(v), static_cast<float>(n));
  return n;
}

std::u16string_view ErrorText(int type, int status) {
  if (status == 1) return u"error: Too many characters";
  if (type == 1 && status == 2) return u"error: None existing Application Identifier";
  if (status == 2 || status == 3) return u"error: Checksum error";
  return kNotFound;
}

}  // namespace

struct CReadBarcode1D::Settings {
  int lineCount = 1;
  int angleCount = 1;
  bool whiteBars = false;
  bool showResults = true;
  bool asciiMode = false;
  bool checksumMode = false;
  int frameWidth = 0;
};

bool CReadBarcode1D::Run(void* ctx, intptr_t inputList, const void* inputNames, intptr_t outputList,
                         const void* outputNames, int errLen, char16_t* errBuf) {
  const frame::RunArgs a{ctx, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  Frame* f = nullptr;
  if (!frame::InputFrame(a, 0, &f)) return a.fail(u"error: Cannot get source frame");
  Settings s;
  s.frameWidth = GetFrameWidth(f);

  const frame::ParamName regionName = frame::InputName(a, 1);
  TRectangularRegion* region = nullptr;
  if (!regionName.ok || !GetRectangularRegion(ctx, 63, regionName.text, 0, &region)) region = nullptr;
  if (region) NormalizeDegreeLongreal(&region->angle);
  frame::WarnArrayInput(ctx, 63, regionName.ok ? regionName.text : u"");

  const frame::ParamName linesName = frame::InputName(a, 2);
  double* number = nullptr;
  if (linesName.ok && GetNumber(ctx, 63, linesName.text, 0, &number) && number) {
    s.lineCount = CountOf(ctx, linesName.text, *number, 1, kMaxLines);
  }
  frame::WarnArrayInput(ctx, 63, linesName.ok ? linesName.text : u"");

  const frame::ParamName anglesName = frame::InputName(a, 3);
  if (anglesName.ok) {
    int hi = 0;
    if (!GetObjectMaxIndex(ctx, 63, anglesName.text, &hi)) hi = 0;
    s.angleCount = hi < 0 ? 0 : (hi >= kMaxAngles ? kMaxAngles : hi + 1);
  }
  const frame::ParamName angleNumberName = frame::InputName(a, 4);
  number = nullptr;
  if (angleNumberName.ok && GetNumber(ctx, 63, angleNumberName.text, 0, &number) && number && !(*number <= 0.0)) {
    s.angleCount = CountOf(ctx, angleNumberName.text, *number, 1, kMaxAngles);
  }

  const bool code39 = barcodeType_ == 2;
  s.whiteBars = frame::FlagOr(a, code39 ? 7 : 5, false, true);
  s.showResults = frame::FlagOr(a, code39 ? 8 : 6, true, true);
  if (code39) {
    s.asciiMode = frame::FlagOr(a, 5, false, true);
    s.checksumMode = frame::FlagOr(a, 6, false, true);
  }

  const frame::ParamName resultName = frame::OutputName(a, 0);
  HostString* result = nullptr;
  if (!resultName.ok || !GetString(ctx, 63, resultName.text, 0, &result) || !result) {
    return a.fail(u"error: There is no defined string for the result");
  }
  SetObjectMaxIndex(ctx, 63, resultName.text, 0);

  if (static_cast<int>(scanAngles_.size()) < s.angleCount) scanAngles_.resize(static_cast<size_t>(s.angleCount));
  for (int i = 0; i < s.angleCount; ++i) {
    number = nullptr;
    const bool ok = anglesName.ok && GetNumber(ctx, 63, anglesName.text, i, &number) && number;
    scanAngles_[static_cast<size_t>(i)] = ok ? *number : 0.0;
  }
  resultText_.clear();

  // Only grey and 32-bit frames are sampled; any other depth reads nothing.
  const int bpp = GetFrameBPP(f);
  if (bpp != 8 && bpp != 32) {
    SetZeroString(result);
    return a.fail(kNotFound);
  }

  const int status = ReadBarcodeLines(ctx, f, region, s);
  if (status == kSuccess[barcodeType_]) {
    SetString(static_cast<int>(resultText_.size()) - 1, resultText_.c_str(), result);
    return true;
  }
  // EAN-13 with a wrong check digit keeps the result string.
  if (barcodeType_ == 0 && status == kEanChecksum) return a.fail(u"error: Checksum error");
  SetZeroString(result);
  return a.fail(ErrorText(barcodeType_, status));
}

void CReadBarcode1D::EnsureSlots(int threads, int frameWidth) {
  if (slotCount() >= threads) return;
  MakeSlots(threads, 2 * (frameWidth > 0 ? frameWidth : 1));
  work_.assign(static_cast<size_t>(threads), LineWork{});
}

int CReadBarcode1D::ReadBarcodeLines(void* ctx, const Frame* frame, const TRectangularRegion* region,
                                     const Settings& s) {
  const int level = GetDrawingLevel(ctx);
  int threads = 1;
#pragma omp parallel
  {
#pragma omp single
    threads = omp_get_num_threads();
  }
  EnsureSlots(threads, s.frameWidth);

  const int success = kSuccess[barcodeType_];
  std::atomic<int> status{0};
  std::atomic<bool> failed{false};
  bool firstSuccess = true;
  const int64_t total = s.lineCount > 0 && s.angleCount > 0 ? int64_t{s.lineCount} * s.angleCount : 0;
  const int lineCount = s.lineCount;

  const auto draw = [&](const LineEnds& e, bool forward) {
    const TColor colour = GetDrawColor(ctx, 1);
    const double thickness = GetDrawThickness(ctx, 1);
    const double sx = forward ? e.x0 : e.x1, sy = forward ? e.y0 : e.y1;
    const double ex = forward ? e.x1 : e.x0, ey = forward ? e.y1 : e.y0;
    if (level < 1) {
      DrawLine(ctx, sx, sy, ex, ey, thickness, colour);
    } else {
      const int textLen = level == 1 ? -1 : static_cast<int>(resultText_.size());
      DrawDirection(ctx, sx, sy, ex, ey, textLen, resultText_.c_str(), 0.0, thickness, colour);
    }
  };

#pragma omp parallel for schedule(static, 1) num_threads(threads)
  for (int64_t k = 0; k < total; ++k) {
    if (status.load(std::memory_order_relaxed) == success || failed.load(std::memory_order_relaxed)) continue;
    // No exception may leave the parallel loop: a failed allocation ends
    // the run after it.
    try {
      const int t = omp_get_thread_num();
      double angle = scanAngles_[static_cast<size_t>(k / lineCount)];
      NormalizeDegreeLongreal(&angle);
      const int lineNumber = static_cast<int>(k % lineCount);
      int x0, y0, x1, y1;
      if (!GetScanRectangularRegionLine(frame, region, lineCount, lineNumber, angle, &x0, &y0, &x1, &y1)) continue;
      SampleSlot& slot = this->slot(t);
      slot.count = 0;
      ScanUser user{&slot};
      const TLine line{double(x0), double(y0), double(x1), double(y1)};
      ScanLineSubPixelPrecisionWithSharpening(frame, region, &line, 1, &user, 8, CollectProfileSample);
      const int n = slot.count;
      if (n < 3) continue;

      LineWork& work = work_[static_cast<size_t>(t)];
      if (barcodeType_ == 0) {
        Ean13Line ean;
        for (int p = 0; p < 13; ++p) ean.text[p] = u'x';
        DecodeEan13(slot, n, s.whiteBars, false, work.fwd, ean);
        if (!ean.found) {
          ean.forward = true;
          DecodeEan13(slot, n, s.whiteBars, true, work.fwd, ean);
        }
#pragma omp critical
        {
          if (status.load(std::memory_order_relaxed) != success) {
            if (ean.digitCount == 13) {
              resultText_.assign(ean.text.data());
              if (!ean.found) {
                status.store(kEanChecksum, std::memory_order_relaxed);
              } else if (ean.ends.x0 != -1.0 && firstSuccess) {
                status.store(success, std::memory_order_relaxed);
                firstSuccess = false;
                if (s.showResults) draw(ean.ends, ean.forward);
              }
            } else if (ean.digitCount == 12) {
              status.store(kEanChecksum, std::memory_order_relaxed);
            }
          }
        }
      } else {
        LineEnds ends;
        int outcome = 0;
        for (bool refine : {false, true}) {
          const int o = barcodeType_ == 1 ? DecodeCode128(Code128(), slot, n, s.whiteBars, refine, work.fwd, work.rev,
                                                          work.code128, work.text, ends)
                                          : DecodeCode39(Code39(), slot, n, s.whiteBars, s.asciiMode, s.checksumMode,
                                                         refine, work.fwd, work.rev, work.code39, work.text, ends);
          outcome = o > outcome ? o : outcome;
          if (o == success) break;
        }
#pragma omp critical
        {
          const int before = status.load(std::memory_order_relaxed);
          if (outcome == success && before != success) {
            resultText_ = work.text;
            if (s.showResults) draw(ends, true);
          }
          if (outcome > before) status.store(outcome, std::memory_order_relaxed);
        }
      }
    } catch (...) {
      failed.store(true);
    }
  }
  if (failed.load()) throw std::bad_alloc();
  return status.load();
}

}  // namespace dunsel
