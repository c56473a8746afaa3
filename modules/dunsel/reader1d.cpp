#include "reader1d.h"

#include <omp.h>

#include <atomic>
#include <cmath>
#include <new>
#include <numbers>

#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "frame/subpixel_scan.h"
#include "line_votes.h"

namespace dunsel {

namespace {

// Status codes of a line and of the run, by barcode type.
constexpr int kSuccess[] = {1, 4, 3};
constexpr int kChecksum[] = {2, 3, 2};
constexpr int kEanChecksum = kChecksum[0];

// The most lines and angles worth scanning over a region of `diagonal`
// pixels: lines closer than a pixel, or angles whose lines end less than a
// pixel apart, only repeat lines already read.
struct CountBounds {
  int lines, angles;
};

CountBounds BoundsFor(double diagonal) {
  const double d = std::ceil(diagonal);
  const int lines = d > 1.0 ? static_cast<int>(d) : 1;
  const double a = std::ceil(std::numbers::pi * d);
  return {lines, a > 1.0 ? static_cast<int>(a) : 1};
}

// The diagonal of the region's part that can hold samples: the region
// counts only as far as the frame reaches.
double ScanDiagonal(const TRectangularRegion* region, int frameWidth, int frameDepth) {
  const double frameDiagonal = std::hypot(double(frameWidth), double(frameDepth));
  if (!region) return frameDiagonal;
  const double d = std::hypot(region->width, region->height);
  return d < frameDiagonal ? d : frameDiagonal;  // NaN takes the frame's
}

// The lines beside a lone read that are tried for a second reading of its
// text: moved across it and turned about the symbol's middle, nearest
// first. A symbol is read again a pixel or a degree away; a start pattern
// that texture happened to form along one line mostly is not.
struct Neighbour {
  double shift, turn;  // pixels across the line, degrees
};
constexpr Neighbour kNeighbours[] = {{1, 0}, {-1, 0}, {2, 0}, {-2, 0}, {3, 0}, {-3, 0},  {4, 0},  {-4, 0},
                                     {0, 1}, {0, -1}, {0, 2}, {0, -2}, {1, 1}, {-1, -1}, {1, -1}, {-1, 1},
                                     {0, 3}, {0, -3}, {6, 0}, {-6, 0}, {2, 2}, {-2, -2}, {2, -2}, {-2, 2}};

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

// The part of a scan line worth walking. A line that ends at most a pixel
// outside the frame is walked whole; a longer one (a region far larger than
// the frame) is cut to the frame on the steps of the whole line, so that the
// samples are those the whole walk would take in the frame.
bool WalkedPart(const Frame* f, double x0, double y0, double x1, double y1, TLine& out) {
  out = TLine{x0, y0, x1, y1};
  const double w = GetFrameWidth(f), d = GetFrameDepth(f);
  const auto near = [&](double x, double y) { return x >= -1.0 && y >= -1.0 && x <= w && y <= d; };
  if (near(x0, y0) && near(x1, y1)) return true;
  TLine c;
  if (!ClipLine(f, nullptr, x0, y0, x1, y1, &c.x0, &c.y0, &c.x1, &c.y1)) return false;
  const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
  const double steps = std::round(std::sqrt(len2));
  if (!(steps >= 1.0)) return true;
  const double t0 = ((c.x0 - x0) * dx + (c.y0 - y0) * dy) / len2;
  const double t1 = ((c.x1 - x0) * dx + (c.y1 - y0) * dy) / len2;
  const double k0 = std::ceil(t0 * steps - 1e-6), k1 = std::floor(t1 * steps + 1e-6) + 1.0;
  out = TLine{x0 + dx * k0 / steps, y0 + dy * k0 / steps, x0 + dx * k1 / steps, y0 + dy * k1 / steps};
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
    return frame::TruncateToInt(v);
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
  int angleElements = 0;  // angles given; the rest are 0.0
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
  const CountBounds bounds = BoundsFor(ScanDiagonal(region, s.frameWidth, GetFrameDepth(f)));

  const frame::ParamName linesName = frame::InputName(a, 2);
  double* number = nullptr;
  if (linesName.ok && GetNumber(ctx, 63, linesName.text, 0, &number) && number) {
    s.lineCount = CountOf(ctx, linesName.text, *number, 1, bounds.lines);
  }
  frame::WarnArrayInput(ctx, 63, linesName.ok ? linesName.text : u"");

  const frame::ParamName anglesName = frame::InputName(a, 3);
  if (anglesName.ok) {
    int hi = 0;
    if (!GetObjectMaxIndex(ctx, 63, anglesName.text, &hi)) hi = 0;
    s.angleElements = hi < 0 ? 0 : (hi >= bounds.angles ? bounds.angles : hi + 1);
    s.angleCount = s.angleElements;
  }
  const frame::ParamName angleNumberName = frame::InputName(a, 4);
  number = nullptr;
  if (angleNumberName.ok && GetNumber(ctx, 63, angleNumberName.text, 0, &number) && number && !(*number <= 0.0)) {
    s.angleCount = CountOf(ctx, angleNumberName.text, *number, 1, bounds.angles);
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
    frame::SetWholeString(resultText_, result);
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

int CReadBarcode1D::SampleLine(int t, const TLine& line, const TRectangularRegion* region) {
  SampleSlot& slot = this->slot(t);
  slot.count = 0;
  ScanUser user{&slot};
  ScanLineSubPixelPrecisionWithSharpening(frame_, region, &line, 1, &user, 8, CollectProfileSample);
  return slot.count;
}

CReadBarcode1D::LineResult CReadBarcode1D::ReadLine(int t, const TLine& line, const TRectangularRegion* region,
                                                    const Settings& s) {
  LineResult r;
  SampleSlot& slot = this->slot(t);
  const int n = SampleLine(t, line, region);
  r.samples = n;
  if (n < 3) return r;
  LineWork& work = work_[static_cast<size_t>(t)];
  if (barcodeType_ == 0) {
    Ean13Line ean;
    for (int p = 0; p < 13; ++p) ean.text[p] = u'x';
    DecodeEan13(slot, n, s.whiteBars, false, work.fwd, ean);
    if (!ean.found) {
      ean.forward = true;
      DecodeEan13(slot, n, s.whiteBars, true, work.fwd, ean);
    }
    if (ean.digitCount == 13 && ean.found) {
      // A verified text without its ends on the line is no read.
      if (ean.ends.x0 == -1.0) return r;
      r.outcome = kSuccess[0];
      r.text.assign(ean.text.data());
      r.ends = ean.ends;
      r.forward = ean.forward;
    } else if (ean.digitCount == 13 || ean.digitCount == 12) {
      r.outcome = kEanChecksum;
      r.text.assign(ean.text.data());
    }
    return r;
  }
  const int success = kSuccess[barcodeType_];
  for (bool refine : {false, true}) {
    const int o = barcodeType_ == 1 ? DecodeCode128(Code128(), slot, n, s.whiteBars, refine, work.fwd, work.rev,
                                                    work.code128, work.text, r.ends)
                                    : DecodeCode39(Code39(), slot, n, s.whiteBars, s.asciiMode, s.checksumMode, refine,
                                                   work.fwd, work.rev, work.code39, work.text, r.ends);
    r.outcome = o > r.outcome ? o : r.outcome;
    if (o == success) break;
  }
  if (r.outcome == success || r.outcome == kChecksum[barcodeType_]) r.text = work.text;
  return r;
}

bool CReadBarcode1D::Confirmed(const LineVotes::Entry& e, const Settings& s) {
  const LineKey& k = e.firstLine;
  const double dx = k.x1 - k.x0, dy = k.y1 - k.y0, len = std::hypot(dx, dy);
  if (!(len > 0.0)) return false;
  const double ux = dx / len, uy = dy / len;
  // A neighbour that the region cuts short (a region a pixel or two high
  // has no room beside its line) is read in the frame beside the region.
  int own = 0;
  if (TLine line; region_ && WalkedPart(frame_, k.x0, k.y0, k.x1, k.y1, line)) {
    own = SampleLine(0, line, region_);
  }
  // Turned about the symbol's middle on the line, then moved across it.
  const double mx = (e.ends.x0 + e.ends.x1) / 2, my = (e.ends.y0 + e.ends.y1) / 2;
  for (const Neighbour& nb : kNeighbours) {
    const double a = nb.turn * std::numbers::pi / 180.0;
    const double vx = ux * std::cos(a) - uy * std::sin(a), vy = ux * std::sin(a) + uy * std::cos(a);
    const double cx = mx - vy * nb.shift, cy = my + vx * nb.shift;
    TLine line;
    if (!WalkedPart(frame_, cx - vx * len, cy - vy * len, cx + vx * len, cy + vy * len, line)) continue;
    LineResult r = ReadLine(0, line, region_, s);
    if (r.outcome != kSuccess[barcodeType_] && region_ && 10 * r.samples < 9 * own) r = ReadLine(0, line, nullptr, s);
    if (r.outcome == kSuccess[barcodeType_] && r.text == e.text) return true;
  }
  return false;
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
  frame_ = frame;
  region_ = region;

  const int success = kSuccess[barcodeType_];
  std::atomic<int> status{0};
  std::atomic<bool> failed{false};
  LineVotes votes;
  // A wrong check is reported only when two lines read the same symbol
  // with it (as a symbol printed so reads everywhere); a check failing on
  // lines that each read something else is a misread scan, no symbol fault.
  const int checksum = kChecksum[barcodeType_];
  LineVotes checkFailures;
  bool checkConfirmed = false;
  int otherFailure = 0;
  // Angles past the given ones are all 0.0: the first of them is scanned,
  // its repeats would only read the same lines again.
  const int angles = s.angleCount < s.angleElements + 1 ? s.angleCount : s.angleElements + 1;
  const int64_t total = s.lineCount > 0 && angles > 0 ? int64_t{s.lineCount} * angles : 0;
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

  // Under the lock, or after the loop: the run's answer and its mark.
  const auto take = [&](const LineVotes::Entry& e) {
    resultText_ = e.text;
    status.store(success, std::memory_order_relaxed);
    if (s.showResults) draw(e.ends, e.forward);
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
      // The host's ends follow the region, which may reach far past the
      // frame; only the part in the frame has samples, so only it is walked.
      TLine line;
      if (!WalkedPart(frame, x0, y0, x1, y1, line)) continue;
      const LineResult r = ReadLine(t, line, region_, s);
#pragma omp critical
      {
        const int before = status.load(std::memory_order_relaxed);
        if (before != success) {
          if (r.outcome == success) {
            if (votes.Add(r.text, LineKey{x0, y0, x1, y1}, r.ends, r.forward)) take(*votes.Choice());
          } else {
            if (r.outcome == checksum) {
              checkConfirmed |= checkFailures.Add(r.text, LineKey{x0, y0, x1, y1}, r.ends, r.forward);
            } else if (r.outcome > otherFailure) {
              otherFailure = r.outcome;
            }
            if (r.outcome > before) status.store(r.outcome, std::memory_order_relaxed);
          }
        }
      }
    } catch (...) {
      failed.store(true);
    }
  }
  if (failed.load()) throw std::bad_alloc();
  if (status.load() == success) return success;
  // No text was confirmed by a second line: a single text stands when it is
  // the only one seen; texts that contradict each other answer nothing.
  if (const LineVotes::Entry* only = votes.Choice(); only && Confirmed(*only, s)) {
    take(*only);
    return success;
  }
  if (votes.Ambiguous()) return 0;
  const int st = status.load();
  return st == checksum && !checkConfirmed ? otherFailure : st;
}

}  // namespace dunsel
