// `modhost run` options: the run's coordinate system and the background of
// the overlay picture.
#include <gtest/gtest.h>

#include "modhost_cli.h"

namespace modhost_test {
namespace {

using nlohmann::json;

TEST(ModhostOptions, CoordinateSystemCarriesTheConstructorsInputs) {
  TempDir dir;
  const std::vector<std::string> run = {"run", "pranel", "create_point", "X coordinate=1", "Y coordinate=0"};
  Result r = RunModhost(run, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json()["outputs"]["Output point"], json::parse(R"({"x": 1.0, "y": 0.0})"));
  std::vector<std::string> turned = run;
  turned.insert(turned.end(), {"--coordinate-system", "10,20,90"});
  r = RunModhost(turned, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const json p = r.json()["outputs"]["Output point"];
  EXPECT_NEAR(p["x"].get<double>(), 10, 1e-9);
  EXPECT_NEAR(p["y"].get<double>(), 21, 1e-9);
}

TEST(ModhostOptions, BadValuesAreUsageErrors) {
  TempDir dir;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"run", "pranel", "create_point", "--coordinate-system", "1,2"},
        std::vector<std::string>{"run", "pranel", "create_point", "--coordinate-system", "1,2,x"},
        std::vector<std::string>{"run", "pranel", "create_point", "--background", (dir / "missing.png"), "--out",
                                 dir / "out"},
        std::vector<std::string>{"list", "pranel", "--coordinate-system", "0,0,0"}}) {
    const Result r = RunModhost(args, dir);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_NE(r.err.find("modhost: "), std::string::npos);
  }
}

TEST(ModhostOptions, BackgroundCarriesTheOverlayOfADrawingMethod) {
  TempDir dir;
  Picture bg{40, 30, 3, std::vector<uint8_t>(40 * 30 * 3, 60)};
  WritePng(bg, dir / "bg.png");
  const std::vector<std::string> run = {"run",          "selvor",         "draw_color_box", "Color=1,1,1",
                                        "Coordinate X=5", "Coordinate Y=5", "Width W=10",     "Depth D=10",
                                        "--out",        dir / "out"};
  Result r = RunModhost(run, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.json()["overlay"].is_null());  // no frame input, no background: no picture
  std::vector<std::string> withBg = run;
  withBg.insert(withBg.end(), {"--background", dir / "bg.png"});
  r = RunModhost(withBg, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json()["overlay"]["width"], 40);
  const Picture out = ReadPng(dir / "out/overlay.png");
  ASSERT_EQ(out.width, 40);
  EXPECT_EQ(out.at(35, 2)[0], 60);                 // the background
  EXPECT_EQ(out.at(10, 30 - 1 - 10)[0], 255);      // the box, rows counted from the bottom
}

}  // namespace
}  // namespace modhost_test
