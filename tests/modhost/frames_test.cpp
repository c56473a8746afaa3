// Image files through modhost: bit-exact PNG round trips that keep the
// picture's orientation, depth suffixes, output frame files and overlay.png.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <gtest/gtest.h>

#include "modhost_cli.h"

namespace modhost_test {
namespace {

using nlohmann::json;

// copy_frame hands the frame back unchanged, so the written PNG must equal the
// one read, pixel for pixel: no flip, no channel swap. Colour files come back
// as RGBA with alpha 255.
TEST(ModhostFrames, PngRoundTripThroughCopyFrameIsExact) {
  TempDir dir;
  struct Case {
    int channels, bpp, outChannels;
  };
  for (Case c : {Case{1, 8, 1}, Case{3, 32, 4}, Case{4, 32, 4}}) {
    SCOPED_TRACE(c.channels);
    Picture in = Asymmetric(37, 23, c.channels);  // odd width: padded frame rows
    if (c.channels == 4) {
      for (size_t i = 3; i < in.bytes.size(); i += 4) in.bytes[i] = 255;
    }
    WritePng(in, dir / "in.png");
    Result r =
        RunModhost({"run", "ilvant", "copy_frame", "Input frame=" + (dir / "in.png"), "--out", dir / "out"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    json frame = r.json()["outputs"]["Output frame"];
    EXPECT_EQ(frame["width"], 37);
    EXPECT_EQ(frame["height"], 23);
    EXPECT_EQ(frame["bpp"], c.bpp);
    Picture out = ReadPng(frame["path"].get<std::string>());
    Picture expected = in;
    if (c.channels == 3) {
      expected = Picture{37, 23, 4, {}};
      for (size_t i = 0; i < in.bytes.size(); i += 3) {
        expected.bytes.insert(expected.bytes.end(), {in.bytes[i], in.bytes[i + 1], in.bytes[i + 2], 255});
      }
    }
    EXPECT_EQ(out.channels, c.outChannels);
    EXPECT_TRUE(out == expected);
  }
}

// PGM, PPM and BMP read exactly and JPEG closely, each in picture orientation:
// echoed back and written as PNG, the picture is the one in the file.
TEST(ModhostFrames, OtherFileFormatsKeepPixelsAndOrientation) {
  TempDir dir;
  const Picture grey = Asymmetric(9, 5, 1), colour = Asymmetric(9, 5, 3);
  auto writeNetpbm = [&](const Picture& p, const char* magic, const std::string& path) {
    std::ofstream f(path, std::ios::binary);
    f << magic << '\n' << p.width << ' ' << p.height << "\n255\n";
    f.write(reinterpret_cast<const char*>(p.bytes.data()), static_cast<std::streamsize>(p.bytes.size()));
  };
  writeNetpbm(grey, "P5", dir / "grey.pgm");
  writeNetpbm(colour, "P6", dir / "colour.ppm");
  ASSERT_TRUE(stbi_write_bmp((dir / "colour.bmp").c_str(), 9, 5, 3, colour.bytes.data()));
  Picture opaque{9, 5, 4, {}};
  for (size_t i = 0; i < colour.bytes.size(); i += 3) {
    opaque.bytes.insert(opaque.bytes.end(), {colour.bytes[i], colour.bytes[i + 1], colour.bytes[i + 2], 255});
  }
  struct Case {
    std::string file;
    int bpp;
    const Picture* expected;
  };
  for (const Case& c : {Case{"grey.pgm", 8, &grey}, Case{"colour.ppm", 32, &opaque}, Case{"colour.bmp", 32, &opaque}}) {
    SCOPED_TRACE(c.file);
    Result r = RunModhost({"run", kEchoModule, "echo", "frame=" + (dir / c.file), "--out", dir / "o"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    json frame = r.json()["outputs"]["frame out"];
    EXPECT_EQ(frame["bpp"], c.bpp);
    EXPECT_TRUE(ReadPng(frame["path"].get<std::string>()) == *c.expected);
  }

  // JPEG is lossy: a red top half over a blue bottom half, compared coarsely.
  Picture halves{16, 16, 3, std::vector<uint8_t>(16 * 16 * 3, 0)};
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) halves.bytes[(y * 16 + x) * 3 + (y < 8 ? 0 : 2)] = 255;
  }
  ASSERT_TRUE(stbi_write_jpg((dir / "halves.jpg").c_str(), 16, 16, 3, halves.bytes.data(), 100));
  auto colourAt = [&](const std::string& point) {
    Result r =
        RunModhost({"run", "ilvant", "get_pixel", "Input frame=" + (dir / "halves.jpg"), "Input point=" + point}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.json()["outputs"]["Output color"];
  };
  json bottom = colourAt("3,2"), top = colourAt("3,13");
  EXPECT_GT(bottom["b"].get<double>(), 0.8);
  EXPECT_LT(bottom["r"].get<double>(), 0.2);
  EXPECT_GT(top["r"].get<double>(), 0.8);
  EXPECT_LT(top["b"].get<double>(), 0.2);
}

// The bottom line of the picture is memory row 0: get_pixel at y = 0 reads it.
TEST(ModhostFrames, BottomLineOfThePictureIsRowZero) {
  TempDir dir;
  Picture p{4, 3, 3, std::vector<uint8_t>(4 * 3 * 3, 0)};
  for (int x = 0; x < 4; ++x) {
    uint8_t* top = &p.bytes[x * 3];
    uint8_t* bottom = &p.bytes[(2 * 4 + x) * 3];
    top[0] = 255;     // red top line
    bottom[2] = 255;  // blue bottom line
  }
  WritePng(p, dir / "lines.png");
  auto colourAt = [&](const std::string& point) {
    Result r =
        RunModhost({"run", "ilvant", "get_pixel", "Input frame=" + (dir / "lines.png"), "Input point=" + point}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.json()["outputs"]["Output color"];
  };
  EXPECT_EQ(colourAt("1,0"), json::parse(R"({"r":0,"g":0,"b":1,"a":1})"));
  EXPECT_EQ(colourAt("1,2"), json::parse(R"({"r":1,"g":0,"b":0,"a":1})"));
}

TEST(ModhostFrames, DepthSuffixForcesTheFrameDepth) {
  TempDir dir;
  const std::string colour = kSamples + "/scene_colour.png", grey = kSamples + "/scene_grey.png";
  struct Case {
    std::string value;
    int bpp;
  };
  for (const Case& c : {Case{colour, 32}, Case{grey, 8}, Case{colour + ":8", 8}, Case{colour + ":24", 24},
                        Case{grey + ":32", 32}, Case{grey + ":24", 24}}) {
    SCOPED_TRACE(c.value);
    Result r = RunModhost({"run", kEchoModule, "echo", "frame=" + c.value}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    json frame = r.json()["outputs"]["frame out"];
    EXPECT_EQ(frame["bpp"], c.bpp);
    EXPECT_EQ(frame["width"], 320);
    EXPECT_EQ(frame["height"], 240);
    EXPECT_FALSE(frame.contains("path"));  // no --out, no file
  }
  // A forced 24-bit grey picture is written back as RGB with equal channels.
  Result r = RunModhost({"run", kEchoModule, "echo", "frame=" + grey + ":24", "--out", dir / "o"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  Picture in = ReadPng(grey), out = ReadPng(r.json()["outputs"]["frame out"]["path"].get<std::string>());
  ASSERT_EQ(out.channels, 3);
  for (int y : {0, 100, 239}) {
    for (int x : {0, 70, 319}) {
      for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(out.at(x, y)[ch], in.at(x, y)[0]);
    }
  }
}

// overlay.png: the input at 32 bits, the "overlay" frame and the drawing list
// on it, in picture orientation.
TEST(ModhostFrames, OverlayPictureHoldsInputOverlayAndDrawing) {
  TempDir dir;
  const std::string grey = kSamples + "/scene_grey.png";
  Result r = RunModhost({"run", kEchoModule, "echo", "frame=" + grey, "line=0,0,319,0", "--out", dir / "o"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  json overlay = r.json()["overlay"];
  EXPECT_EQ(overlay["path"], dir / "o/overlay.png");
  Picture in = ReadPng(grey), pic = ReadPng(overlay["path"].get<std::string>());
  ASSERT_EQ(pic.channels, 4);
  ASSERT_EQ(pic.height, 240);
  // The red line at y = 0 is the bottom line of the picture; the rest is the input.
  EXPECT_EQ(std::vector<uint8_t>(pic.at(10, 239), pic.at(10, 239) + 4), (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(std::vector<uint8_t>(pic.at(10, 0), pic.at(10, 0) + 4),
            (std::vector<uint8_t>{in.at(10, 0)[0], in.at(10, 0)[0], in.at(10, 0)[0], 255}));

  // region_pixel_count paints light and dark pixels into the "overlay" frame.
  r = RunModhost({"run", "ilvant", "region_pixel_count", "Input frame=" + grey, "Input region=70,170,20,20,0",
                  "Threshold=0.5", "Show results=true", "--out", dir / "p"},
                 dir);
  ASSERT_EQ(r.status, 0) << r.err;
  pic = ReadPng(dir / "p/overlay.png");
  const uint8_t* inside = pic.at(70, 239 - 170);
  const uint8_t* outside = pic.at(300, 10);
  EXPECT_NE(std::vector<uint8_t>(inside, inside + 3), std::vector<uint8_t>(3, in.at(70, 239 - 170)[0]));
  EXPECT_EQ(std::vector<uint8_t>(outside, outside + 3), std::vector<uint8_t>(3, in.at(300, 10)[0]));
}

}  // namespace
}  // namespace modhost_test
