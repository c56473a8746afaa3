// Comparing the keypoints of a frame with saved ones: keypoint by keypoint,
// or as a whole object whose pose the matches estimate.
#pragma once

#include "gpu/list.h"
#include "record.h"
#include "talvix_types.h"

namespace kestan {

enum Similarity { kDifference, kEuclidean, kCorrelation };

// Mean over the four quarters of (r + 1) / 2, r the quarter's correlation;
// a quarter without variance correlates 0.
float DescriptorCorrelation(const gpu::KeypointRecord& a, const gpu::KeypointRecord& b);
// Distances of two descriptors taken at unit length: the sum of absolute
// differences, and six times the Euclidean distance.
float Difference(const float* a, const float* b);
float EuclideanDistance(const float* a, const float* b);

// The fewest pairs from which a search reports an object in general (two
// only when their own turns and sizes confirm the pose).
inline constexpr int kLeastPairsFound = 3;

struct MatchSettings {
  int method = kEuclidean;
  float maxDifference = 1.5f;
  float minCorrelation = 0.8f;
  float filtrationPasses = 0.0f;
  float distanceCoefficient = 1.2f;
  float angleDifference = 15.0f;  // degrees
  int matchesRequired = 1;
};

// The first saved record of equal size that passes the similarity test and
// whose orientation differs by at most angleDifference degrees matches a
// keypoint. True when any keypoint matched.
bool MatchKeypoints(DescriptorStore& store, gpu::CList& keypoints, const MatchSettings& s);

// One-to-one pairs of keypoints and saved records (each keypoint's nearest
// record, past a second-nearest test for the distances, and each record's
// nearest keypoint), reduced to the largest set that fits one similarity
// and pins it down with more than matchesRequired pairs; the rectangle is
// that fit, refined by the filtration passes. With `multiple` and not
// `last`, the keypoints of a found object are moved from `keypoints` to
// `handedOver` (they are not offered to the next object). True when found.
bool MatchObject(int errLen, char16_t* errBuf, DescriptorStore& store, gpu::CList& keypoints, const MatchSettings& s,
                 TRectangle& found, bool multiple, bool last, gpu::CList* handedOver);

// What MatchObject does with the keypoints after a search with `multiple`
// and not `last`: when `found`, the keypoints it matched move to
// `handedOver`; every other keypoint is made ready for the next object.
void WithholdMatched(gpu::CList& keypoints, bool found, gpu::CList* handedOver);

// The rectangle of the pose fitted to the matches' places (by least squares;
// the mean pose of a single pair).
bool EstimateRectangle(int errLen, char16_t* errBuf, DescriptorStore& store, TRectangle& found);

}  // namespace kestan
