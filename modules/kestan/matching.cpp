#include "matching.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <vector>

#include "frame/turns.h"
#include "gpu/bracket.h"
#include "pose.h"
#include "talvix.h"

namespace kestan {
namespace {

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kNoDistance = 1e10f;

// The element's 32-bit match word holds the best correlation.
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

namespace {

Reference ReferenceOf(const DescriptorStore& store) {
  return Reference{store.header.centreX, store.header.centreY, store.header.width, store.header.height};
}

std::vector<PosePair> PairsOf(const DescriptorStore& store) {
  std::vector<PosePair> pairs;
  pairs.reserve(static_cast<size_t>(store.matches.count));
  for (const gpu::CListElem* e = store.matches.head; e; e = e->next) {
    const auto* m = static_cast<const CMatchListElem*>(e);
    const gpu::KeypointRecord& s = m->saved->key;
    pairs.push_back({s.x, s.y, m->keypoint->key.x, m->keypoint->key.y, m->scale,
                     std::remainder(m->angle - store.header.angle, 360.0), s.orientation, m->centreX, m->centreY});
  }
  return pairs;
}

std::vector<size_t> All(size_t n) {
  std::vector<size_t> all(n);
  for (size_t i = 0; i < n; ++i) all[i] = i;
  return all;
}

// The rectangle of the pairs' mean pose: for a single pair, or pairs whose
// saved keypoints share one place, where no fit exists.
void MeanRectangle(const DescriptorStore& store, TRectangle& found) {
  const int m = store.matches.count;
  double cx = 0, cy = 0, scale = 0, angle = 0;
  for (const gpu::CListElem* e = store.matches.head; e; e = e->next) {
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
  found.angle = frame::FullTurn(angle / m);
}

// A ratio test in the manner of nearest-neighbour matching: the nearest saved
// descriptor is taken only when the nearest at another place is clearly
// farther, so that keypoints alike to many saved ones (along an edge, in a
// repeated texture) pair with none.
constexpr float kSecondNearest = 0.8f;

// One keypoint's nearest saved record.
struct Candidate {
  gpu::CResultListElem* keypoint;
  size_t record;
  float value;  // distance, or correlation
};

// The nearest saved record of every keypoint that passes the similarity test
// (the first of equals), and then each record's nearest keypoint only.
std::vector<Candidate> OneToOnePairs(const DescriptorStore& store, gpu::CList& keypoints, const MatchSettings& s,
                                     const std::vector<gpu::CResultListElem*>& saved) {
  const std::vector<UnitDescriptor> units = SavedUnits(store);
  const bool correlation = s.method == kCorrelation;
  const size_t n = saved.size();
  std::vector<float> values(n);
  std::vector<Candidate> nearest;
  gpu::CResultListElem* k = nullptr;
  for (bool more = keypoints.GetFirst(&k); more; more = keypoints.GetNext(&k)) {
    if (correlation) FillStatistics(*k);
    const UnitDescriptor unit = UnitOf(k->key.descriptor);
    size_t best = n;
    for (size_t j = 0; j < n; ++j) {
      if (Passes(s, {saved[j]->key, units[j]}, {k->key, unit}, &values[j]) &&
          (best == n || (correlation ? values[j] > values[best] : values[j] < values[best]))) {
        best = j;
      }
    }
    if (best == n) continue;
    if (!correlation) {
      const gpu::KeypointRecord& b = saved[best]->key;
      const double samePlace = 0.5 * b.scale;
      float second = kNoDistance;
      for (size_t j = 0; j < n; ++j) {
        const gpu::KeypointRecord& r = saved[j]->key;
        if (j != best && values[j] < second && std::hypot(r.x - b.x, r.y - b.y) > samePlace) second = values[j];
      }
      if (!(values[best] <= kSecondNearest * second)) continue;
    }
    nearest.push_back({k, best, values[best]});
  }
  // Each record keeps the keypoint nearest to it, the first of equals.
  std::vector<size_t> owner(n, nearest.size());
  for (size_t i = 0; i < nearest.size(); ++i) {
    size_t& o = owner[nearest[i].record];
    if (o == nearest.size() ||
        (correlation ? nearest[i].value > nearest[o].value : nearest[i].value < nearest[o].value)) {
      o = i;
    }
  }
  std::vector<Candidate> pairs;
  for (size_t i = 0; i < nearest.size(); ++i) {
    if (owner[nearest[i].record] == i) pairs.push_back(nearest[i]);
  }
  return pairs;
}

// The pose of one pair: its size ratio, its turn and the reference centre it
// predicts from the saved offset, turned and scaled as the keypoint.
CMatchListElem* PairMatch(const DescriptorStore& store, gpu::CResultListElem* k, const gpu::CResultListElem* record) {
  const FeatureRecord saved = RecordOf(*record);
  auto* m = new CMatchListElem();
  m->scale = k->key.scale / saved.size;
  m->rotation = Wrap(k->key.orientation - saved.orientation, kPi, kTwoPi);
  const float angle = static_cast<float>(m->rotation * 57.29577951308232 + store.header.angle);
  m->angle = static_cast<float>(frame::FullTurn(angle));
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
  m->saved = record;
  return m;
}

// Keeps only the matches at the chosen positions of the list; the others'
// keypoints are no longer marked used.
void KeepMatches(DescriptorStore& store, const std::vector<size_t>& kept) {
  CMatchListElem* match = nullptr;
  size_t i = 0, next = 0;
  bool more = store.matches.GetFirst(&match);
  while (more) {
    if (next < kept.size() && kept[next] == i++) {
      ++next;
      more = store.matches.GetNext(&match);
    } else {
      match->keypoint->flag = 0;
      store.matches.RemoveCurrent();
      delete match;
      more = store.matches.GetCurrent(&match);
    }
  }
}

}  // namespace

bool EstimateRectangle(int errLen, char16_t* errBuf, DescriptorStore& store, TRectangle& found) {
  if (store.matches.count == 0) {
    found = TRectangle{};
    gpu::CopyError(u"No matching points was found", errLen, errBuf);
    return false;
  }
  bool places = true;
  for (const gpu::CListElem* e = store.matches.head; e; e = e->next) {
    places = places && static_cast<const CMatchListElem*>(e)->saved;
  }
  const std::vector<PosePair> pairs = places ? PairsOf(store) : std::vector<PosePair>{};
  SimilarityFit fit;
  if (!places || !FitSimilarity(pairs, All(pairs.size()), fit)) {
    MeanRectangle(store, found);
    return true;
  }
  fit.Apply(store.header.centreX, store.header.centreY, &found.cx, &found.cy);
  found.width = store.header.width * fit.Scale();
  found.height = store.header.height * fit.Scale();
  found.angle = frame::FullTurn(store.header.angle + fit.TurnDegrees());
  return true;
}

bool MatchObject(int errLen, char16_t* errBuf, DescriptorStore& store, gpu::CList& keypoints, const MatchSettings& s,
                 TRectangle& found, bool multiple, bool last, gpu::CList* handedOver) {
  std::vector<gpu::CResultListElem*> saved;
  saved.reserve(static_cast<size_t>(store.saved.count));
  for (gpu::CListElem* e = store.saved.head; e; e = e->next) saved.push_back(static_cast<gpu::CResultListElem*>(e));

  store.matches.DeleteAll();
  for (const Candidate& c : OneToOnePairs(store, keypoints, s, saved)) {
    if (s.method == kCorrelation) {
      SetBestCorrelation(*c.keypoint, c.value);
    } else {
      c.keypoint->distance = c.value;
    }
    c.keypoint->best = saved[c.record];
    c.keypoint->flag = 1;
    store.matches.Append(PairMatch(store, c.keypoint, saved[c.record]));
  }

  // Only the pairs that fit one verified pose stay.
  const Reference ref = ReferenceOf(store);
  SimilarityFit fit;
  const bool orientations = store.header.orientationMode != 0;
  KeepMatches(store, VerifiedPairs(PairsOf(store), ref, s.matchesRequired, orientations, fit));
  bool ok = EstimateRectangle(errLen, errBuf, store, found);

  const int passes = s.filtrationPasses >= 1.0f ? static_cast<int>(s.filtrationPasses) : 0;
  for (int p = 0; ok && p < passes; ++p) {
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
    ok = EstimateRectangle(errLen, errBuf, store, found);
  }
  // What the filtration left must still pin the pose down.
  if (ok && passes > 0) {
    const std::vector<PosePair> pairs = PairsOf(store);
    ok = FitSimilarity(pairs, All(pairs.size()), fit) && PinsDown(pairs, All(pairs.size()), fit, ref, s.matchesRequired, orientations);
  }

  if (multiple && !last) WithholdMatched(keypoints, ok, handedOver);
  return ok;
}

void WithholdMatched(gpu::CList& keypoints, bool found, gpu::CList* handedOver) {
  // A found copy's keypoints are not offered to the following objects;
  // those of an object not found stay offered.
  gpu::CResultListElem* k = nullptr;
  bool more = keypoints.GetFirst(&k);
  while (more) {
    if (found && k->flag) {
      keypoints.RemoveCurrent();
      if (handedOver) handedOver->Append(k);
      more = keypoints.GetCurrent(&k);
    } else {
      k->flag = 0;
      k->distance = kNoDistance;
      SetBestCorrelation(*k, 0.0f);
      more = keypoints.GetNext(&k);
    }
  }
}

}  // namespace kestan
