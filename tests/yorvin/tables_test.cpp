// The transform size and the stage tables that drive the passes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fft_engine.h"
#include "fft_tables.h"
#include "gl_test_util.h"
#include "talvix/host.hpp"

namespace {

using namespace yorvin;

TEST(YorvinTables, SizeFromWidth) {
  const int cases[][2] = {{1, 2}, {2, 2}, {3, 4}, {640, 1024}, {1024, 1024}, {1025, 2048}};
  for (const auto& c : cases) EXPECT_EQ(FftSize(c[0]), c[1]) << c[0];
}

TEST(YorvinTables, StagesForEight) {
  const StageTables t = MakeStageTables(8);
  ASSERT_EQ(t.stages, 3);
  auto pair = [&](int s, int p) {
    return std::pair<int, int>(static_cast<int>(t.indices[(s * 8 + p) * 2]), static_cast<int>(t.indices[(s * 8 + p) * 2 + 1]));
  };
  // Stage 0: bit-reversed pairs, both positions of a butterfly alike.
  const std::pair<int, int> stage0[] = {{0, 4}, {0, 4}, {2, 6}, {2, 6}, {1, 5}, {1, 5}, {3, 7}, {3, 7}};
  for (int p = 0; p < 8; ++p) EXPECT_EQ(pair(0, p), stage0[p]) << p;
  const std::pair<int, int> stage1[] = {{0, 2}, {1, 3}, {0, 2}, {1, 3}, {4, 6}, {5, 7}, {4, 6}, {5, 7}};
  const std::pair<int, int> stage2[] = {{0, 4}, {1, 5}, {2, 6}, {3, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  for (int p = 0; p < 8; ++p) {
    EXPECT_EQ(pair(1, p), stage1[p]) << p;
    EXPECT_EQ(pair(2, p), stage2[p]) << p;
  }
  for (int p = 0; p < 8; p += 2) {
    EXPECT_EQ(t.real[p], 1.0f);
    EXPECT_EQ(t.imag[p], -0.0f);
    EXPECT_EQ(t.real[p + 1], -1.0f);
    EXPECT_EQ(t.imag[p + 1], 0.0f);
  }
  // Every butterfly: opposite weights at its two positions, w = e^(-i 2 pi k / 2b).
  for (int s = 0; s < 3; ++s) {
    const int b = 1 << s;
    for (int p = 0; p < 8; ++p) {
      if ((p / b) % 2) continue;  // p is the first position of its butterfly
      const int k = p % b;
      const double theta = 2 * M_PI * k / (2 * b);
      EXPECT_NEAR(t.real[s * 8 + p], std::cos(theta), 1e-6) << s << " " << p;
      EXPECT_NEAR(t.imag[s * 8 + p], -std::sin(theta), 1e-6) << s << " " << p;
      EXPECT_EQ(t.real[s * 8 + p + b], -t.real[s * 8 + p]);
      EXPECT_EQ(t.imag[s * 8 + p + b], -t.imag[s * 8 + p]);
    }
  }
}

// Indices up to 4095 survive the texture exactly (half floats would not
// above 2048).
TEST(YorvinTables, IndexTexturesHoldLargeIndicesExactly) {
  REQUIRE_GL();
  const int n = 4096;
  const StageTables t = MakeStageTables(n);
  gl_test::Lent lent(nullptr);
  ASSERT_TRUE(lent.ok());
  for (int s : {0, t.stages - 1}) {
    for (bool column : {false, true}) {
      const GLuint tex = CreateIndexTexture(&t.indices[static_cast<size_t>(s) * n * 2], n, column);
      std::vector<float> back(static_cast<size_t>(n) * 2, -1);
      glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_LUMINANCE_ALPHA, GL_FLOAT, back.data());
      glDeleteTextures(1, &tex);
      for (int i = 0; i < 2 * n; ++i) {
        ASSERT_EQ(back[i], t.indices[static_cast<size_t>(s) * n * 2 + i]) << "stage " << s << " entry " << i / 2;
      }
    }
  }
}

}  // namespace
