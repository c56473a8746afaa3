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

// The best saved record per keypoint, the pose each pair predicts, the
// rectangle from their means, refined by the filtration passes. With
// `multiple` and not `last`, the keypoints used are moved from `keypoints`
// to `handedOver` (they are not offered to the next object). True when more
// than matchesRequired matches remain.
bool MatchObject(int errLen, char16_t* errBuf, DescriptorStore& store, gpu::CList& keypoints, const MatchSettings& s,
                 TRectangle& found, bool multiple, bool last, gpu::CList* handedOver);

bool EstimateRectangle(int errLen, char16_t* errBuf, DescriptorStore& store, TRectangle& found);

}  // namespace kestan
