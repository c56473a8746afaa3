// modhost under bad input: truncated pictures, frames too large to write, the
// overlay only when something was drawn, what the written alpha shows, and
// inputs left off the command line.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image_io.h"
#include "modhost_cli.h"

namespace modhost_test {
namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = v >> 8;
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// A BITMAPFILEHEADER and BITMAPINFOHEADER (and `palette` entries) without the
// pixels they announce.
std::vector<uint8_t> BmpHeader(int w, int h, int bits, int palette) {
  const uint32_t offset = 54 + 4 * palette;
  std::vector<uint8_t> b(offset, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, offset + static_cast<uint32_t>(((w * bits + 31) / 32) * 4 * h));
  Put32(b, 10, offset);
  Put32(b, 14, 40);
  Put32(b, 18, w);
  Put32(b, 22, h);
  Put16(b, 26, 1);
  Put16(b, 28, bits);
  Put32(b, 46, palette);
  return b;
}

std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

TEST(ModhostBadInput, TruncatedPicturesAreRefusedByName) {
  struct Case {
    const char* file;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"header.pgm", Text("P5\n4000 4000\n255\n")},
      {"header.ppm", Text("P6 # a comment\n4000 4000 255\n")},
      {"header24.bmp", BmpHeader(4000, 4000, 24, 0)},
      {"header32.bmp", BmpHeader(4000, 4000, 32, 0)},
      {"palette8.bmp", BmpHeader(64, 64, 8, 256)},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    {
      std::ofstream f(dir / c.file, std::ios::binary);
      f.write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<std::streamsize>(c.bytes.size()));
    }
    Result r = RunModhost({"run", "ilvant", "copy_frame", "Input frame=" + (dir / c.file)}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("truncated"), std::string::npos) << r.err;
  }
}

// A PNG cut anywhere before the end of its IEND chunk is refused as truncated,
// not as a chunk of an unknown type; bytes after IEND are not the picture's.
TEST(ModhostBadInput, PngCutShortIsRefusedAsTruncated) {
  TempDir dir;
  talvix::FrameBuffer noise = talvix::FrameBuffer::make(40, 30, 32);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      for (int c = 0; c < 3; ++c) noise.pixel(x, y)[c] = static_cast<uint8_t>((x * 37 + y * 11 + c * 101) * 2654435761u >> 24);
  const std::string whole = dir / "whole.png";
  ASSERT_EQ(modhost::WritePng(noise, whole), "");
  std::vector<uint8_t> bytes;
  {
    std::ifstream f(whole, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(f), {});
  }
  ASSERT_GT(bytes.size(), 100u);
  const size_t n = bytes.size();
  const struct {
    size_t keep;
    bool extra;  // bytes appended after the whole file
    std::string problem;  // empty: read
  } cases[] = {
      {5, false, "fewer than a PNG signature"},
      {8, false, "ends before its IEND chunk"},
      {20, false, "its chunk at byte 8 ends at byte 33"},
      {n / 2, false, "ends at byte"},
      {n - 12, false, "ends before its IEND chunk"},
      {n - 4, false, "ends at byte " + std::to_string(n)},
      {n, false, ""},
      {n, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.keep << " of " << n << " bytes" << (c.extra ? " and more" : ""));
    const std::string path = dir / "cut.png";
    {
      std::ofstream f(path, std::ios::binary | std::ios::trunc);
      f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(c.keep));
      if (c.extra) f << "trailing bytes";
    }
    std::string error;
    const talvix::FrameBuffer read = modhost::ReadImage(path, 0, &error);
    if (c.problem.empty()) {
      ASSERT_EQ(error, "");
      EXPECT_EQ(read.width(), 40);
      EXPECT_EQ(read.depth(), 30);
      continue;
    }
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(error.rfind("truncated picture: the file holds " + std::to_string(c.keep) + " bytes", 0), 0u) << error;
    EXPECT_NE(error.find(c.problem), std::string::npos) << error;
  }
  Result r = RunModhost({"run", "ilvant", "copy_frame", "Input frame=" + (dir / "cut.png")}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  {
    std::ofstream f(dir / "cut.png", std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(n / 2));
  }
  r = RunModhost({"run", "ilvant", "copy_frame", "Input frame=" + (dir / "cut.png")}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cut.png"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("truncated"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("chunk type"), std::string::npos) << r.err;
}

// A few bytes whose header claims a picture past the pixel limit are refused
// by their claim, at once, before anything is decoded.
TEST(ModhostBadInput, PicturesClaimingTooManyPixelsAreRefused) {
  // JPEG: start of image, then a baseline frame header of 20000 x 20000 grey.
  std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0x4E, 0x20, 0x4E, 0x20, 1, 1, 0x11, 0};
  jpeg.resize(7500, 0);
  // PNG: the signature, an IHDR of 30000 x 20000 grey, and an empty IDAT.
  std::vector<uint8_t> png = {0x89, 'P',  'N',  'G',  '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                              0,    0,    0x75, 0x30, 0,    0,    0x4E, 0x20, 8, 0, 0, 0, 0, 0, 0, 0,
                              0,    0,    0,    0,    0,    'I',  'D',  'A',  'T'};
  struct Case {
    const char* file;
    std::vector<uint8_t> bytes;
    const char* claim;
  };
  const Case cases[] = {{"claims.jpg", jpeg, "20000 x 20000"}, {"claims.png", png, "30000 x 20000"}};
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    {
      std::ofstream f(dir / c.file, std::ios::binary);
      f.write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<std::streamsize>(c.bytes.size()));
    }
    const auto start = std::chrono::steady_clock::now();
    Result r = RunModhost({"run", "ilvant", "copy_frame", "Input frame=" + (dir / c.file)}, dir);
    // A child process: a wall bound, wide enough for a loaded machine (a
    // quiet refusal takes milliseconds; reading the claimed pixels, minutes).
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(std::string("claims ") + c.claim + " pixels"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("268435456"), std::string::npos) << r.err;
  }
  struct Size {
    int64_t w, d;
    bool readable;
  };
  for (const Size s : {Size{16384, 16384, true}, Size{16385, 16384, false}, Size{1, 268435456, true},
                       Size{2, 134217729, false}, Size{20000, 20000, false}, Size{1, 1, true}}) {
    EXPECT_EQ(modhost::PixelCountProblem(s.w, s.d).empty(), s.readable) << s.w << " x " << s.d;
  }
}

TEST(ModhostBadInput, PngSizeLimits) {
  struct Case {
    int64_t w, d;
    int channels;
    bool writable;
  };
  const Case cases[] = {
      {46340, 46340, 1, true},
      {4, 536870900, 1, false},
      {23200, 23200, 4, false},  // the overlay of a 23200 x 23200 grey frame
      {1, 1, 4, true},
      {0, 5, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.d) + "x" + std::to_string(c.channels));
    EXPECT_EQ(modhost::PngSizeProblem(c.w, c.d, c.channels).empty(), c.writable);
  }
}

TEST(ModhostBadInput, FrameThatCannotBeWrittenStaysInThePrintedReport) {
  TempDir dir;
  fs::create_directories(dir.path() / "out" / "Output_frame.png");  // a directory where the file should go
  Result r = RunModhost(
      {"run", "ilvant", "copy_frame", "Input frame=" + kSamples + "/scene_grey.png", "--out", dir / "out"}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  const auto frame = r.json()["outputs"]["Output frame"];
  EXPECT_TRUE(frame["path"].is_null());
  EXPECT_NE(frame["writeError"].get<std::string>().find("Output_frame.png"), std::string::npos);
}

TEST(ModhostBadInput, OverlayOnlyWhenSomethingWasDrawn) {
  TempDir dir;
  Result plain = RunModhost(
      {"run", "ilvant", "copy_frame", "Input frame=" + kSamples + "/scene_grey.png", "--out", dir / "plain"}, dir);
  EXPECT_EQ(plain.status, 0);
  EXPECT_TRUE(plain.json()["overlay"].is_null());
  EXPECT_FALSE(fs::exists(dir.path() / "plain" / "overlay.png"));

  Result drawn = RunModhost({"run", "ilvant", "region_pixel_count", "Input frame=" + kSamples + "/scene_grey.png",
                             "Input region=160,120,100,80,30", "Show results=true", "--out", dir / "drawn"},
                            dir);
  EXPECT_EQ(drawn.status, 0) << drawn.err;
  EXPECT_TRUE(fs::exists(dir.path() / "drawn" / "overlay.png"));
}

// Alpha of a written 32-bit output: opaque as the host shows it, or the
// frame's own with --keep-alpha (where paste_mask puts its mask).
TEST(ModhostBadInput, WrittenAlpha) {
  TempDir dir;
  const std::string colour = "Input frame=" + kSamples + "/scene_colour.png";
  const std::string grey = kSamples + "/scene_grey.png";
  struct Case {
    std::vector<std::string> args;
    bool keep;
    int alpha;  // -1: the mask's grey
  };
  const Case cases[] = {
      {{"resize", colour, "New width=100"}, false, 255},
      {{"resize", colour, "New width=100"}, true, 0},
      {{"paste_mask", colour, "Mask frame=" + grey}, true, -1},
  };
  const Picture mask = ReadPng(grey);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.args[0] + (c.keep ? " keeping alpha" : ""));
    const std::string out = dir / ("out" + std::to_string(i));
    std::vector<std::string> args = {"run", "ilvant"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"--out", out});
    if (c.keep) args.push_back("--keep-alpha");
    Result r = RunModhost(args, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture p = ReadPng(out + "/Output_frame.png");
    ASSERT_EQ(p.channels, 4);
    for (int y = 0; y < p.height; y += 7) {
      for (int x = 0; x < p.width; x += 5) {
        ASSERT_EQ(p.at(x, y)[3], c.alpha < 0 ? mask.at(x, y)[0] : c.alpha) << x << "," << y;
      }
    }
  }
}

// An input left off the command line reaches the method unconnected: the
// user palette's colours alone are spread evenly.
TEST(ModhostBadInput, InputsNotGivenAreUnconnected) {
  TempDir dir;
  Result r = RunModhost({"run", "ilvant", "false_color", "Input frame=" + kSamples + "/scene_grey.png",
                         "Predefined palette=0", "Border color=1,0,0", "Border color=0,1,0", "Border color=0,0,1"},
                        dir);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.json()["error"], "");
}

}  // namespace
}  // namespace modhost_test
