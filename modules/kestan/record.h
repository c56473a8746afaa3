// A keypoint as the descriptor file stores it, and the descriptor store that
// holds saved keypoints and the matches of the last search.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gpu/list.h"
#include "gpu/result_elem.h"
#include "talvix_types.h"

namespace kestan {

// The 328 bytes of one keypoint: what the pipeline read back, its
// descriptor, its place relative to the reference region and the
// descriptor's statistics (mean and sum of squared deviations per quarter).
#pragma pack(push, 1)
struct FeatureRecord {
  float x;
  float y;
  float response;
  float size;
  float orientation;  // radians
  float descriptor[64];
  float offsetX;  // x - reference centre x
  float offsetY;
  float rotatedOffsetX;  // the reference transform applied to (x, y)
  float rotatedOffsetY;
  float distance;
  float stats[8];  // mean[0], sumSq[0], mean[1], sumSq[1], ...
};
#pragma pack(pop)
static_assert(sizeof(FeatureRecord) == sizeof(gpu::KeypointRecord));
static_assert(offsetof(FeatureRecord, descriptor) == offsetof(gpu::KeypointRecord, descriptor));
static_assert(offsetof(FeatureRecord, offsetX) == 276);
static_assert(offsetof(FeatureRecord, stats) == 296);

// The pipeline's element holds the same 328 bytes; these copy them out and in.
inline FeatureRecord RecordOf(const gpu::CResultListElem& e) {
  FeatureRecord r;
  std::memcpy(&r, &e.key, sizeof r);
  return r;
}
inline void StoreRecord(gpu::CResultListElem& e, const FeatureRecord& r) { std::memcpy(&e.key, &r, sizeof r); }

// The 80-byte header: count, orientation mode, thresholds, reference rectangle.
struct DescriptorHeader {
  int32_t count;
  int32_t orientationMode;
  float thresholds[8];
  double centreX, centreY, width, height, angle;
};
static_assert(sizeof(DescriptorHeader) == 80);
static_assert(offsetof(DescriptorHeader, centreX) == 40);

// One match of a search: the pose the matched pair predicts.
class CMatchListElem : public gpu::CListElem {
 public:
  float scale = 1.0f;
  float rotation = 0.0f;  // radians
  float angle = 0.0f;     // degrees
  float centreX = 0.0f;
  float centreY = 0.0f;
  gpu::CResultListElem* keypoint = nullptr;
  const gpu::CResultListElem* saved = nullptr;  // the saved record it pairs with
};

// Saved keypoints and the matches of the last search; owns both lists'
// elements.
class DescriptorStore {
 public:
  DescriptorStore() = default;
  DescriptorStore(const DescriptorStore&) = delete;
  DescriptorStore& operator=(const DescriptorStore&) = delete;
  ~DescriptorStore() { Clear(); }
  void Clear() {
    saved.DeleteAll();
    matches.DeleteAll();
  }

  DescriptorHeader header{};
  gpu::CList saved;
  gpu::CList matches;
};

// mean and sumSq of each quarter of the descriptor.
void ComputeDescriptorStatistics(FeatureRecord& r);

}  // namespace kestan
