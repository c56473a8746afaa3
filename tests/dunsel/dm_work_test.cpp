// The Data Matrix location's work on pictures made to be slow: a fine texture
// makes thousands of finder segments, and every horizontal one was tried
// against every vertical one. The reader object runs in the test process, so
// that the pairs its last run tried can be read; ordinary symbols still read.
#include <gtest/gtest.h>
#include <omp.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "datamatrix_render.h"
#include "dm_location.h"
#include "dunsel_symbols.h"
#include "reader2d.h"

namespace {

using dunsel_test::DmMatrix;
using dunsel_test::DmOptions;
using dunsel_test::DmRender;
using dunsel_test::Reader;
using dunsel_test::Utf8;

struct InProcessRun {
  dunsel::CReadBarcode2D reader;
  talvix::RunContext ctx{Reader::Module(), Reader::Module().findMethod("datamatrix")};
  std::string answer;

  explicit InProcessRun(talvix::FrameBuffer f) {
    ctx.setFrame(u"Input frame", std::move(f));
    ctx.setFlags(u"Show results", {false});
  }
  bool go() {
    ctx.beginRun();
    const talvix::RunContext::ParamList in = ctx.inputList(), out = ctx.outputList();
    std::u16string error(256, u'\0');
    const bool ok = reader.Run(ctx.hostContext(), in.list, in.names, out.list, out.names, 255, error.data());
    const auto text = ctx.strings(u"Result string");
    answer = ok ? (text.empty() ? "<none>" : Utf8(text[0])) : "<" + Utf8(error.c_str()) + ">";
    return ok;
  }
};

// Grey 0 and 255 in squares of `cell` pixels, or at random (cell 0).
talvix::FrameBuffer Texture(int width, int depth, int cell) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(width, depth, 8);
  std::mt19937 rng(7);
  for (int y = 0; y < depth; ++y)
    for (int x = 0; x < width; ++x) {
      const bool light = cell > 0 ? (x / cell + y / cell) % 2 != 0 : (rng() & 1) != 0;
      f.pixel(x, y)[0] = light ? 255 : 0;
    }
  return f;
}

TEST(DataMatrixWork, TexturesAnswerNotFoundWithinTheRegionsBound) {
  struct Case {
    const char* what;
    int width, depth, cell;
  };
  // Before the bound the 1-px board of 320 x 240 tried about 30 million pairs
  // and scanned the extent of 200,000.
  const Case cases[] = {
      {"1-px checkerboard", 320, 240, 1},
      {"1-px checkerboard, smaller", 192, 144, 1},
      {"2-px checkerboard", 320, 240, 2},
      {"noise of 0 and 255", 320, 240, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InProcessRun run(Texture(c.width, c.depth, c.cell));
    EXPECT_FALSE(run.go());
    EXPECT_EQ(run.answer, "<Data matrix not found>");
    // Three passes, each pairing at most one segment of a family per 128
    // pixels and scanning at most one pair's extent per 64.
    const int64_t area = static_cast<int64_t>(c.width) * c.depth, segments = area / 128;
    EXPECT_LE(run.reader.locationWork().pairs, 3 * segments * segments);
    EXPECT_LE(run.reader.locationWork().extents, 3 * area / 64);
  }
}

TEST(DataMatrixWork, OneAnswerAndOneAmountOfWorkAtAnyThreadCount) {
  const talvix::FrameBuffer board = Texture(320, 240, 1);
  const int before = omp_get_max_threads();
  dunsel::PairWork first;
  for (int threads : {1, 2, 8}) {
    omp_set_num_threads(threads);
    InProcessRun run(board);
    EXPECT_FALSE(run.go()) << threads;
    const dunsel::PairWork work = run.reader.locationWork();
    if (threads == 1) first = work;
    EXPECT_EQ(work.pairs, first.pairs) << threads;
    EXPECT_EQ(work.extents, first.extents) << threads;
  }
  omp_set_num_threads(before);
}

// Fine modules filling the frame make the most segments an ordinary picture
// has (about one per 170 pixels); a symbol beside a texture keeps its legs,
// the longest segments of the picture.
TEST(DataMatrixWork, DenseSymbolsAndASymbolBesideATextureRead) {
  struct Case {
    int version;
    double module;
  };
  for (const Case c : {Case{24, 3}, Case{22, 2.5}, Case{16, 3}, Case{12, 2.5}}) {
    const DmMatrix m = dunsel_test::ZintDataMatrix("Dense", DmOptions{.size = c.version});
    DmRender r;
    r.module = c.module;
    r.width = static_cast<int>(m.cols * c.module) + 24;
    r.depth = static_cast<int>(m.rows * c.module) + 24;
    InProcessRun run(dunsel_test::RenderDataMatrix(m, r));
    EXPECT_TRUE(run.go()) << m.rows << "x" << m.cols << " at " << c.module << " px: " << run.answer;
    EXPECT_EQ(run.answer, "Dense");
  }

  const DmMatrix m = dunsel_test::ZintDataMatrix("Beside", DmOptions{.size = 8});
  DmRender r;
  r.width = 480;
  r.depth = 240;
  r.module = 6;
  r.cx = 120;
  r.cy = 120;
  talvix::FrameBuffer f = dunsel_test::RenderDataMatrix(m, r);
  for (int y = 0; y < r.depth; ++y)
    for (int x = 260; x < r.width; ++x) f.pixel(x, y)[0] = (x + y) % 2 != 0 ? 255 : 0;
  InProcessRun run(f);
  EXPECT_TRUE(run.go()) << run.answer;
  EXPECT_EQ(run.answer, "Beside");
}

// A pass can end on its bound before every pair has been tried. A texture
// beside a symbol must not spend the bound before the symbol's legs are
// tried, whichever side it lies on and so wherever its segments come in the
// lists: the symbol reads in the first pass.
TEST(DataMatrixWork, ASymbolReadsInTheFirstPassOnAnySideOfATexture) {
  struct Side {
    const char* what;
    int width, depth;
    int cx, cy;              // the symbol's centre as displayed
    int tx0, ty0, tx1, ty1;  // the texture as displayed, ends excluded
  };
  const Side sides[] = {
      {"texture above", 240, 600, 120, 535, 0, 0, 240, 470},
      {"texture below", 240, 600, 120, 65, 0, 130, 240, 600},
      {"texture left", 600, 240, 535, 120, 0, 0, 470, 240},
      {"texture right", 600, 240, 65, 120, 130, 0, 600, 240},
  };
  struct Kind {
    const char* what;
    int tile;  // the board's phase turns over from tile to tile; 0: one board
  };
  // One board chains into segments longer than the symbol's legs; the tiles
  // keep them short.
  const Kind kinds[] = {{"1-px checkerboard", 0}, {"1-px checkerboard in 12-px tiles", 12}};
  const DmMatrix m = dunsel_test::ZintDataMatrix("Beside", DmOptions{.size = 8});
  for (const Kind& k : kinds)
    for (const Side& c : sides) {
      SCOPED_TRACE(std::string(k.what) + ", " + c.what);
      DmRender r;
      r.width = c.width;
      r.depth = c.depth;
      r.cx = c.cx;
      r.cy = c.cy;
      talvix::FrameBuffer f = dunsel_test::RenderDataMatrix(m, r);
      // The frame is stored bottom-up.
      for (int y = c.ty0; y < c.ty1; ++y)
        for (int x = c.tx0; x < c.tx1; ++x) {
          const int phase = k.tile > 0 ? x / k.tile + y / k.tile : 0;
          f.pixel(x, c.depth - 1 - y)[0] = (x + y + phase) % 2 != 0 ? 255 : 0;
        }
      InProcessRun run(f);
      EXPECT_TRUE(run.go()) << run.answer;
      EXPECT_EQ(run.answer, "Beside");
      // No more extents scanned than one pass may.
      EXPECT_LE(run.reader.locationWork().extents, static_cast<int64_t>(c.width) * c.depth / 64);
    }
}

TEST(DataMatrixWork, ThePassKeepsTheLongestSegments) {
  dunsel::ScanFamily f;
  // Lengths 10, 30, 20, 30, 5 along x, and a deleted one.
  for (int length : {10, 30, 20, 30, 5, 40}) f.segments.push_back({0, length / 2, length, 7, 7, 7, false, true});
  f.segments.back().erase();
  auto alive = [&] {
    std::vector<bool> out;
    for (const dunsel::LegSegment& s : f.segments) out.push_back(s.alive());
    return out;
  };
  dunsel::KeepLongestSegments(f, 10);
  EXPECT_EQ(alive(), (std::vector<bool>{true, true, true, true, true, false})) << "under the bound";
  dunsel::KeepLongestSegments(f, 3);
  EXPECT_EQ(alive(), (std::vector<bool>{false, true, true, true, false, false}));
  dunsel::KeepLongestSegments(f, 1);
  EXPECT_EQ(alive(), (std::vector<bool>{false, true, false, false, false, false})) << "of equal lengths the earlier";
}

}  // namespace
