// The region stage on the host's OpenGL context: drawn symbols at several
// angles and scales give regions along their bars; clutter gives none.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>

#include "barcode_render.h"
#include "gl_test_util.h"
#include "gpu/programs.h"
#include "orientation.h"

namespace {

class OrientationStage : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_GL();
    module = dlopen((talvix::DefaultModuleDirectory() + "/hoskin.so").c_str(), RTLD_LAZY);
    ASSERT_NE(module, nullptr) << dlerror();
    gpu::SetShaderModule(module, nullptr);
  }
  void TearDown() override {
    gpu::SetShaderModule(nullptr, nullptr);
    if (module) dlclose(module);
  }

  // The regions of one frame, with the whole set-up inside one lent context.
  struct Found {
    float dx, dy, cx, cy, halfWidth, halfLength;
  };
  std::vector<Found> Regions(talvix::FrameBuffer& f) {
    std::vector<Found> out;
    gl_test::Lent lent(f.frame());
    EXPECT_TRUE(lent.ok());
    hoskin::CBarcodeOrientation o;
    char16_t err[256] = {};
    const int w = f.width(), h = f.depth();
    EXPECT_TRUE(o.Setup(w, h, 8, 255, err)) << gl_test::Text(err);
    glDeleteTextures(1, &o.frameTexture);
    o.frameTexture = o.toolkit.CreateFrameTexture(GL_TEXTURE0, w, h, 8, f.row(0));
    o.passSize[0] = 5;
    o.UploadIntegralImage(w, h, 8, f.row(0), o.passSize, 0);
    o.Detect(nullptr, false);
    for (gpu::CListElem* e = o.regions.head; e; e = e->next) {
      const auto* r = static_cast<hoskin::CRegionListElem*>(e);
      out.push_back({r->dx, r->dy, r->cx, r->cy, r->halfWidth, r->halfLength});
    }
    o.Release();
    return out;
  }
  void* module = nullptr;
};

TEST_F(OrientationStage, RegionsLieAlongTheBarsAndCoverTheSymbol) {
  struct Case {
    double angle, module;
  };
  for (const Case& c : {Case{0, 2.0}, Case{90, 2.5}, Case{30, 2.0}, Case{-60, 3.0}}) {
    dunsel_test::Render r;
    r.width = 320, r.depth = 240, r.module = c.module, r.angle = c.angle, r.height = 80, r.noise = 6;
    const std::vector<int> bits = dunsel_test::ZintRow(BARCODE_CODE128, "Region");
    talvix::FrameBuffer f = dunsel_test::RenderRow(bits, r);
    const std::vector<Found> regions = Regions(f);
    ASSERT_EQ(regions.size(), 1u) << c.angle;
    const Found& g = regions[0];
    // Bars run along v = (-sin a, cos a) in the picture; memory rows flip y.
    const double a = c.angle * M_PI / 180;
    const double bx = -std::sin(a), by = -std::cos(a);
    const double len = std::hypot(g.dx, g.dy);
    const double cosine = std::fabs(g.dx * bx + g.dy * by) / len;
    EXPECT_GT(cosine, std::cos(6 * M_PI / 180)) << c.angle;  // within 6 degrees
    EXPECT_NEAR(g.cx, r.width / 2.0, 10) << c.angle;
    EXPECT_NEAR(g.cy, r.depth / 2.0, 10) << c.angle;
    // Across the bars the region reaches the symbol's ends.
    EXPECT_GT(g.halfWidth * len, bits.size() * c.module / 2 - 2 * 5) << c.angle;
  }
}

TEST_F(OrientationStage, ClutterWithoutCodesGivesNoRegion) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(240, 160, 8);
  uint32_t h = 9;
  for (int y = 0; y < 160; ++y) {
    for (int x = 0; x < 240; ++x) {
      h = h * 1664525u + 1013904223u;
      const bool blob = (x / 12 + y / 9) % 2 == 0;  // a checkerboard of blocks
      f.pixel(x, y)[0] = static_cast<uint8_t>((blob ? 60 : 190) + (h >> 28));
    }
  }
  EXPECT_TRUE(Regions(f).empty());
}

}  // namespace
