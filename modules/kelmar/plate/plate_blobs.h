// Character blobs of a found plate: every ink pixel on the plate's middle
// line seeds a fill in a label map of the whole frame; blobs large enough and
// apart from their neighbours become boxes in plate coordinates.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/run_args.h"
#include "latin/span_fill.h"

namespace kelmar::plate {

inline constexpr uint16_t kMarginLabel = 999;

struct PlateBlobBox {
  float left = 0;    // smallest u
  float top = 0;     // smallest v
  float width = 0;   // whole pixels
  float height = 0;
  int32_t label = 0;
};

// The adaptive ink test of the letter segmentation with the plate's values.
struct PlateInk {
  int threshold = 0;
  bool negative = false;
  int radius = 3;
  float margin = 25.5f;
};

// The plate rectangle in the frame and its axes: (c1, s1) along the plate,
// (-s2, c2) up the characters, k = c2 c1 + s2 s1; the window x0..x1, y0..y1
// (inclusive, inside the frame) that the plate image covers.
struct PlateGeometry {
  TRectangularRegion region{};
  float s1 = 0, c1 = 1, s2 = 0, c2 = 1, k = 1;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

class PlateBlobs {
 public:
  // Segments along the middle line of the window. `labels` holds one entry
  // per frame pixel, zeroed by the caller; it keeps every blob's label.
  void Segment(const frame::FrameRows& input, const PlateInk& ink, const PlateGeometry& g,
               std::vector<uint16_t>& labels);

  const std::vector<PlateBlobBox>& boxes() const { return boxes_; }
  const std::vector<int>& pixelCounts() const { return pixelCounts_; }

  bool IsPlatePixel(int x, int y, int v) const;

 private:
  bool SegmentPixel(int x, int y, unsigned value);

  frame::FrameRows in_;
  PlateInk ink_;
  PlateGeometry g_;
  uint16_t* labels_ = nullptr;
  int label_ = 0;
  bool touch_ = false;
  int count_ = 0;
  std::vector<FillPoint> stack_;
  std::vector<FillPoint> pixels_;  // the current blob's labelled pixels
  std::vector<PlateBlobBox> boxes_;
  std::vector<int> pixelCounts_;
};

}  // namespace kelmar::plate
