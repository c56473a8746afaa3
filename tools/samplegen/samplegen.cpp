// Draws the sample pictures of samples/: a grey scene with a few dark objects
// on a lit background, and a colour picture of coloured shapes. Pictures are
// drawn top-down, as image files store them. Usage: samplegen DIR
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 320, kDepth = 240;

struct Rgb {
  uint8_t r, g, b;
};

// A picture with `channels` bytes per pixel, row 0 at the top.
struct Picture {
  int channels;
  std::vector<uint8_t> bytes = std::vector<uint8_t>(static_cast<size_t>(kWidth) * kDepth * channels);

  void set(int x, int y, Rgb c) {
    uint8_t* p = &bytes[(static_cast<size_t>(y) * kWidth + x) * channels];
    if (channels == 1) {
      p[0] = c.r;
    } else {
      p[0] = c.r, p[1] = c.g, p[2] = c.b;
    }
  }
  // Paints every pixel whose centre lies inside the shape.
  void fill(const std::function<bool(double, double)>& inside, Rgb c) {
    for (int y = 0; y < kDepth; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (inside(x + 0.5, y + 0.5)) set(x, y, c);
      }
    }
  }
  bool save(const std::string& path) const {
    return stbi_write_png(path.c_str(), kWidth, kDepth, channels, bytes.data(), kWidth * channels) != 0;
  }
};

auto Disc(double cx, double cy, double r) {
  return [=](double x, double y) { return std::hypot(x - cx, y - cy) <= r; };
}
auto Ring(double cx, double cy, double r1, double r2) {
  return [=](double x, double y) {
    double d = std::hypot(x - cx, y - cy);
    return d >= r1 && d <= r2;
  };
}
// A rectangle of size w x h about (cx, cy), turned by `degrees`.
auto Box(double cx, double cy, double w, double h, double degrees) {
  double a = degrees * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
  return [=](double x, double y) {
    double u = (x - cx) * c + (y - cy) * s, v = -(x - cx) * s + (y - cy) * c;
    return std::abs(u) <= w / 2 && std::abs(v) <= h / 2;
  };
}
auto Triangle(double x0, double y0, double x1, double y1, double x2, double y2) {
  return [=](double x, double y) {
    auto side = [&](double ax, double ay, double bx, double by) { return (bx - ax) * (y - ay) - (by - ay) * (x - ax); };
    double a = side(x0, y0, x1, y1), b = side(x1, y1, x2, y2), c = side(x2, y2, x0, y0);
    return (a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0);
  };
}

Rgb Grey(int v) { return {static_cast<uint8_t>(v), static_cast<uint8_t>(v), static_cast<uint8_t>(v)}; }

// Lit background, brighter towards the top left, with dark objects.
Picture GreyScene() {
  Picture p{1};
  for (int y = 0; y < kDepth; ++y) {
    for (int x = 0; x < kWidth; ++x) p.set(x, y, Grey(215 - (x + y) / 16));
  }
  p.fill(Disc(70, 70, 32), Grey(40));
  p.fill(Box(220, 65, 90, 44, 0), Grey(55));
  p.fill(Box(95, 175, 70, 34, 30), Grey(30));
  p.fill(Ring(240, 170, 22, 38), Grey(50));
  p.fill(Disc(240, 170, 8), Grey(70));
  return p;
}

// Sky-to-grass gradient with red, green, blue and yellow shapes.
Picture ColourScene() {
  Picture p{3};
  for (int y = 0; y < kDepth; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      p.set(x, y,
            y < 150 ? Rgb{static_cast<uint8_t>(120 + y / 3), static_cast<uint8_t>(170 + y / 4), 235}
                    : Rgb{70, static_cast<uint8_t>(150 - (y - 150) / 2), 60});
    }
  }
  p.fill(Disc(260, 50, 28), Rgb{250, 215, 40});
  p.fill(Box(80, 140, 80, 60, 0), Rgb{200, 40, 35});
  p.fill(Triangle(40, 112, 80, 80, 120, 112), Rgb{110, 30, 30});
  p.fill(Box(190, 170, 50, 50, 20), Rgb{40, 70, 200});
  p.fill(Disc(270, 190, 20), Rgb{240, 240, 240});
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: samplegen DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::pair<const char*, Picture> pictures[] = {{"scene_grey.png", GreyScene()},
                                                      {"scene_colour.png", ColourScene()}};
  for (const auto& [name, picture] : pictures) {
    std::string path = dir + "/" + name;
    if (!picture.save(path)) {
      std::fprintf(stderr, "samplegen: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
