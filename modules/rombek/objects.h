// The method objects of rombek. A run feeds the region's pixels to its
// object through the host's region scan, lets it compute, then writes the
// outputs and draws.
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "frame/run_args.h"

namespace rombek {

using frame::RunArgs;

inline constexpr std::u16string_view kNoSourceFrame = u"Cannot get source frame";
inline constexpr std::u16string_view kPixelsUndefined = u"Pixels undefined";

struct FloatVec {
  float x = 0, y = 0;
};

class CRombekObject {
 public:
  explicit CRombekObject(int index) : methodIndex(index) {}
  virtual ~CRombekObject() = default;
  virtual bool Run(const RunArgs& a) = 0;

  int methodIndex;
};

// The boxes of the pixels below (or, Negative, above) the threshold.
class CBoundingBoxRectangle : public CRombekObject {
 public:
  using CRombekObject::CRombekObject;
  bool Run(const RunArgs& a) override;

 protected:
  // The scan of one region with this object's pixel test.
  virtual void Scan(const Frame* f, const TRectangularRegion* region) = 0;
  virtual void Prepare(int, int) {}
  virtual void Reset() = 0;
  virtual bool Compute() = 0;
  void Draw() const;

  FloatVec centre, size, corners[4], axis1, axis2;
  float angle = 0;
  int threshold = 127;
  bool negative = false;
  void* hostContext = nullptr;
  TRectangularRegion region{};

 public:
  // The pixel test of the scan.
  bool Selected(unsigned v) const { return negative ? v > static_cast<unsigned>(threshold) : v < static_cast<unsigned>(threshold); }
};

// Oriented along the main axis of the selected pixels' spread.
class COBBRectangle : public CBoundingBoxRectangle {
 public:
  using CBoundingBoxRectangle::CBoundingBoxRectangle;
  void AddPixel(int x, int y) {
    if (pointCount >= capacity_) return;
    points_[2 * pointCount] = static_cast<float>(x);
    points_[2 * pointCount + 1] = static_cast<float>(y);
    ++pointCount;
  }

 protected:
  void Scan(const Frame* f, const TRectangularRegion* region) override;
  // Room for width x height points, reallocated only when the size changes.
  void Prepare(int width, int height) override;
  void Reset() override { pointCount = 0; }
  bool Compute() override;

 private:
  size_t pointCount = 0;
  std::vector<float> points_;  // x, y pairs
  size_t capacity_ = 0;
  int bufferWidth = 0, bufferHeight = 0;
};

// Aligned to the frame axes.
class CAABBRectangle : public CBoundingBoxRectangle {
 public:
  using CBoundingBoxRectangle::CBoundingBoxRectangle;
  void AddPixel(int x, int y) {
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
  }

 protected:
  void Scan(const Frame* f, const TRectangularRegion* region) override;
  void Reset() override { minX = minY = INT_MAX, maxX = maxY = INT_MIN; }
  bool Compute() override;

 private:
  int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;
};

class CNoiseMonitor : public CRombekObject {
 public:
  using CRombekObject::CRombekObject;
  bool Run(const RunArgs& a) override;
  // Sums of whole values are kept as integers: exact, and what double sums
  // of the same values give while they stay below 2^53.
  void Add(unsigned value) {
    const uint64_t v = value;
    ++count;
    intSum += v;
    intSumSquares += v * v;
    if (value > intMax) intMax = value;
    if (value < intMin) intMin = value;
  }

 private:
  void Reset();
  void Draw(const TRectangularRegion& r) const;

  uint64_t intSum = 0, intSumSquares = 0;
  unsigned intMax = 0, intMin = UINT_MAX;
  int count = 0;
  double sum = 0, sumSquares = 0, mean = 0, deviation = 0, maximum = 0, minimum = 1.7976931348623157e308, snr = 0;
  void* hostContext = nullptr;
};

class CHistogram : public CRombekObject {
 public:
  using CRombekObject::CRombekObject;
  bool Run(const RunArgs& a) override;
  // Grey values count in red only; green and blue are copied after the scan.
  void CountGrey(unsigned v) { ++red[v & 0xFF]; }
  void CountColour(unsigned v) { ++red[(v >> 16) & 0xFF], ++green[(v >> 8) & 0xFF], ++blue[v & 0xFF]; }

 private:
  void Draw() const;

  unsigned red[256] = {}, green[256] = {}, blue[256] = {};
  float redNorm[256] = {}, greenNorm[256] = {}, blueNorm[256] = {};
  unsigned maxCount = 0;
  void* hostContext = nullptr;
  TRectangularRegion region{}, drawingRegion{};
  bool colour = false;
};

// Shared input steps: the source frame, a region (the whole frame when
// missing).
bool SourceFrame(const RunArgs& a, Frame** f);
TRectangularRegion WholeFrame(const Frame* f);
// Region element `elem` of input i; false when the input or element is missing.
bool ReadRegion(const RunArgs& a, int input, int elem, TRectangularRegion* r);

}  // namespace rombek
