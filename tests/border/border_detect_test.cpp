// Border detection on drawn frames: rectangular and ring regions.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>

#include "border_fixtures.h"

namespace {

using border_test::Detection;
using talvix::FrameBuffer;

constexpr uint8_t kLight = 200, kDark = 40;
constexpr int kThreshold = 50;

// A pixel lies on an object's border when its 3x3 block holds both levels.
bool OnBorder(const FrameBuffer& f, int x, int y) {
  bool dark = false, light = false;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int xx = x + dx, yy = y + dy;
      if (xx < 0 || yy < 0 || xx >= f.width() || yy >= f.depth()) continue;
      (f.pixel(xx, yy)[0] == kDark ? dark : light) = true;
    }
  return dark && light;
}

struct Box {
  int x0, y0, x1, y1;  // inclusive extents of the drawn object
};

// One closed, valid label that runs along the object's border and encloses
// the object's centre; its record gives the extents within 2 pixels.
void ExpectClosedObject(const Detection& r, const FrameBuffer& f, int label, Box box) {
  SCOPED_TRACE("label " + std::to_string(label));
  EXPECT_TRUE(r.valid[label]);
  EXPECT_FALSE(r.open[label]);
  const auto pixels = r.pixelsOf(label);
  ASSERT_FALSE(pixels.empty());
  for (auto [x, y] : pixels) {
    EXPECT_TRUE(OnBorder(f, x, y)) << x << "," << y;
    EXPECT_GE(x, box.x0 - 1);
    EXPECT_LE(x, box.x1 + 1);
    EXPECT_GE(y, box.y0 - 1);
    EXPECT_LE(y, box.y1 + 1);
  }
  EXPECT_TRUE(r.encloses(label, (box.x0 + box.x1) / 2, (box.y0 + box.y1) / 2));
  EXPECT_GE(r.lengths[label], static_cast<int>(pixels.size()) - 3);

  const BorderObjectRecord& rec = r.record(label);
  EXPECT_EQ(rec.label, label);
  EXPECT_NEAR(rec.minX, box.x0, 2);
  EXPECT_NEAR(rec.maxX, box.x1, 2);
  EXPECT_NEAR(rec.minY, box.y0, 2);
  EXPECT_NEAR(rec.maxY, box.y1, 2);
  // The pixels that set an extreme lie on it.
  EXPECT_EQ(r.labelAt(rec.minX, rec.yAtMinX), label);
  EXPECT_EQ(r.labelAt(rec.maxX, rec.yAtMaxX), label);
  EXPECT_EQ(r.labelAt(rec.xAtMinY, rec.minY), label);
  EXPECT_EQ(r.labelAt(rec.xAtMaxY, rec.maxY), label);
  ASSERT_GT(r.lengths[label], 0);
  EXPECT_NEAR(static_cast<double>(rec.sumX) / r.lengths[label], (box.x0 + box.x1) / 2.0, 2.0);
  EXPECT_NEAR(static_cast<double>(rec.sumY) / r.lengths[label], (box.y0 + box.y1) / 2.0, 2.0);
}

// End points 2c and 2c + 1 carry label c, for every label and nothing more.
void ExpectPairedEndPoints(const Detection& r) {
  ASSERT_EQ(r.endCount, 2 * r.bd.objectCount - 1);
  for (int e = 0; e <= r.endCount; ++e) EXPECT_EQ(r.bd.endPoints[e].label, e / 2) << "end point " << e;
  for (int e = r.endCount + 1; e < CBorderDetection::kMaxEndPoints; ++e) EXPECT_EQ(r.bd.endPoints[e].label, -1);
}

TEST(BorderDetect, UniformFrameFindsNothing) {
  for (int bpp : {8, 32}) {
    const FrameBuffer f = FrameBuffer::make(40, 30, bpp, 120);
    Detection r;
    r.lengths.fill(99);
    r.rect(f, nullptr, kThreshold, 10, 10);
    EXPECT_EQ(r.endCount, -1);
    EXPECT_EQ(r.bd.objectCount, 0);
    EXPECT_EQ(r.lengths, decltype(r.lengths){});
    EXPECT_TRUE(r.pixelsOf(255).size() == 40u * 30u);
    EXPECT_EQ(r.bd.endPoints[0].x, -1.0f);
  }
}

TEST(BorderDetect, SingleObjectsGiveOneClosedLabel) {
  struct Case {
    const char* what;
    int bpp;
    std::function<void(FrameBuffer&)> draw;
    Box box;
  } cases[] = {
      {"disc", 8, [](FrameBuffer& f) { border_test::Disc(f, 40, 30, 15, kDark); }, {25, 15, 55, 45}},
      {"rectangle", 8, [](FrameBuffer& f) { border_test::Box(f, 20, 12, 61, 39, kDark); }, {20, 12, 61, 39}},
      {"disc, 32 bpp", 32, [](FrameBuffer& f) { border_test::Disc(f, 40, 30, 15, kDark); }, {25, 15, 55, 45}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FrameBuffer f = FrameBuffer::make(80, 60, c.bpp, kLight);
    c.draw(f);
    Detection r;
    r.rect(f, nullptr, kThreshold, 8, 8);
    ASSERT_EQ(r.bd.objectCount, 1);
    ExpectClosedObject(r, f, 0, c.box);
    ExpectPairedEndPoints(r);
    // A closed border repeats its end point.
    EXPECT_EQ(r.bd.endPoints[0].x, r.bd.endPoints[1].x);
    EXPECT_EQ(r.bd.endPoints[0].y, r.bd.endPoints[1].y);
  }
}

TEST(BorderDetect, RingGivesAnOuterAndAnInnerBorder) {
  FrameBuffer f = FrameBuffer::make(90, 90, 8, kLight);
  border_test::Disc(f, 45, 45, 30, kDark);
  border_test::Disc(f, 45, 45, 14, kLight);
  Detection r;
  r.rect(f, nullptr, kThreshold, 9, 9);
  ASSERT_EQ(r.bd.objectCount, 2);
  const bool outerFirst = r.record(0).maxX > r.record(1).maxX;
  const int outer = outerFirst ? 0 : 1, inner = 1 - outer;
  ExpectClosedObject(r, f, outer, {15, 15, 75, 75});
  // The inner border runs round the hole: drawn light, bordered by the ring.
  EXPECT_TRUE(r.valid[inner]);
  EXPECT_FALSE(r.open[inner]);
  EXPECT_TRUE(r.encloses(inner, 45, 45));
  EXPECT_NEAR(r.record(inner).minX, 31, 2);
  EXPECT_NEAR(r.record(inner).maxX, 59, 2);
  EXPECT_NEAR(r.record(inner).minY, 31, 2);
  EXPECT_NEAR(r.record(inner).maxY, 59, 2);
  for (auto [x, y] : r.pixelsOf(inner)) EXPECT_TRUE(OnBorder(f, x, y));
  ExpectPairedEndPoints(r);
}

TEST(BorderDetect, SeveralObjectsGetOneLabelEach) {
  FrameBuffer f = FrameBuffer::make(120, 90, 8, kLight);
  const Box boxes[] = {{10, 10, 35, 30}, {70, 8, 105, 20}, {15, 55, 39, 79}, {70, 50, 100, 80}};
  border_test::Box(f, 10, 10, 35, 30, kDark);
  border_test::Box(f, 70, 8, 105, 20, kDark);
  border_test::Disc(f, 27, 67, 12, kDark);
  border_test::Disc(f, 85, 65, 15, kDark);
  Detection r;
  r.rect(f, nullptr, kThreshold, 12, 12);
  ASSERT_EQ(r.bd.objectCount, 4);
  std::set<int> seen;
  for (const Box& b : boxes) {
    const int label = r.labelAt(b.x0, (b.y0 + b.y1) / 2) != 255 ? r.labelAt(b.x0, (b.y0 + b.y1) / 2)
                                                                : r.labelAt(b.x0 - 1, (b.y0 + b.y1) / 2);
    ASSERT_LT(label, 4) << b.x0 << "," << b.y0;
    seen.insert(label);
    ExpectClosedObject(r, f, label, b);
  }
  EXPECT_EQ(seen.size(), 4u);
  ExpectPairedEndPoints(r);
}

TEST(BorderDetect, ObjectCutByTheRegionIsTracedToItsEdgeAndNotValid) {
  FrameBuffer f = FrameBuffer::make(100, 60, 8, kLight);
  border_test::Box(f, 40, 15, 90, 45, kDark);                    // runs out of the region on the right
  border_test::Box(f, 10, 20, 25, 40, kDark);                    // wholly inside
  const TRectangularRegion region{32.5, 30.0, 60.0, 54.0, 0.0};  // x 2.5..62.5
  Detection r;
  r.rect(f, &region, kThreshold, 10, 0);
  ASSERT_EQ(r.bd.objectCount, 2);
  const int cut = r.labelAt(40, 30) != 255 ? r.labelAt(40, 30) : r.labelAt(39, 30);
  ASSERT_LT(cut, 2);
  EXPECT_FALSE(r.valid[cut]);
  EXPECT_TRUE(r.valid[1 - cut]);
  int maxX = 0;
  for (auto [x, y] : r.pixelsOf(cut)) maxX = std::max(maxX, x);
  EXPECT_EQ(maxX, 63);  // the first pixel outside the region ends each trace
  ExpectPairedEndPoints(r);
}

TEST(BorderDetect, LongOpenEdgeIsContinuedByTheSecondTrace) {
  FrameBuffer f = FrameBuffer::make(60, 80, 8, kLight);
  border_test::Box(f, 0, 0, 29, 79, kDark);  // a vertical step across the whole frame
  struct Case {
    int lines;
    bool open;               // the continuation must make at least 11 steps to keep the border open
  } cases[] = {{1, true},    // first peak on row 40: both traces are long
               {6, false}};  // first peak on row 6: the continuation down to row 1 is short
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    Detection r;
    r.rect(f, nullptr, kThreshold, c.lines, 0);
    ASSERT_EQ(r.bd.objectCount, 1);
    EXPECT_EQ(r.open[0], c.open);
    EXPECT_FALSE(r.valid[0]);  // ends on the frame's inner margin
    std::set<int> rows;
    for (auto [x, y] : r.pixelsOf(0)) {
      EXPECT_TRUE(x == 29 || x == 30) << x;
      rows.insert(y);
    }
    EXPECT_EQ(*rows.begin(), 1);
    EXPECT_EQ(*rows.rbegin(), 78);
    EXPECT_EQ(rows.size(), 78u);
    EXPECT_GE(r.lengths[0], 74);
    ExpectPairedEndPoints(r);
    // The two ends of the border, one per trace.
    const float y0 = r.bd.endPoints[0].y, y1 = r.bd.endPoints[1].y;
    EXPECT_EQ(std::min(y0, y1), 1.0f);
    EXPECT_EQ(std::max(y0, y1), 78.0f);
  }
}

TEST(BorderDetect, LabelLimit) {
  // 20 x 15 squares, more than the 254 labels there are.
  FrameBuffer f = FrameBuffer::make(244, 184, 8, kLight);
  for (int j = 0; j < 15; ++j)
    for (int i = 0; i < 20; ++i) border_test::Box(f, 4 + 12 * i, 4 + 12 * j, 11 + 12 * i, 11 + 12 * j, kDark);
  struct Case {
    int maxObjects, objects;
  } cases[] = {{-1, 254}, {300, 254}, {253, 254}, {5, 6}, {0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.maxObjects);
    Detection r;
    r.rect(f, nullptr, kThreshold, 184, 0, c.maxObjects);
    EXPECT_EQ(r.bd.objectCount, c.objects);
    int maxLabel = -1;
    for (int y = 0; y < f.depth(); ++y)
      for (int x = 0; x < f.width(); ++x)
        if (r.labelAt(x, y) != 255) maxLabel = std::max(maxLabel, r.labelAt(x, y));
    EXPECT_EQ(maxLabel, c.objects - 1);
    ExpectPairedEndPoints(r);
  }
}

TEST(BorderDetect, RunOfContrastAtTheEndOfAScanLineGivesNoPeak) {
  FrameBuffer f = FrameBuffer::make(60, 40, 8, kLight);
  border_test::Box(f, 31, 0, 59, 39, kDark);
  struct Case {
    double cx, width;
    int objects;
  } cases[] = {{15.0, 31.0, 0},   // lines x 0..30: the edge run is cut by the line's end
               {16.0, 33.0, 1}};  // lines x 0..32: the run ends inside the line
  for (const Case& c : cases) {
    const TRectangularRegion region{c.cx, 20.0, c.width, 40.0, 0.0};
    Detection r;
    r.rect(f, &region, kThreshold, 4, 0);
    EXPECT_EQ(r.bd.objectCount, c.objects) << c.width;
  }
}

TEST(BorderDetect, RingRegion) {
  FrameBuffer f = FrameBuffer::make(120, 100, 8, kLight);
  border_test::Disc(f, 50, 50, 18, kDark);      // crossed by the arcs, wholly inside the region
  border_test::Box(f, 95, 10, 110, 25, kDark);  // outside the region
  const TRingRegion ring{50.0, 50.0, 8.0, 35.0, 0.0, 0.0};
  Detection r;
  r.ring(f, &ring, kThreshold, 6);
  ASSERT_EQ(r.bd.objectCount, 1);
  ExpectClosedObject(r, f, 0, {32, 32, 68, 68});
  ExpectPairedEndPoints(r);
  for (auto [x, y] : r.pixelsOf(0)) EXPECT_LT(x, 90);

  // A ring region that cuts the disc: traced to the region's edge, not valid.
  const TRingRegion cutting{80.0, 50.0, 5.0, 25.0, 0.0, 0.0};
  Detection c;
  c.ring(f, &cutting, kThreshold, 5);
  ASSERT_GE(c.bd.objectCount, 1);
  EXPECT_FALSE(c.valid[0]);
  for (auto [x, y] : c.pixelsOf(0)) EXPECT_LE(std::hypot(x - 80.0, y - 50.0), 27.0);
  ExpectPairedEndPoints(c);
}

// The box of every labelled pixel of the mark frame (maxX < minX when none).
Box LabelledBox(const Detection& r) {
  Box b{r.mark.width(), r.mark.depth(), -1, -1};
  for (int y = 0; y < r.mark.depth(); ++y)
    for (int x = 0; x < r.mark.width(); ++x)
      if (r.labelAt(x, y) != CBorderDetection::kFree) {
        b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), std::max(b.y1, y)};
      }
  return b;
}

TEST(BorderDetect, MarkedBoxIsTheBoxOfTheLabelledPixels) {
  FrameBuffer objects = FrameBuffer::make(120, 90, 8, kLight);
  border_test::Box(objects, 10, 10, 35, 30, kDark);
  border_test::Disc(objects, 85, 65, 15, kDark);
  FrameBuffer edge = FrameBuffer::make(60, 40, 8, kLight);
  border_test::Box(edge, 0, 0, 29, 39, kDark);  // a step that reaches the frame's edges
  const FrameBuffer uniform = FrameBuffer::make(60, 40, 8, kLight);
  const TRingRegion ring{85.0, 65.0, 8.0, 30.0, 0.0, 0.0};
  // One object in turn, so that each detection starts from the last one's box.
  Detection r;
  for (int step = 0; step < 4; ++step) {
    SCOPED_TRACE(step);
    if (step == 0) r.rect(objects, nullptr, kThreshold, 12, 12);
    if (step == 1) r.rect(edge, nullptr, kThreshold, 8, 8);
    if (step == 2) r.ring(objects, &ring, kThreshold, 6);
    if (step == 3) r.rect(uniform, nullptr, kThreshold, 8, 8);
    const Box want = LabelledBox(r);
    EXPECT_EQ(r.bd.markedMinX, step == 3 ? 0 : want.x0);
    EXPECT_EQ(r.bd.markedMinY, step == 3 ? 0 : want.y0);
    EXPECT_EQ(r.bd.markedMaxX, want.x1);
    EXPECT_EQ(r.bd.markedMaxY, want.y1);
  }
}

TEST(BorderDetect, RecordSumsHoldLongBordersFarFromTheOrigin) {
  // A horizontal step 70000 pixels long: the sum of x passes 2^31.
  FrameBuffer f = FrameBuffer::make(70000, 8, 8, kLight);
  border_test::Box(f, 0, 0, 69999, 3, kDark);
  Detection r;
  r.rect(f, nullptr, kThreshold, 0, 1);
  ASSERT_EQ(r.bd.objectCount, 1);
  const BorderObjectRecord& rec = r.record(0);
  EXPECT_GT(rec.sumX, static_cast<int64_t>(INT32_MAX));
  EXPECT_NEAR(static_cast<double>(rec.sumX) / r.lengths[0], 35000.0, 100.0);
  EXPECT_EQ(rec.minX, 1);
  EXPECT_EQ(rec.maxX, 69998);
}

TEST(BorderDetect, WithoutRecordArrayNoRecordsAreMade) {
  FrameBuffer f = FrameBuffer::make(60, 50, 8, kLight);
  border_test::Disc(f, 30, 25, 10, kDark);
  Detection r(false);
  r.rect(f, nullptr, kThreshold, 5, 5);
  EXPECT_EQ(r.bd.objectCount, 1);
  EXPECT_EQ(r.bd.objectRecords, nullptr);
  EXPECT_EQ(r.bd.recordCapacity, 0);
}

TEST(BorderDetect, MarkFrameSmallerThanTheSourceIsNeverWrittenOutside) {
  FrameBuffer f = FrameBuffer::make(60, 50, 8, kLight);
  border_test::Disc(f, 15, 15, 8, kDark);
  border_test::Disc(f, 45, 35, 8, kDark);
  Detection r;
  FrameBuffer mark = FrameBuffer::make(30, 30, 8, 255);
  r.bd.DetectBorderInRectRegion(f.frame(), mark.frame(), nullptr, &r.bd, nullptr, kThreshold, 10, 10, -1, false,
                                border_test::CollectEdgePoint, &r.endCount, r.lengths.data(), r.valid.data(),
                                r.open.data());
  EXPECT_EQ(r.bd.objectCount, 1);  // only the disc that the mark frame covers
  EXPECT_EQ(r.endCount, 1);
}

TEST(BorderDetect, AssignedObjectSharesArraysAndOutlivesTheOriginal) {
  FrameBuffer f = FrameBuffer::make(60, 50, 8, kLight);
  border_test::Disc(f, 30, 25, 10, kDark);
  CBorderDetection copy;
  {
    Detection r(false);
    r.rect(f, nullptr, kThreshold, 5, 5);
    copy = r.bd;
    EXPECT_EQ(copy.sampleX, r.bd.sampleX);
    EXPECT_EQ(copy.edgeY, r.bd.edgeY);
    EXPECT_EQ(copy.objectCount, 1);
    EXPECT_EQ(copy.endPoints[1].label, 0);
  }
  // The original is gone; the copy still owns usable arrays.
  talvix::FrameBuffer mark = FrameBuffer::make(60, 50, 8, 255);
  int endCount = 0;
  std::array<int, 256> lengths{};
  std::array<bool, 256> valid{}, open{};
  copy.DetectBorderInRectRegion(f.frame(), mark.frame(), nullptr, &copy, nullptr, kThreshold, 5, 5, -1, false,
                                border_test::CollectEdgePoint, &endCount, lengths.data(), valid.data(), open.data());
  EXPECT_EQ(copy.objectCount, 1);
}

}  // namespace
