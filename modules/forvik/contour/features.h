// Contour elements (segments, circles, corners) and the triangle features
// that geometric matching compares.
#pragma once

#include <cstdint>
#include <vector>

#include "contour/geometry.h"
#include "contour/line_segments.h"

namespace forvik {

struct ContourCorner {
  float x = 0, y = 0;  // where the two segment lines meet
  double weight = 0;   // product of the two segment lengths
  float lengthSum = 0;
  int32_t relativeSize = 0;  // lengthSum against the largest of its list, in thousandths
  int32_t firstSegment = 0;  // indexes in the segment list of the same set
  int32_t secondSegment = 0;
};

// A triangle of three elements (circle centres or corners): A and B span the
// longest side, A lies further from C than B does.
struct GeometricFeature {
  float ratioLarge = 0;  // side2 / side1
  float ratioSmall = 0;  // side3 / side1
  int32_t elementA = 0, elementB = 0, elementC = 0;  // in the circle or corner list
  bool isCircleA = false, isCircleB = false, isCircleC = false;
  float side1 = 0;  // |AB|
  float side2 = 0;  // |AC|
  float side3 = 0;  // |BC|
  int32_t cornerCount = 0, circleCount = 0;
  int32_t sideKindAB = 0, sideKindBC = 0, sideKindAC = 0;
  float flatness = 0;  // (side2 + side3) / side1
  bool orientation = false;
};

// One set of element lists: the pattern's, a search window's or one input
// contour's.
struct ElementSet {
  std::vector<LineSegment> segments;
  std::vector<CircleCandidate> circles;
  std::vector<ContourCorner> corners;
  std::vector<GeometricFeature> features;
  void clear() {
    segments.clear(), circles.clear(), corners.clear(), features.clear();
  }
};

// Whether the direction (x2, y2) from (x0, y0) lies in the closed half turn
// clockwise-below the direction to (x1, y1): a triangle and its mirror image
// answer differently.
bool AngleSide(float x1, float y1, float x0, float y0, float x2, float y2);

// The corner of two consecutive segments; false when their lines run too
// nearly the same way.
bool CornerOf(const LineSegment& s1, const LineSegment& s2, ContourCorner* out);

// Drops the segments shorter than a twentieth of the two longest together
// (only when there are more than two).
void PruneShortSegments(std::vector<LineSegment>& segments);

// Corners of consecutive segments (and of the last with the first when the
// contour is closed); segment indexes count from `segmentBase`.
void ContourCorners(const std::vector<LineSegment>& segments, bool closed, int segmentBase,
                    std::vector<ContourCorner>& corners);

// Appends the lists of `from` to `to`, the corners' segment indexes rebased.
void AppendElements(const ElementSet& from, ElementSet& to);

// Largest weight first (whole-number weights compared; the later of equal
// ones is taken first).
void SortCornersByWeight(std::vector<ContourCorner>& corners);

// The pattern keeps its strongest corners: a last index of 15..30 becomes 14,
// above 30 its half.
int ReducedCornerLast(int cornerLast);

// Features of every triple of the chosen circles (0..circleLast) and corners
// (0..cornerLast after sorting), with the ambiguous copies. False when fewer
// than three elements take part.
bool BuildTriangleFeatures(ElementSet& set, int cornerLast, int circleLast, float angleTolerance);

// Whether an input feature may be the pattern feature under the scale range.
bool FeaturesAgree(const GeometricFeature& p, const GeometricFeature& s, float upper, float lower,
                   const std::vector<CircleCandidate>& patternCircles, const std::vector<CircleCandidate>& inputCircles);

// Relative sizes of the corners against the largest length sum.
void SetRelativeSizes(std::vector<ContourCorner>& corners);

}  // namespace forvik
