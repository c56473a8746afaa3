// The arithmetic of the layer's drawing plane and sample grids, free of GL:
// points go to a sink as pixel columns and rows.
#pragma once

#include <functional>

#include "talvix_types.h"

namespace gpu {

// All geometry is drawn in a plane of 320 x 240 units centred on the origin;
// frame row 0 lies at the bottom.
inline constexpr float kPlaneWidth = 320.0f;
inline constexpr float kPlaneHeight = 240.0f;

struct PlanePoint {
  float x, y;
};

// The plane position of the centre of pixel (column, row).
PlanePoint PixelCentre(int column, int row, int frameWidth, int frameHeight);

// The rotated rectangle's corners in the plane, in drawing order.
void RegionQuadCorners(const TRectangularRegion& region, int frameWidth, int frameHeight, PlanePoint corners[4]);

using GridSink = std::function<void(int column, int row)>;

// Columns of one grid row: multiples of step from x up to and including
// x + width (for negative x the first is x + step - (x % step)). Nothing for
// a step below 1.
void EmitGridRow(int x, int y, int width, int step, int frameWidth, int frameHeight, const GridSink& sink);
// The grid points of an axis-aligned rectangle clipped to the frame.
void EmitGridRect(int x, int y, int width, int height, int stepX, int stepY, int frameWidth, int frameHeight,
                  const GridSink& sink);
// The grid points inside a rotated rectangle (the whole frame when null).
void EmitRegionGrid(const TRectangularRegion* region, int stepX, int stepY, int frameWidth, int frameHeight,
                    const GridSink& sink);

}  // namespace gpu
