// Data Matrix codewords from a drawn, axis-parallel grid: the field tables,
// the size table, module sampling with placement for every size, and
// Reed-Solomon correction of interleaved blocks.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "dm_decode.h"
#include "dm_grid.h"

namespace {

using dunsel::DmSize;
using dunsel::FindSymbolSize;
using dunsel::GaloisField;
using dunsel_test::DmOptions;
using dunsel_test::DrawnCodewords;
using dunsel_test::ZintDataMatrix;

const GaloisField& Field() {
  static const GaloisField gf;
  return gf;
}

// Carry-less product reduced by the field polynomial.
int SlowMul(int a, int b) {
  int p = 0;
  for (; b; b >>= 1) {
    if (b & 1) p ^= a;
    a <<= 1;
    if (a & 0x100) a ^= 0x12D;
  }
  return p;
}

TEST(DataMatrixField, TablesMatchPolynomialArithmetic) {
  const GaloisField& gf = Field();
  EXPECT_EQ(gf.log(1), 255);
  EXPECT_EQ(gf.log(0), -255);
  EXPECT_EQ(gf.power(0), 1);
  EXPECT_EQ(gf.power(8), 0x2D);
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const uint8_t p = gf.mul(static_cast<uint8_t>(a), static_cast<uint8_t>(b));
      ASSERT_EQ(p, SlowMul(a, b)) << a << " * " << b;
      ASSERT_EQ(gf.add(static_cast<uint8_t>(a), static_cast<uint8_t>(b)), a ^ b);
      if (b != 0) {
        ASSERT_EQ(gf.div(p, static_cast<uint8_t>(b)), a) << a << " * " << b << " / " << b;
      }
    }
  }
}

TEST(DataMatrixSizes, LookupByRowsAndColumns) {
  struct Case {
    int rows, cols;
    int total;  // 0: no size
    int blocks;
  };
  const Case cases[] = {{10, 10, 8, 1},   {12, 12, 12, 1}, {8, 18, 12, 1},     {18, 8, 0, 0},    {16, 48, 77, 1},
                        {52, 52, 288, 2}, {64, 64, 392, 2}, {144, 144, 2178, 10}, {11, 11, 0, 0}, {12, 18, 0, 0},
                        {8, 8, 0, 0}};
  for (const Case& c : cases) {
    const DmSize* s = FindSymbolSize(c.rows, c.cols);
    if (c.total == 0) {
      EXPECT_EQ(s, nullptr) << c.rows << "x" << c.cols;
      continue;
    }
    ASSERT_NE(s, nullptr) << c.rows << "x" << c.cols;
    EXPECT_EQ(s->totalCodewords, c.total);
    EXPECT_EQ(s->blocks, c.blocks);
  }
}

// Digits that fill about half of a symbol's data codewords.
std::string DigitsFor(const DmSize& s) {
  std::string d;
  for (int i = 0; i < s.dataCodewords(); ++i) d += static_cast<char>('0' + (i * 7) % 10);
  return d;
}

TEST(DataMatrixCodewords, EverySizeReadsFromItsDrawnGrid) {
  int count = 0;
  const DmSize* sizes = dunsel::SymbolSizes(&count);
  ASSERT_EQ(count, 30);
  for (int version = 1; version <= 30; ++version) {
    const DmSize& expected = sizes[version - 1];
    DmOptions o;
    o.size = version;
    const std::string text = DigitsFor(expected);
    const dunsel_test::DmMatrix m = ZintDataMatrix(text, o);
    ASSERT_EQ(m.rows, expected.rows);
    ASSERT_EQ(m.cols, expected.cols);
    for (bool negative : {false, true}) {
      SCOPED_TRACE(std::to_string(m.rows) + "x" + std::to_string(m.cols) + (negative ? " negative" : ""));
      dunsel_test::DrawnGrid g = dunsel_test::DrawGrid(m, 4, negative);
      dunsel::CodewordReader reader;
      std::vector<uint8_t> cw;
      dunsel::CodewordSample sample;
      ASSERT_TRUE(reader.Read(g.frame.frame(), g.candidate, expected, negative, 125, cw, sample));
      float unused = 0;
      ASSERT_TRUE(dunsel::CorrectReedSolomon(Field(), cw, expected, unused));
      EXPECT_FLOAT_EQ(unused, 1.0f);
      std::u16string decoded;
      dunsel::DecodeDataCodewords(cw.data(), expected.dataCodewords(), decoded);
      EXPECT_EQ(decoded, std::u16string(text.begin(), text.end()));
      EXPECT_NEAR(sample.contrast, (210 - 40) / 255.0, 0.01);
      EXPECT_FLOAT_EQ(sample.widthRatio, 0.9f);
    }
  }
}

TEST(DataMatrixCodewords, TracksTooShortForTheSizeReadNothing) {
  const dunsel_test::DmMatrix m = ZintDataMatrix("1234", DmOptions{.size = 2});
  dunsel_test::DrawnGrid g = dunsel_test::DrawGrid(m);
  dunsel::CodewordReader reader;
  std::vector<uint8_t> cw;
  dunsel::CodewordSample sample;
  // 12 x 12 counts but clock points of 10 x 10.
  g.candidate.rowPoints = 9;
  EXPECT_FALSE(reader.Read(g.frame.frame(), g.candidate, *FindSymbolSize(12, 12), false, 125, cw, sample));
}

// Indices of a block's codewords: the whole sequence is dealt to the blocks
// in turn.
std::vector<int> BlockIndices(const DmSize& s, int b) {
  std::vector<int> idx;
  for (int i = b; i < s.totalCodewords; i += s.blocks) idx.push_back(i);
  return idx;
}

// Changes `errors` codewords of every block, each to a different value.
std::vector<uint8_t> Damage(std::vector<uint8_t> cw, const DmSize& s, int errors, std::mt19937& rng) {
  for (int b = 0; b < s.blocks; ++b) {
    std::vector<int> idx = BlockIndices(s, b);
    std::shuffle(idx.begin(), idx.end(), rng);
    for (int e = 0; e < errors; ++e) cw[static_cast<size_t>(idx[static_cast<size_t>(e)])] ^= static_cast<uint8_t>(1 + rng() % 255);
  }
  return cw;
}

TEST(DataMatrixReedSolomon, CorrectsUpToHalfTheBlockErrorCorrection) {
  struct Case {
    int version;
  };
  // One block, two (52 x 52, 64 x 64), ten blocks of 218 and 217 codewords
  // (144 x 144), and rectangles.
  const Case cases[] = {{1}, {2}, {8}, {15}, {16}, {17}, {24}, {25}, {26}, {30}};
  std::mt19937 rng(7);
  int count = 0;
  const DmSize* sizes = dunsel::SymbolSizes(&count);
  for (const Case& c : cases) {
    const DmSize& s = sizes[c.version - 1];
    SCOPED_TRACE(std::to_string(s.rows) + "x" + std::to_string(s.cols));
    const std::vector<uint8_t> good = DrawnCodewords(ZintDataMatrix(DigitsFor(s), DmOptions{.size = c.version}));
    ASSERT_EQ(good.size(), static_cast<size_t>(s.totalCodewords));
    if (s.blocks == 10) {
      EXPECT_EQ(BlockIndices(s, 7).size(), 218u);
      EXPECT_EQ(BlockIndices(s, 8).size(), 217u);
    }
    const int t = s.ecCodewords / (2 * s.blocks);
    for (int errors : {1, (t + 1) / 2, t}) {
      std::vector<uint8_t> cw = Damage(good, s, errors, rng);
      float unused = 0;
      ASSERT_TRUE(dunsel::CorrectReedSolomon(Field(), cw, s, unused)) << errors << " errors per block";
      EXPECT_EQ(cw, good);
      EXPECT_NEAR(unused, 1.0 - 2.0 * errors * s.blocks / s.ecCodewords, 1e-5);
    }
    for (int trial = 0; trial < 3; ++trial) {
      std::vector<uint8_t> cw = Damage(good, s, t + 1, rng);
      float unused = 0;
      const bool ok = dunsel::CorrectReedSolomon(Field(), cw, s, unused);
      EXPECT_TRUE(!ok || cw != good) << t + 1 << " errors per block read as the symbol";
    }
  }
}

TEST(DataMatrixReedSolomon, ErrorsInOneBlockOnlyCountOnce) {
  const DmSize& s = *FindSymbolSize(64, 64);
  const std::vector<uint8_t> good = DrawnCodewords(ZintDataMatrix(DigitsFor(s), DmOptions{.size = 16}));
  std::vector<uint8_t> cw = good;
  const std::vector<int> idx = BlockIndices(s, 1);
  for (int e = 0; e < 5; ++e) cw[static_cast<size_t>(idx[static_cast<size_t>(e * 11)])] ^= 0x5A;
  float unused = 0;
  ASSERT_TRUE(dunsel::CorrectReedSolomon(Field(), cw, s, unused));
  EXPECT_EQ(cw, good);
  EXPECT_NEAR(unused, 1.0 - 10.0 / 112, 1e-5);
}

}  // namespace
