// The command-line host writes the picture a GPU method without an output
// frame leaves in the host's framebuffer as picture.png.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "haar_rig.h"
#include "modhost_cli.h"

namespace {

using modhost_test::ReadPng;
using modhost_test::RunModhost;
using modhost_test::TempDir;

TEST(TarnisModhost, PictureIsWrittenAsPictureFile) {
  REQUIRE_GL();
  TempDir dir;
  // A vertical edge, stored top-down as the file holds it.
  const int w = 22, h = 15;
  const auto frame = tarnis_test::EdgeFrame(w, h, 8, [](int x, int) { return x >= 9; });
  modhost_test::Picture file{w, h, 1, std::vector<uint8_t>(static_cast<size_t>(w) * h)};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) file.bytes[static_cast<size_t>(h - 1 - y) * w + x] = frame.pixel(x, y)[0];
  }
  modhost_test::WritePng(file, dir / "edge.png");

  auto r = RunModhost({"run", "tarnis", "gpu_haar", "input frame=" + (dir / "edge.png") + ":8", "filter mode=4",
                       "--out", dir / "out"},
                      dir);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_EQ(r.json()["picture"]["path"], dir / "out/picture.png");
  const modhost_test::Picture pic = ReadPng(dir / "out/picture.png");
  ASSERT_EQ(pic.width, w);
  ASSERT_EQ(pic.height, h);
  ASSERT_GE(pic.channels, 3);
  // Back to memory rows and BGRA bytes, for the reference.
  auto shown = talvix::FrameBuffer::make(w, h, 32, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = pic.at(x, h - 1 - y);
      uint8_t* q = shown.pixel(x, y);
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
    }
  }
  tarnis_test::ExpectGradientPicture(shown, frame, 5, 4, false, [](int, int) { return true; });

  // A method that reads no picture back leaves none.
  r = RunModhost({"run", "ilvant", "copy_frame", "Input frame=" + (dir / "edge.png"), "--out", dir / "plain"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.json()["picture"].is_null());
  EXPECT_FALSE(modhost_test::fs::exists(dir.path() / "plain" / "picture.png"));
}

}  // namespace
