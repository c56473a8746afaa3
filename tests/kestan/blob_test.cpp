// The module's real passes on pictures of blobs: keypoints at the blob
// centres, and descriptors that turn with the picture.
#include <gtest/gtest.h>

#include <cmath>

#include "gl_test_util.h"
#include "kestan_support.h"

namespace {

using namespace kestan_test;
using kestan::FeatureRecord;

const std::vector<Blob> kBlobs = {{30, 24, 3, 90}, {70, 40, 4.5, -80}, {52, 60, 3.5, 100}};

TEST(FeatureBlobs, KeypointsAtTheBlobCentres) {
  REQUIRE_GL();
  module_test::MethodRun run("kestan", "gpu_keypoint");
  run.ctx.setFrame(u"input frame", Blobs(96, 80, kBlobs));
  run.ctx.setNumbers(u"features threshold", {0.01});
  ASSERT_TRUE(run().ok);
  const auto coords = run.ctx.coordinateSystems(u"coordinates of found points");
  const auto sizes = run.ctx.numbers(u"sizes of found points");
  ASSERT_EQ(run.ctx.numbers(u"number of found points"), std::vector<double>{double(coords.size())});
  ASSERT_EQ(sizes.size(), coords.size());
  for (const Blob& b : kBlobs) {
    bool found = false;
    for (const TCoordinateSystem& c : coords) found |= std::hypot(c.x - b.x, c.y - b.y) <= 1.0;
    EXPECT_TRUE(found) << b.x << ", " << b.y;
  }
  // One circle per point, and an orientation line each (mode 2).
  EXPECT_EQ(module_test::CallsOf(run.ctx.drawList(), "DrawCircle").size(), coords.size());
  EXPECT_EQ(module_test::CallsOf(run.ctx.drawList(), "DrawLine").size(), coords.size());
}

// Pearson correlation of two descriptors.
double Correlation(const float* a, const float* b) {
  double ma = 0, mb = 0;
  for (int i = 0; i < 64; ++i) ma += a[i] / 64.0, mb += b[i] / 64.0;
  double sab = 0, saa = 0, sbb = 0;
  for (int i = 0; i < 64; ++i) {
    sab += (a[i] - ma) * (b[i] - mb);
    saa += (a[i] - ma) * (a[i] - ma);
    sbb += (b[i] - mb) * (b[i] - mb);
  }
  return sab / std::sqrt(saa * sbb);
}

std::vector<FeatureRecord> Describe(const FrameBuffer& f) {
  module_test::MethodRun run("kestan", "gpu_feature_save_data");
  run.ctx.setFrame(u"input frame", f);
  run.ctx.setNumbers(u"features threshold", {0.01});
  EXPECT_TRUE(run().ok);
  return Parse(run.ctx.data(u"data object with found features")).records;
}

TEST(FeatureBlobs, DescriptorsTurnWithThePicture) {
  REQUIRE_GL();
  // A blob with smaller neighbours on one side, so that its orientation is defined.
  const std::vector<Blob> blobs = {{40, 36, 4, 100}, {52, 38, 2, -70}, {44, 50, 2.5, 60}, {30, 28, 2, -50}};
  const FrameBuffer upright = Blobs(88, 80, blobs);
  const std::vector<FeatureRecord> a = Describe(upright), b = Describe(Quarter(upright));
  ASSERT_FALSE(a.empty());
  int compared = 0;
  for (const FeatureRecord& r : a) {
    if (std::hypot(r.x - 40, r.y - 36) > 1.0) continue;
    // (x, y) lies at (h - 1 - y, x) in the turned picture.
    for (const FeatureRecord& s : b) {
      if (s.x != upright.depth() - 1 - r.y || s.y != r.x || s.size != r.size) continue;
      ++compared;
      EXPECT_NEAR(std::remainder(s.orientation - r.orientation - M_PI / 2, 2 * M_PI), 0.0, 0.05);
      EXPECT_GT(Correlation(r.descriptor, s.descriptor), 0.9);
    }
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
