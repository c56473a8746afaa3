// Result marks of the line detectors and the outputs they share.
#pragma once

#include <vector>

#include "contour/line_segments.h"
#include "run_io.h"

namespace forvik {

// The segment's ends moved square onto its fitted line: border pixels lie
// off the edge by up to a pixel, or a point round a corner.
TLine OnFittedLine(const LineSegment& s);

// Number of results, then the lines (x0, y0, x1, y1) of every segment, on its
// fitted line.
void WriteSegments(const RunArgs& a, const std::vector<LineSegment>& segments);

// A segment as a line with a circle of the end-mark radius at each end.
void DrawSegment(void* ctx, double x0, double y0, double x1, double y1, int endRadius, double thickness, TColor colour);

}  // namespace forvik
