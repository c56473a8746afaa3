// The top of the location: the examination region, the two-section scan
// stages per pass, and the trying of the located symbols.
#include <omp.h>

#include <cmath>
#include <cstdio>
#include <exception>

#include "dm_decode.h"
#include "dm_location.h"
#include "frame/input_params.h"
#include "reader2d.h"

namespace dunsel {

namespace {

// Runs body(0) and body(1) as two OpenMP sections; an exception of either is
// passed on after the region.
template <class Body>
void TwoSections(Body body) {
  std::exception_ptr failure[2];
#pragma omp parallel sections
  {
#pragma omp section
    {
      try {
        body(0);
      } catch (...) {
        failure[0] = std::current_exception();
      }
    }
#pragma omp section
    {
      try {
        body(1);
      } catch (...) {
        failure[1] = std::current_exception();
      }
    }
  }
  for (const std::exception_ptr& e : failure)
    if (e) std::rethrow_exception(e);
}

double Distance(double x0, double y0, double x1, double y1) { return std::hypot(x1 - x0, y1 - y0); }

}  // namespace

bool CReadBarcode2D::LocateDataMatrix(void* ctx, const Frame* frame, TRectangularRegion* hostRegion, bool negative,
                                      int width, int depth, bool showResults) {
  blockCount_ = 1;
  TRectangularRegion region{width * 0.5, depth * 0.5, static_cast<double>(width), static_cast<double>(depth), 0.0};
  if (hostRegion) {
    // The region's angle is folded into the first quadrant's neighbourhood in
    // the host's own record, exchanging the sides for quarter turns.
    double& a = hostRegion->angle;
    if (a > 135 && a < 225) {
      a -= 180;
    } else if ((a >= 45 && a < 135) || (a >= 225 && a <= 315)) {
      a -= a < 135 ? 90 : 270;
      const float oldWidth = static_cast<float>(hostRegion->width);
      hostRegion->width = hostRegion->height;
      hostRegion->height = oldWidth;
    }
    region = *hostRegion;
  }
  // The first profiles hold a line's part in the frame; longer lines grow
  // their slot as they are walked.
  const int profileLength =
      frame::TruncateToInt(std::min(std::max(region.width, region.height), static_cast<double>(width) + depth)) + 1;
  if (slotCount() < 2) MakeSlots(2, std::max(profileLength, 1));
  for (int s = 0; s < 2; ++s)
    if (slot(s).capacity() < profileLength) slot(s).Resize(profileLength);
  const int level = GetDrawingLevel(ctx);
  const LocateContext lc{frame, &region, width, depth, negative, legRatio_};

  TwoSections([&](int d) { ScanEdgeMatrix(families_[static_cast<size_t>(d)], slot(d), lc, d); });
  // The region's part in the frame, as the scan matrices hold it.
  const PassBudget budget = BudgetOfRegion(static_cast<int64_t>(families_[kHorizontal].columns - 1) *
                                           (families_[kVertical].columns - 1));
  for (int k = 1; k <= 3; ++k) {
    bool found[2] = {false, false};
    TwoSections([&](int d) { found[d] = BuildLegSegments(families_[static_cast<size_t>(d)], k); });
    if (!found[0] || !found[1]) return false;
    TwoSections([&](int d) {
      ScanFamily& f = families_[static_cast<size_t>(d)];
      KeepLongestSegments(f, budget.segments);
      JoinLegSegments(f, d, 7 * k);
    });
    candidates_.clear();
    const PairWork work = PairFinderLegs(families_[kHorizontal], families_[kVertical], slot(0), lc, budget.extents,
                                         candidates_);
    locationWork_.pairs += work.pairs;
    locationWork_.extents += work.extents;
    for (SymbolCandidate& c : candidates_)
      if (c.valid) RefineCandidate(c, families_[kHorizontal], families_[kVertical], slot(0), lc);
    RemoveDuplicateCandidates(candidates_, frame);
    // The search ends with the first symbol read.
    for (SymbolCandidate& c : candidates_)
      if (c.valid && TryCandidate(ctx, frame, c, negative, showResults, level)) return true;
  }
  return false;
}

bool CReadBarcode2D::TryCandidate(void* ctx, const Frame* frame, SymbolCandidate& c, bool negative, bool showResults,
                                  int level) {
  // The second track counts the rows, the first the columns.
  const DmSize* size = FindSymbolSize(c.modules2, c.modules1);
  if (!size) return false;
  outputRectangleValid_ = false;
  blockCount_ = size->blocks;
  moduleThreshold_ = ModuleThreshold(frame, c.region, histogram_);
  CodewordSample sample;
  const bool sampled = codewordReader_.Read(frame, c, *size, negative, moduleThreshold_, codewords_, sample);
  symbolContrast_ = sample.contrast;
  moduleWidthRatio_ = sample.widthRatio;
  if (!sampled || !CorrectReedSolomon(*field_, codewords_, *size, unusedErrorCorrection_)) {
    if (showResults) DrawOutline(ctx, c);
    outputRectangle_ = TRectangle{};
    return false;
  }
  decodedText_.clear();
  DecodeDataCodewords(codewords_.data(), size->dataCodewords(), decodedText_);
  outputRectangleValid_ = true;

  const double a = std::atan2(c.cornerY[1] - c.cornerY[0], c.cornerX[1] - c.cornerX[0]);
  if (showResults) {
    DrawOutline(ctx, c);
    const TColor colour = GetDrawColor(ctx, 1);
    const double degrees = a * 180.0 / M_PI;
    if (level >= 1) {
      char label[32];
      const int n = std::snprintf(label, sizeof label, "(%d,%d)", c.modules1, c.modules2);
      const std::u16string text(label, label + n);
      DrawString(ctx, static_cast<int>(text.size()) - 1, text.c_str(), c.cornerX[2] - 15 * std::sin(a),
                 c.cornerY[2] + 15 * std::cos(a), 0.0, degrees, colour);
    }
    if (level >= 2 && !decodedText_.empty()) {
      DrawString(ctx, static_cast<int>(decodedText_.size()) - 1, decodedText_.c_str(), c.cornerX[0] + 25 * std::sin(a),
                 c.cornerY[0] - 25 * std::cos(a), 0.0, degrees, colour);
    }
  }
  // Centre of the clock sides' and the legs' ends; the width runs along
  // corner 0 to corner 1, with the leg and the clock side parallel to it.
  const double* s = c.clockSides;
  const int* o = c.outline;
  double cx = 0, cy = 0;
  for (int k = 0; k < 4; ++k) {
    cx += s[2 * k] + o[2 * k];
    cy += s[2 * k + 1] + o[2 * k + 1];
  }
  const double legI = Distance(o[0], o[1], o[2], o[3]), legJ = Distance(o[4], o[5], o[6], o[7]);
  const double side1 = Distance(s[0], s[1], s[2], s[3]), side2 = Distance(s[4], s[5], s[6], s[7]);
  const bool corner1OnJ = c.orientation == 1 || c.orientation == 3;
  const double alongI = (legI + side1) / 2, alongJ = (legJ + side2) / 2;
  outputRectangle_ = TRectangle{cx / 8, cy / 8, corner1OnJ ? alongJ : alongI, corner1OnJ ? alongI : alongJ,
                                a * 180.0 / M_PI};
  return true;
}

void CReadBarcode2D::DrawOutline(void* ctx, const SymbolCandidate& c) {
  const TColor colour = GetDrawColor(ctx, 2);
  const double thickness = GetDrawThickness(ctx, 3);
  const double* s = c.clockSides;
  const int* o = c.outline;
  DrawLine(ctx, s[0], s[1], s[2], s[3], thickness, colour);
  DrawLine(ctx, s[4], s[5], s[6], s[7], thickness, colour);
  DrawLine(ctx, o[0], o[1], o[2], o[3], thickness, colour);
  DrawLine(ctx, o[4], o[5], o[6], o[7], thickness, colour);
}

}  // namespace dunsel
