#include "descriptor_file.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <new>
#include <vector>

#include "gpu/bracket.h"
#include "kavrin.h"
#include "selvane.h"
#include "talvix.h"

namespace kestan {
namespace {

constexpr char16_t kCannotOpen[] = u"Cannot open file with descriptors";
constexpr char16_t kCannotCreate[] = u"Cannot create file with descriptors";
constexpr char16_t kEndOfFile[] = u"Unexpected end of file";
constexpr char16_t kBadVersion[] = u"Bad version of the file with descriptors";
constexpr char16_t kNoBlock[] = u"Data object does not exists";
constexpr char16_t kTooSmall[] = u"Insufficient data object size";
constexpr char16_t kRegionOutOfRange[] = u"Scanned region out of the range that a file with descriptors holds";
constexpr char16_t kKeypointOutOfRange[] = u"Keypoints out of the range that a file with descriptors holds";
constexpr char16_t kNoKeypoints[] =
    u"No keypoints were found to save: a lower \"features threshold\" finds more (0.05 suits photographs)";

bool Fail(int errLen, char16_t* errBuf, const char16_t* text) {
  gpu::CopyError(text, errLen, errBuf);
  return false;
}

// Reads up to n bytes into buf; answers how many it read.
using Source = std::function<int(void* buf, int n)>;
// Writes n bytes; false when they could not all be written.
using Sink = std::function<bool(const void* buf, int n)>;

// Coordinates, sizes and angles beyond a million pixels or degrees come
// from no frame; with non-finite values they mark a damaged file.
constexpr double kLimit = 1e6;
constexpr float kTurnLimit = 6.2831855f;  // orientations are folded by one turn at most

bool Within(double v, double lo, double hi) { return v >= lo && v <= hi; }  // false for NaN

bool Sound(const DescriptorHeader& h) {
  if (h.count < 0 || !Within(h.orientationMode, 0, 2)) return false;
  for (float t : h.thresholds) {
    if (!Within(t, 0, 200)) return false;
  }
  return Within(h.centreX, -kLimit, kLimit) && Within(h.centreY, -kLimit, kLimit) && Within(h.width, 0, kLimit) &&
         Within(h.height, 0, kLimit) && Within(h.angle, -kLimit, kLimit);
}

bool Sound(const FeatureRecord& r) {
  for (float v : {r.x, r.y, r.offsetX, r.offsetY, r.rotatedOffsetX, r.rotatedOffsetY}) {
    if (!Within(v, -kLimit, kLimit)) return false;
  }
  // The size divides the match's scale.
  if (!Within(r.size, 1e-3, kLimit) || !Within(r.distance, 0, 2 * kLimit) || !std::isfinite(r.response) ||
      !Within(r.orientation, -kTurnLimit, kTurnLimit)) {
    return false;
  }
  for (float v : r.descriptor) {
    if (!std::isfinite(v)) return false;
  }
  for (int c = 0; c < 4; ++c) {
    if (!std::isfinite(r.stats[2 * c]) || !Within(r.stats[2 * c + 1], 0, std::numeric_limits<float>::max())) return false;
  }
  return true;
}

bool ReadDescriptors(int errLen, char16_t* errBuf, const Source& read, DescriptorStore& store, LoadedSettings& out) {
  store.saved.DeleteAll();
  int32_t word = 0;
  if (read(&word, 4) < 4) return Fail(errLen, errBuf, kEndOfFile);
  if (word != kFileTag) return Fail(errLen, errBuf, kCannotOpen);
  if (read(&word, 4) < 4) return Fail(errLen, errBuf, kEndOfFile);
  if (word != kFileVersion) return Fail(errLen, errBuf, kBadVersion);
  DescriptorHeader header{};
  if (read(&header, sizeof header) < static_cast<int>(sizeof header)) return Fail(errLen, errBuf, kEndOfFile);
  if (!Sound(header)) return Fail(errLen, errBuf, kCannotOpen);
  store.header = header;
  out.orientationMode = header.orientationMode;
  std::copy_n(header.thresholds, 8, out.thresholds);
  out.reference = TRectangle{header.centreX, header.centreY, header.width, header.height, header.angle};
  for (int32_t i = 0; i < header.count; ++i) {
    auto* e = new gpu::CResultListElem();
    FeatureRecord r{};
    if (read(&r, kRecordBytes) < kRecordBytes) {
      delete e;
      return Fail(errLen, errBuf, kEndOfFile);
    }
    if (!Sound(r)) {
      delete e;
      return Fail(errLen, errBuf, kCannotOpen);
    }
    StoreRecord(*e, r);
    store.saved.Append(e);
  }
  return true;
}

TRectangle Reference(const SaveSettings& s) {
  if (s.region) return TRectangle{s.region->cx, s.region->cy, s.region->width, s.region->height, s.region->angle};
  return TRectangle{s.frameWidth * 0.5, s.frameHeight * 0.5, static_cast<double>(s.frameWidth),
                    static_cast<double>(s.frameHeight), 0.0};
}

// The header and records that a save writes, computed before anything is
// written, so that what the reader would refuse is never saved.
struct Prepared {
  DescriptorHeader header{};
  std::vector<FeatureRecord> records;
};

Prepared Prepare(gpu::CList& keypoints, const SaveSettings& s) {
  const TRectangle ref = Reference(s);
  FloatMatrix3x3 m;
  FloatMatrix3x3Identity(&m);
  FloatMatrix3x3Translate(&m, static_cast<float>(-ref.cx), static_cast<float>(-ref.cy));
  FloatMatrix3x3Rotate(&m, static_cast<float>(ref.angle * 0.017453292519943295));

  Prepared p;
  p.header.count = keypoints.count;
  p.header.orientationMode = s.orientationMode;
  std::copy_n(s.thresholds, 8, p.header.thresholds);
  p.header.centreX = ref.cx;
  p.header.centreY = ref.cy;
  p.header.width = ref.width;
  p.header.height = ref.height;
  p.header.angle = ref.angle;

  const float negX = static_cast<float>(-ref.cx), negY = static_cast<float>(-ref.cy);
  p.records.reserve(static_cast<size_t>(keypoints.count));
  gpu::CResultListElem* k = nullptr;
  for (bool more = keypoints.GetFirst(&k); more; more = keypoints.GetNext(&k)) {
    FeatureRecord r = RecordOf(*k);
    const FloatVec2 turned = FloatVec2Transform3x3(&m, InitFloatVec2(r.x, r.y));
    r.rotatedOffsetX = turned.x;
    r.rotatedOffsetY = turned.y;
    r.offsetX = r.x + negX;
    r.offsetY = r.y + negY;
    r.distance = std::sqrt(turned.x * turned.x + turned.y * turned.y);
    ComputeDescriptorStatistics(r);
    p.records.push_back(r);
  }
  return p;
}

// The text for a prepared save that the reader would refuse; null when it
// reads back. The region is blamed for a record that is sound but for its
// place relative to the region.
const char16_t* Unreadable(const Prepared& p, const SaveSettings& s) {
  if (!Sound(p.header)) return kRegionOutOfRange;
  if (s.refuseEmpty && p.records.empty()) return kNoKeypoints;
  for (const FeatureRecord& r : p.records) {
    if (Sound(r)) continue;
    FeatureRecord own = r;
    own.offsetX = own.offsetY = own.rotatedOffsetX = own.rotatedOffsetY = own.distance = 0.0f;
    return Sound(own) ? kRegionOutOfRange : kKeypointOutOfRange;
  }
  return nullptr;
}

// Writes the prepared bytes and stores the computed fields into the
// keypoints' own records.
bool WriteDescriptors(const Sink& write, gpu::CList& keypoints, const Prepared& p) {
  bool ok = write(&kFileTag, 4) && write(&kFileVersion, 4) && write(&p.header, sizeof p.header);
  size_t i = 0;
  gpu::CResultListElem* k = nullptr;
  for (bool more = keypoints.GetFirst(&k); more; more = keypoints.GetNext(&k), ++i) {
    StoreRecord(*k, p.records[i]);
    ok = write(&p.records[i], kRecordBytes) && ok;
  }
  return ok;
}

}  // namespace

void ComputeDescriptorStatistics(FeatureRecord& r) {
  for (int c = 0; c < 4; ++c) {
    const float* v = r.descriptor + c * 16;
    float sum = 0.0f;
    for (int i = 0; i < 16; ++i) sum += v[i];
    const float mean = sum * 0.0625f;
    float sq = 0.0f;
    for (int i = 0; i < 16; ++i) sq += (v[i] - mean) * (v[i] - mean);
    r.stats[2 * c] = mean;
    r.stats[2 * c + 1] = sq;
  }
}

bool LoadDescriptorFile(int errLen, char16_t* errBuf, const char16_t* path, DescriptorStore& store,
                        LoadedSettings& out) {
  const int handle = selvane::OpenRead(255, path, 1);
  if (handle == -1) {
    store.saved.DeleteAll();
    return Fail(errLen, errBuf, kCannotOpen);
  }
  const bool ok = ReadDescriptors(
      errLen, errBuf, [handle](void* buf, int n) { return selvane::Read(handle, 0, buf, n); }, store, out);
  selvane::Close(handle);
  return ok;
}

bool LoadDescriptorData(int errLen, char16_t* errBuf, const DataBlock* block, DescriptorStore& store,
                        LoadedSettings& out) {
  if (!block) {
    store.saved.DeleteAll();
    return Fail(errLen, errBuf, kNoBlock);
  }
  // The length word is trusted only within the block's capacity.
  const int32_t length = std::clamp(block->length, 0, std::max(block->capacity, 0));
  int32_t at = 0;
  return ReadDescriptors(
      errLen, errBuf,
      [&](void* buf, int n) {
        const int got = std::min(n, length - at);
        std::memcpy(buf, block->data + at, static_cast<size_t>(got));
        at += got;
        return got;
      },
      store, out);
}

bool SaveDescriptorFile(int errLen, char16_t* errBuf, const char16_t* path, gpu::CList& keypoints,
                        const SaveSettings& s) {
  const Prepared p = Prepare(keypoints, s);
  if (const char16_t* text = Unreadable(p, s)) return Fail(errLen, errBuf, text);
  const int handle = selvane::Create(255, path, 0);
  if (handle == -1) return Fail(errLen, errBuf, kCannotCreate);
  const bool ok = WriteDescriptors(
      [handle](const void* buf, int n) { return selvane::Write(handle, 0, buf, n) == n; }, keypoints, p);
  selvane::Close(handle);
  // A file that could not be written whole is as good as one not created.
  return ok || Fail(errLen, errBuf, kCannotCreate);
}

bool SaveDescriptorData(int errLen, char16_t* errBuf, DataObject* slot, gpu::CList& keypoints, const SaveSettings& s) {
  if (!slot) return Fail(errLen, errBuf, kNoBlock);
  const Prepared p = Prepare(keypoints, s);
  if (const char16_t* text = Unreadable(p, s)) {
    // No earlier save stays readable in the object.
    if (*slot) (*slot)->length = 0;
    return Fail(errLen, errBuf, text);
  }
  const int64_t wanted = kHeadBytes + static_cast<int64_t>(kRecordBytes) * keypoints.count;
  const int n = static_cast<int>(std::min<int64_t>(wanted, INT32_MAX));
  if (!*slot) {
    kavrin::AllocateBlock(slot, n);
  } else if ((*slot)->capacity < n) {
    kavrin::GrowBlock(slot, n);
  }
  DataBlock* block = *slot;
  if (!block) return Fail(errLen, errBuf, kNoBlock);
  if (block->capacity < wanted) {
    block->length = 0;
    return Fail(errLen, errBuf, kTooSmall);
  }
  int32_t at = 0;
  WriteDescriptors(
      [&](const void* buf, int len) {
        std::memcpy(block->data + at, buf, static_cast<size_t>(len));
        at += len;
        return true;
      },
      keypoints, p);
  block->length = n;
  return true;
}

}  // namespace kestan
