// The descriptor file and its data-object form, written from keypoint lists
// built here.
#include <gtest/gtest.h>

#include <cmath>

#include "descriptor_file.h"
#include "kestan_support.h"
#include "talvix/blocks.hpp"

namespace {

using namespace kestan_test;
using kestan::FeatureRecord;

struct Keypoints {
  explicit Keypoints(int n) {
    for (int i = 0; i < n; ++i) {
      auto* e = new gpu::CResultListElem();
      FeatureRecord r{};
      r.x = 12.0f + i;
      r.y = 30.5f - 2 * i;
      r.response = 0.25f * (i + 1);
      r.size = 9.0f + 6 * i;
      r.orientation = -1.5f + i;
      for (int j = 0; j < 64; ++j) r.descriptor[j] = (j % 7) * 0.5f - i;
      kestan::StoreRecord(*e, r);
      list.Append(e);
    }
  }
  ~Keypoints() { list.DeleteAll(); }
  gpu::CList list;
};

template <class T>
void Put(std::vector<uint8_t>& b, const T& v) {
  const auto* p = reinterpret_cast<const uint8_t*>(&v);
  b.insert(b.end(), p, p + sizeof v);
}

TEST(DescriptorFile, WrittenByteForByte) {
  Keypoints k(2);
  const float thresholds[8] = {1, 2, 3, 4, 5, 6, 7, 8.5f};
  const TRectangularRegion region{10, 20, 30, 40, 0};
  TempDir dir;
  const std::u16string path = talvix::ToU16((dir.path() / "k.bff").string());
  ASSERT_TRUE(kestan::SaveDescriptorFile(255, nullptr, path.c_str(), k.list, {1, thresholds, &region, 64, 48}));

  // What the file must hold, from the fields (every sum here is exact).
  std::vector<uint8_t> expected;
  Put(expected, int32_t{22});
  Put(expected, int32_t{1});
  Put(expected, int32_t{2});
  Put(expected, int32_t{1});
  for (float t : thresholds) Put(expected, t);
  for (double d : {10.0, 20.0, 30.0, 40.0, 0.0}) Put(expected, d);
  for (int i = 0; i < 2; ++i) {
    const float x = 12.0f + i, y = 30.5f - 2 * i;
    for (float f : {x, y, 0.25f * (i + 1), 9.0f + 6 * i, -1.5f + i}) Put(expected, f);
    for (int j = 0; j < 64; ++j) Put(expected, (j % 7) * 0.5f - i);
    const float ox = x - 10, oy = y - 20;
    for (float f : {ox, oy, ox, oy, std::sqrt(ox * ox + oy * oy)}) Put(expected, f);
    // Quarter means: values (j % 7) * 0.5 - i over j = 16c .. 16c + 15.
    for (int c = 0; c < 4; ++c) {
      double sum = 0, sq = 0;
      for (int j = 16 * c; j < 16 * c + 16; ++j) sum += (j % 7) * 0.5 - i;
      const double mean = sum / 16;
      for (int j = 16 * c; j < 16 * c + 16; ++j) sq += ((j % 7) * 0.5 - i - mean) * ((j % 7) * 0.5 - i - mean);
      Put(expected, static_cast<float>(mean));
      Put(expected, static_cast<float>(sq));
    }
  }
  EXPECT_EQ(ReadFile(dir.path() / "k.bff"), expected);

  // The live keypoints carry the same fields.
  gpu::CResultListElem* first = nullptr;
  k.list.GetFirst(&first);
  EXPECT_EQ(kestan::RecordOf(*first).offsetX, 2.0f);
}

TEST(DescriptorFile, TheReferenceTransformTurnsTheOffset) {
  // Region turned by 90 degrees: the stored turned offset is R(90)(p - c).
  Keypoints k(1);
  const float thresholds[8] = {};
  const TRectangularRegion region{10, 20, 30, 40, 90};
  TempDir dir;
  const std::u16string path = talvix::ToU16((dir.path() / "t.bff").string());
  ASSERT_TRUE(kestan::SaveDescriptorFile(255, nullptr, path.c_str(), k.list, {2, thresholds, &region, 64, 48}));
  const Parsed p = Parse(ReadFile(dir.path() / "t.bff"));
  ASSERT_EQ(p.records.size(), 1u);
  // p - c = (2, 10.5); turned by a quarter: (-10.5, 2).
  EXPECT_NEAR(p.records[0].rotatedOffsetX, -10.5f, 1e-5);
  EXPECT_NEAR(p.records[0].rotatedOffsetY, 2.0f, 1e-5);
  EXPECT_NEAR(p.records[0].distance, std::hypot(2.0, 10.5), 1e-5);
}

TEST(DescriptorFile, DataObjectsGrowAndTheWholeFrameIsTheDefaultReference) {
  const float thresholds[8] = {};
  struct Case {
    int keypoints;
    int capacity;  // 0: no block yet
    int expectedLength;
  };
  for (const Case& c : {Case{5, 1000, 1728}, Case{0, 0, 88}, Case{2, 2000, 744}}) {
    SCOPED_TRACE(c.keypoints);
    Keypoints k(c.keypoints);
    DataObject slot = c.capacity ? talvix::NewDataBlock(std::vector<uint8_t>(c.capacity, 0xEE)) : nullptr;
    ASSERT_TRUE(kestan::SaveDescriptorData(255, nullptr, &slot, k.list, {0, thresholds, nullptr, 64, 48}));
    ASSERT_NE(slot, nullptr);
    EXPECT_GE(slot->capacity, c.expectedLength);
    EXPECT_EQ(slot->length, c.expectedLength);
    const Parsed p = Parse(std::vector<uint8_t>(slot->data, slot->data + slot->length));
    EXPECT_EQ(p.tag, 22);
    EXPECT_EQ(p.header.count, c.keypoints);
    EXPECT_EQ(p.records.size(), static_cast<size_t>(c.keypoints));
    EXPECT_EQ(p.header.centreX, 32.0);
    EXPECT_EQ(p.header.centreY, 24.0);
    EXPECT_EQ(p.header.width, 64.0);
    EXPECT_EQ(p.header.height, 48.0);
    EXPECT_EQ(p.header.angle, 0.0);
    talvix::FreeDataBlock(slot);
  }
}

TEST(DescriptorFile, SaveFailures) {
  Keypoints k(1);
  const float thresholds[8] = {};
  char16_t err[64] = {};
  // A directory that does not exist, and a device that is full.
  for (const char16_t* path : {u"/nonexistent-dir/x.bff", u"/dev/full"}) {
    EXPECT_FALSE(kestan::SaveDescriptorFile(63, err, path, k.list, {0, thresholds, nullptr, 8, 8}));
    EXPECT_EQ(std::u16string(err), u"Cannot create file with descriptors");
  }
  EXPECT_FALSE(kestan::SaveDescriptorData(63, err, nullptr, k.list, {0, thresholds, nullptr, 8, 8}));
  EXPECT_EQ(std::u16string(err), u"Data object does not exists");

  // What the reader would refuse is not written: a region (or the keypoints'
  // place relative to it) beyond a million pixels, and a keypoint that is
  // not a number. An earlier save in the data object does not stay readable.
  char16_t text[128] = {};
  Keypoints broken(2);
  FeatureRecord r = kestan::RecordOf(*static_cast<gpu::CResultListElem*>(broken.list.head->next));
  r.descriptor[5] = std::nanf("");
  kestan::StoreRecord(*static_cast<gpu::CResultListElem*>(broken.list.head->next), r);
  const TRectangularRegion far{-999990, 0, 10, 10, 0};
  struct Case {
    gpu::CList* keypoints;
    const TRectangularRegion* region;
    const char16_t* expected;
  };
  for (const Case& c : {Case{&k.list, &far, u"Scanned region out of the range that a file with descriptors holds"},
                        Case{&broken.list, nullptr, u"Keypoints out of the range that a file with descriptors holds"}}) {
    SCOPED_TRACE(talvix::ToUtf8(c.expected));
    TempDir dir;
    const std::u16string path = talvix::ToU16((dir.path() / "x.bff").string());
    EXPECT_FALSE(kestan::SaveDescriptorFile(127, text, path.c_str(), *c.keypoints, {0, thresholds, c.region, 8, 8}));
    EXPECT_EQ(std::u16string(text), c.expected);
    EXPECT_FALSE(fs::exists(dir.path() / "x.bff"));
    DataObject slot = nullptr;
    ASSERT_TRUE(kestan::SaveDescriptorData(127, text, &slot, k.list, {0, thresholds, nullptr, 8, 8}));
    EXPECT_FALSE(kestan::SaveDescriptorData(127, text, &slot, *c.keypoints, {0, thresholds, c.region, 8, 8}));
    EXPECT_EQ(std::u16string(text), c.expected);
    EXPECT_EQ(slot->length, 0);
    talvix::FreeDataBlock(slot);
  }
}

}  // namespace

namespace {

// The bytes of a saved set of three keypoints.
std::vector<uint8_t> ThreeRecords() {
  Keypoints k(3);
  const float thresholds[8] = {2, 2, 2, 2, 2, 2, 2, 2};
  DataObject slot = nullptr;
  EXPECT_TRUE(kestan::SaveDescriptorData(255, nullptr, &slot, k.list, {1, thresholds, nullptr, 64, 48}));
  std::vector<uint8_t> bytes(slot->data, slot->data + slot->length);
  talvix::FreeDataBlock(slot);
  return bytes;
}

TEST(DescriptorReader, CutsTagsAndVersions) {
  const std::vector<uint8_t> whole = ThreeRecords();
  ASSERT_EQ(whole.size(), 88u + 3 * 328);
  auto with = [&](int offset, int32_t value) {
    std::vector<uint8_t> b = whole;
    std::memcpy(b.data() + offset, &value, 4);
    return b;
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char16_t* error;  // null: loads
    size_t records;
  };
  const std::vector<Case> cases = {
      {"whole", whole, nullptr, 3},
      {"cut in the third record", std::vector<uint8_t>(whole.begin(), whole.begin() + 88 + 2 * 328 + 100),
       u"Unexpected end of file", 2},
      {"header only", std::vector<uint8_t>(whole.begin(), whole.begin() + 88), u"Unexpected end of file", 0},
      {"cut in the header", std::vector<uint8_t>(whole.begin(), whole.begin() + 50), u"Unexpected end of file", 0},
      {"cut in the version", std::vector<uint8_t>(whole.begin(), whole.begin() + 6), u"Unexpected end of file", 0},
      {"empty", {}, u"Unexpected end of file", 0},
      {"bad tag", with(0, 23), u"Cannot open file with descriptors", 0},
      {"bad version", with(4, 2), u"Bad version of the file with descriptors", 0},
      {"no records", with(8, 0), nullptr, 0},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The same bytes as a file and as a data object.
    WriteFile(dir.path() / "r.bff", c.bytes);
    const std::u16string path = talvix::ToU16((dir.path() / "r.bff").string());
    DataObject block = talvix::NewDataBlock(c.bytes);
    for (bool fromFile : {true, false}) {
      kestan::DescriptorStore store;
      kestan::LoadedSettings s;
      char16_t err[64] = {};
      const bool ok = fromFile ? kestan::LoadDescriptorFile(63, err, path.c_str(), store, s)
                               : kestan::LoadDescriptorData(63, err, block, store, s);
      EXPECT_EQ(ok, c.error == nullptr);
      EXPECT_EQ(std::u16string(err), c.error ? c.error : u"");
      EXPECT_EQ(store.saved.count, static_cast<int>(c.records));
      EXPECT_EQ(s.thresholds[7], ok ? 2.0f : s.thresholds[7]);
    }
    talvix::FreeDataBlock(block);
  }
}

TEST(DescriptorReader, TheLengthWordIsBoundedByTheBlock) {
  const std::vector<uint8_t> whole = ThreeRecords();
  struct Case {
    int32_t length;
    size_t records;
  };
  // Shorter than the content: read only so far; longer than the block or
  // negative: read within the block only.
  for (const Case& c : {Case{88 + 328 + 10, 1}, Case{1 << 30, 3}, Case{-5, 0}}) {
    SCOPED_TRACE(c.length);
    DataObject block = talvix::NewDataBlock(whole);
    block->length = c.length;
    kestan::DescriptorStore store;
    kestan::LoadedSettings s;
    kestan::LoadDescriptorData(63, nullptr, block, store, s);
    EXPECT_EQ(store.saved.count, static_cast<int>(c.records));
    talvix::FreeDataBlock(block);
  }
  kestan::DescriptorStore store;
  kestan::LoadedSettings s;
  char16_t err[64] = {};
  EXPECT_FALSE(kestan::LoadDescriptorData(63, err, nullptr, store, s));
  EXPECT_EQ(std::u16string(err), u"Data object does not exists");
  EXPECT_FALSE(kestan::LoadDescriptorFile(63, err, u"/nonexistent/none.bff", store, s));
  EXPECT_EQ(std::u16string(err), u"Cannot open file with descriptors");
}

}  // namespace
