// The integer box mean of the local threshold: each value the mean of the
// (2r + 1) x (2r + 1) values around it that lie inside the plane, taken as
// the truncated mean along rows and then the truncated mean of those along
// columns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gantrel {

// A frame-shaped block of rows: 8-bit values or 32-bit B, G, R, alpha.
struct Plane {
  uint8_t* data;
  int width, depth, bpp;
  ptrdiff_t stride;
  uint8_t* row(int y) const { return data + y * stride; }
};

// A plane over `store`, rows laid out as in a frame of that geometry.
Plane MakePlane(std::vector<uint8_t>& store, int w, int d, int bpp);

// The box mean of src into dst (same geometry; dst may be src). Colour planes
// average B, G and R and keep src's alpha. r is at most 63; `rows` holds the
// row pass.
void BoxMean(const Plane& src, const Plane& dst, int r, std::vector<uint8_t>& rows);

}  // namespace gantrel
