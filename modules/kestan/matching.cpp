#include "matching.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <vector>

#include "gpu/bracket.h"
#include "talvix.h"

namespace kestan {
namespace {

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kNoDistance = 1e10f;

// The element's 32-bit match word holds the best correlation.
float BestCorrelation(const gpu::CResultListElem& k) { return std::bit_cast<float>(k.score); }
void SetBestCorrelation(gpu::CResultListElem& k, float r) { k.score = std::bit_cast<int32_t>(r); }

void Stats(const gpu::KeypointRecord& r, float out[8]) {
  std::memcpy(out, reinterpret_cast<const uint8_t*>(&r) + offsetof(FeatureRecord, stats), 8 * sizeof(float));
}

void FillStatistics(gpu::CResultListElem& k) {
  FeatureRecord r = RecordOf(k);
  ComputeDescriptorStatistics(r);
  StoreRecord(k, r);
}

float Wrap(float a, float half, float full) {
  if (a > half) return a - full;
  if (a < -half) return a + full;
  return a;
}

// The descriptors are compared at unit length, so that a change of contrast
// does not count, and the distance is scaled so that the catalogue's default
// limit of 1.5 lies where true pairs end in photograph-like scenes (about 0.25
// apart at unit length, 1.4 summed over the values; unrelated descriptors
// lie near 0.9 and 5 respectively). Stored descriptors stay as read back.
constexpr float kDifferenceScale = 1.0f;
constexpr float kEuclideanScale = 6.0f;

// A descriptor at unit length; all zeros for one without length.
using UnitDescriptor = std::array<float, 64>;

UnitDescriptor UnitOf(const float* v) {
  double sq = 0.0;
  for (int i = 0; i < 64; ++i) sq += double(v[i]) * v[i];
  const double inverse = sq > 0.0 ? 1.0 / std::sqrt(sq) : 0.0;
  UnitDescriptor u;
  for (int i = 0; i < 64; ++i) u[i] = static_cast<float>(v[i] * inverse);
  return u;
}

float UnitDifference(const UnitDescriptor& a, const UnitDescriptor& b) {
  float d = 0.0f;
  for (int i = 0; i < 64; ++i) d += std::fabs(a[i] - b[i]);
  return d * kDifferenceScale;
}

float UnitEuclidean(const UnitDescriptor& a, const UnitDescriptor& b) {
  float d = 0.0f;
  for (int i = 0; i < 64; ++i) d += (a[i] - b[i]) * (a[i] - b[i]);
  return std::sqrt(d) * kEuclideanScale;
}

// The saved records' descriptors at unit length, in list order.
std::vector<UnitDescriptor> SavedUnits(const DescriptorStore& store) {
  std::vector<UnitDescriptor> units;
  units.reserve(static_cast<size_t>(store.saved.count));
  for (const gpu::CListElem* e = store.saved.head; e; e = e->next) {
    units.push_back(UnitOf(static_cast<const gpu::CResultListElem*>(e)->key.descriptor));
  }
  return units;
}

}  // namespace

float Difference(const float* a, const float* b) { return UnitDifference(UnitOf(a), UnitOf(b)); }

float EuclideanDistance(const float* a, const float* b) { return UnitEuclidean(UnitOf(a), UnitOf(b)); }

float DescriptorCorrelation(const gpu::KeypointRecord& a, const gpu::KeypointRecord& b) {
  float sa[8], sb[8];
  Stats(a, sa);
  Stats(b, sb);
  float total = 0.0f;
  for (int c = 0; c < 4; ++c) {
    const float* va = a.descriptor + 16 * c;
    const float* vb = b.descriptor + 16 * c;
    float sum = 0.0f;
    for (int i = 0; i < 16; ++i) sum += (va[i] - sa[2 * c]) * (vb[i] - sb[2 * c]);
    const float spread = std::sqrt(sa[2 * c + 1] * sb[2 * c + 1]);
    const float r = spread > 0.0f ? sum / spread : 0.0f;
    total += r * 0.5f + 0.5f;
  }
  return total * 0.25f;
}

namespace {

// A saved record and a keypoint, each with its unit-length descriptor.
struct Side {
  const gpu::KeypointRecord& record;
  const UnitDescriptor& unit;
};

bool Passes(const MatchSettings& s, Side saved, Side k, float* value) {
  switch (s.method) {
    case kDifference:
      *value = UnitDifference(saved.unit, k.unit);
      return *value <= s.maxDifference;
    case kEuclidean:
      *value = UnitEuclidean(saved.unit, k.unit);
      return *value <= s.maxDifference;
    default:
      *value = DescriptorCorrelation(saved.record, k.record);
      return *value >= s.minCorrelation;
  }
}

}  // namespace

bool MatchKeypoints(DescriptorStore& store, gpu::CList& keypoints, const MatchSettings& s) {
  store.matches.DeleteAll();
  const std::vector<UnitDescriptor> units = SavedUnits(store);
  gpu::CResultListElem* k = nullptr;
  for (bool more = keypoints.GetFirst(&k); more; more = keypoints.GetNext(&k)) {
    if (s.method == kCorrelation) FillStatistics(*k);
    const UnitDescriptor unit = UnitOf(k->key.descriptor);
    size_t j = 0;
    for (gpu::CListElem* e = store.saved.head; e; e = e->next, ++j) {
      const auto& saved = static_cast<gpu::CResultListElem*>(e)->key;
      if (saved.scale != k->key.scale) continue;
      float value = 0.0f;
      if (!Passes(s, {saved, units[j]}, {k->key, unit}, &value)) continue;
      // The orientations may differ by at most the limit, in degrees either way.
      const float d = Wrap(saved.orientation - k->key.orientation, kPi, kTwoPi);
      if (std::fabs(d) * 57.29577951308232 > s.angleDifference) continue;
      auto* m = new CMatchListElem();
      m->keypoint = k;
      store.matches.Append(m);
      break;
    }
  }
  return !store.matches.IsEmpty();
}

bool EstimateRectangle(int errLen, char16_t* errBuf, DescriptorStore& store, TRectangle& found) {
  const int m = store.matches.count;
  if (m == 0) {
    found = TRectangle{};
    gpu::CopyError(u"No matching points was found", errLen, errBuf);
    return false;
  }
  double cx = 0, cy = 0, scale = 0, angle = 0;
  for (gpu::CListElem* e = store.matches.head; e; e = e->next) {
    const auto* match = static_cast<const CMatchListElem*>(e);
    cx += match->centreX;
    cy += match->centreY;
    scale += match->scale;
    angle += match->angle > 180.0f ? match->angle - 360.0 : match->angle;
  }
  found.cx = cx / m;
  found.cy = cy / m;
  found.width = store.header.width * (scale / m);
  found.height = store.header.height * (scale / m);
  found.angle = angle / m;
  if (found.angle < 0) found.angle += 360.0;
  return true;
}

namespace {

// Two pairs agree on the object's pose when their sizes differ by at most
// this factor, their turns by at most kTurnAgreement degrees, and the
// centres they predict lie within this fraction of the object's diagonal (at
// the smaller pair's scale): wide enough for the spread of true pairs,
// narrow enough to part two copies of the object that do not overlap. A
// stray pair's size counts for nothing, so that it cannot gather the others.
// Pairs near the object's centre predict its centre whatever their turn, so
// the turn is checked on its own: the rectangle's angle is their mean.
constexpr double kScaleAgreement = 1.5;
constexpr double kTurnAgreement = 30.0;
constexpr double kAgreement = 0.25;
constexpr double kLeastAgreement = 4.0;  // pixels, for a reference without size
// The pairs tried as the seed of the largest group; more pairs than this
// are sampled at even steps, which bounds the cost for crowded frames.
constexpr size_t kMostSeeds = 1024;

struct Pose {
  double x, y, scale, angle;  // angle in degrees
};

// The difference of two turns in degrees, 0 to 180.
double TurnApart(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 360.0);
  return d > 180.0 ? 360.0 - d : d;
}

// Keeps only the largest group of pairs that agree with one pair (the first
// of equal groups), so that pairs from two copies of the object or stray
// pairs are not pooled into one pose. The keypoints of the dropped pairs
// are no longer marked used: another object, or another copy, may take them.
void KeepAgreeingPairs(DescriptorStore& store) {
  const size_t m = static_cast<size_t>(store.matches.count);
  if (m < 2) return;
  const double diagonal = std::hypot(store.header.width, store.header.height);
  std::vector<Pose> poses;
  poses.reserve(m);
  for (const gpu::CListElem* e = store.matches.head; e; e = e->next) {
    const auto* match = static_cast<const CMatchListElem*>(e);
    poses.push_back({match->centreX, match->centreY, match->scale, match->angle});
  }
  auto agree = [&](const Pose& a, const Pose& b) {
    const double small = std::min(a.scale, b.scale), large = std::max(a.scale, b.scale);
    if (!(large <= small * kScaleAgreement) || !(TurnApart(a.angle, b.angle) <= kTurnAgreement)) return false;
    return std::hypot(a.x - b.x, a.y - b.y) <= std::max(kAgreement * diagonal * small, kLeastAgreement);
  };
  auto agreeing = [&](const Pose& seed) {
    size_t n = 0;
    for (const Pose& p : poses) n += agree(seed, p);
    return n;
  };
  const size_t step = (m + kMostSeeds - 1) / kMostSeeds;
  size_t best = 0, bestCount = 0;
  for (size_t i = 0; i < m; i += step) {
    const size_t n = agreeing(poses[i]);
    if (n > bestCount) {
      best = i;
      bestCount = n;
    }
  }
  if (bestCount == 0) {
    // No pair agrees even with itself (a pose that is not a number).
    for (gpu::CListElem* e = store.matches.head; e; e = e->next) static_cast<CMatchListElem*>(e)->keypoint->flag = 0;
    store.matches.DeleteAll();
    return;
  }
  // The group is taken again about its own mean pose, which lies nearer the
  // object's than the seed's does.
  const Pose seed = poses[best];
  Pose mean{0, 0, 0, 0};
  for (const Pose& p : poses) {
    if (agree(seed, p)) {
      mean.x += p.x / bestCount;
      mean.y += p.y / bestCount;
      mean.scale += p.scale / bestCount;
      mean.angle += std::remainder(p.angle - seed.angle, 360.0) / bestCount;
    }
  }
  mean.angle += seed.angle;
  const Pose place = agreeing(mean) >= bestCount ? mean : seed;

  CMatchListElem* match = nullptr;
  size_t i = 0;
  bool more = store.matches.GetFirst(&match);
  while (more) {
    if (!agree(place, poses[i++])) {
      match->keypoint->flag = 0;
      store.matches.RemoveCurrent();
      delete match;
      more = store.matches.GetCurrent(&match);
    } else {
      more = store.matches.GetNext(&match);
    }
  }
}

}  // namespace

bool MatchObject(int errLen, char16_t* errBuf, DescriptorStore& store, gpu::CList& keypoints, const MatchSettings& s,
                 TRectangle& found, bool multiple, bool last, gpu::CList* handedOver) {
  // Each keypoint's best saved record within the threshold; the first of equals stays.
  const std::vector<UnitDescriptor> units = SavedUnits(store);
  gpu::CResultListElem* k = nullptr;
  for (bool more = keypoints.GetFirst(&k); more; more = keypoints.GetNext(&k)) {
    if (s.method == kCorrelation) FillStatistics(*k);
    const UnitDescriptor unit = UnitOf(k->key.descriptor);
    size_t j = 0;
    for (gpu::CListElem* e = store.saved.head; e; e = e->next, ++j) {
      auto* saved = static_cast<gpu::CResultListElem*>(e);
      float value = 0.0f;
      if (!Passes(s, {saved->key, units[j]}, {k->key, unit}, &value)) continue;
      if (s.method == kCorrelation ? value > BestCorrelation(*k) : value < k->distance) {
        if (s.method == kCorrelation) {
          SetBestCorrelation(*k, value);
        } else {
          k->distance = value;
        }
        k->best = saved;
      }
    }
  }

  store.matches.DeleteAll();
  for (bool more = keypoints.GetFirst(&k); more; more = keypoints.GetNext(&k)) {
    const bool matched = s.method == kCorrelation ? BestCorrelation(*k) > 0.0f : k->distance < kNoDistance;
    if (!matched || !k->best) continue;
    const FeatureRecord saved = RecordOf(*k->best);
    auto* m = new CMatchListElem();
    m->scale = k->key.scale / saved.size;
    m->rotation = Wrap(k->key.orientation - saved.orientation, kPi, kTwoPi);
    float angle = static_cast<float>(m->rotation * 57.29577951308232 + store.header.angle);
    if (angle > 360.0f) angle -= 360.0f;
    if (angle < 0.0f) angle += 360.0f;
    m->angle = angle;
    // The reference centre lies at the saved offset from the keypoint, turned
    // as the keypoint turned and scaled as its size changed.
    FloatVec2 offset = InitFloatVec2(-saved.offsetX * m->scale, -saved.offsetY * m->scale);
    if (m->rotation != 0.0f) {
      FloatMatrix3x3 r;
      FloatMatrix3x3Identity(&r);
      FloatMatrix3x3Rotate(&r, m->rotation);
      offset = FloatVec2Transform3x3(&r, offset);
    }
    const FloatVec2 centre = FloatVec2Add(InitFloatVec2(k->key.x, k->key.y), offset);
    m->centreX = centre.x;
    m->centreY = centre.y;
    m->keypoint = k;
    k->flag = 1;
    store.matches.Append(m);
  }
  KeepAgreeingPairs(store);
  if (!EstimateRectangle(errLen, errBuf, store, found)) return false;

  const int passes = s.filtrationPasses >= 1.0f ? static_cast<int>(s.filtrationPasses) : 0;
  for (int p = 0; p < passes; ++p) {
    const double limit = std::sqrt(found.width * found.width + found.height * found.height) * s.distanceCoefficient;
    bool removed = false;
    CMatchListElem* m = nullptr;
    bool more = store.matches.GetFirst(&m);
    while (more) {
      const double dx = m->keypoint->key.x - found.cx, dy = m->keypoint->key.y - found.cy;
      double turn = m->angle - found.angle;
      if (turn > 180.0) turn -= 360.0;
      if (turn < -180.0) turn += 360.0;
      const bool far = std::sqrt(dx * dx + dy * dy) > limit;
      if (far || std::fabs(turn) > s.angleDifference) {
        if (far) m->keypoint->flag = 0;
        store.matches.RemoveCurrent();
        delete m;
        removed = true;
        more = store.matches.GetCurrent(&m);
      } else {
        more = store.matches.GetNext(&m);
      }
    }
    if (!removed) break;
    if (!EstimateRectangle(errLen, errBuf, store, found)) return false;
  }

  if (multiple && !last) {
    bool more = keypoints.GetFirst(&k);
    while (more) {
      if (k->flag) {
        keypoints.RemoveCurrent();
        if (handedOver) handedOver->Append(k);
        more = keypoints.GetCurrent(&k);
      } else {
        k->distance = kNoDistance;
        SetBestCorrelation(*k, 0.0f);
        more = keypoints.GetNext(&k);
      }
    }
  }
  return store.matches.count > s.matchesRequired;
}

}  // namespace kestan
