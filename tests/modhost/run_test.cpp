// `modhost run`: exit statuses, the usage-error line, and what the JSON report
// carries (result, error, warnings, outputs, drawing record).
#include <gtest/gtest.h>

#include "modhost_cli.h"

namespace modhost_test {
namespace {

using nlohmann::json;

const std::string kGrey = kSamples + "/scene_grey.png";

TEST(ModhostRun, ExitStatusFollowsTheMethodsAnswer) {
  TempDir dir;
  Result ok = RunModhost({"run", "ilvant", "copy_frame", "Input frame=" + kGrey}, dir);
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_TRUE(ok.err.empty());
  json doc = ok.json();
  EXPECT_EQ(doc["module"], "ilvant");
  EXPECT_EQ(doc["method"], "copy_frame");
  EXPECT_EQ(doc["result"], true);
  EXPECT_EQ(doc["error"], "");  // nothing written: the host's pre-fill does not leak
  EXPECT_EQ(doc["warnings"], json::array());
  EXPECT_EQ(doc["drawing"], json::array());

  // Without its input frame the method answers false with its text.
  Result failed = RunModhost({"run", "ilvant", "copy_frame"}, dir);
  EXPECT_EQ(failed.status, 1) << failed.err;
  doc = failed.json();
  EXPECT_EQ(doc["result"], false);
  EXPECT_EQ(doc["error"].get<std::string>().rfind("error: Cannot get input frame", 0), 0u) << doc["error"];
  EXPECT_TRUE(doc["outputs"]["Output frame"].is_null());
}

// An input left off is unconnected alone: an output of the same name still
// receives its values.
TEST(ModhostRun, InputLeftOffKeepsTheSameNamedOutput) {
  TempDir dir;
  const int w = 160, h = 140;
  Picture disc{w, h, 1, std::vector<uint8_t>(static_cast<size_t>(w) * h)};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double dx = x - 80.4, dy = y - 69.7;
      disc.bytes[static_cast<size_t>(y) * w + x] = dx * dx + dy * dy <= 30.0 * 30.0 ? 40 : 210;
    }
  }
  WritePng(disc, dir / "disc.png");
  Result r = RunModhost({"run", "forvik", "circle_detection_by_threshold", "Input frame=" + (dir / "disc.png") + ":8",
                         "Number of horizontal scanlines=10", "Number of vertical scanlines=10"},
                        dir);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  json doc = r.json();
  EXPECT_EQ(doc["outputs"]["Number of found circles"], 1.0);
  const json quality = doc["outputs"]["Circle quality"];
  ASSERT_FALSE(quality.is_null());
  EXPECT_GT((quality.is_array() ? quality[0] : quality).get<double>(), 0.9);
}

struct UsageCase {
  std::vector<std::string> args;
  std::string named;  // what the error line must name
};

TEST(ModhostRun, UsageErrorsExitWithTwoAndOneLine) {
  TempDir dir;
  const UsageCase cases[] = {
      {{}, "no command"},
      {{"frobnicate"}, "\"frobnicate\""},
      {{"run", "ilvant"}, "METHOD"},
      {{"run", "no_such_module", "copy_frame"}, "\"no_such_module\""},
      {{"run", dir / "nowhere.so", "copy_frame"}, "nowhere.so"},
      {{"run", "ilvant", "no_such_method"}, "\"no_such_method\""},
      {{"run", "ilvant", "add_const", "Add valu=1"}, "\"Add valu\""},
      {{"run", "ilvant", "add_const", "Add value"}, "NAME=VALUE"},
      {{"run", "ilvant", "add_const", "Add value=x"}, "\"Add value\""},
      {{"run", "ilvant", "copy_frame", "Input frame=" + (dir / "none.png")}, "none.png"},
      {{"run", "ilvant", "copy_frame", "--draw-level", "3"}, "--draw-level"},
      {{"run", "ilvant", "copy_frame", "--out"}, "--out"},
      {{"run", "ilvant", "copy_frame", "--bogus"}, "--bogus"},
      {{"list", "ilvant", "--out", "x"}, "--out"},
      {{"list", "no_such_module"}, "\"no_such_module\""},
      {{"list", "--modules", dir / "absent"}, "absent"},
  };
  for (const UsageCase& c : cases) {
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    Result r = RunModhost(c.args, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err.rfind("modhost: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
  }
}

TEST(ModhostRun, UnknownInputListsTheMethodsInputs) {
  TempDir dir;
  Result r = RunModhost({"run", "ilvant", "blend_frame", "Alpha=0.5"}, dir);
  EXPECT_EQ(r.status, 2);
  for (const char* name :
       {"\"Input frame\" (frame)", "\"Blend frame\" (frame)", "\"Alpha channel\" (number)", "\"Offset\" (point)"}) {
    EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
  }
}

TEST(ModhostRun, ArrayInputWarningReachesTheReport) {
  TempDir dir;
  Result r = RunModhost({"run", "ilvant", "add_const", "Input frame=" + kGrey, "Add value=0.1", "Add value=0.2"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json()["warnings"],
            json::array({"Only the first element of the array would be evaluated in the input data object Add value"}));
}

TEST(ModhostRun, NumberOutputsAndCorrectionWarning) {
  TempDir dir;
  // Region over the dark disc at the upper left (y counts up from the bottom).
  Result r = RunModhost(
      {"run", "ilvant", "region_pixel_count", "Input frame=" + kGrey, "Input region=70,170,20,20,0", "Threshold=2"},
      dir);
  ASSERT_EQ(r.status, 0) << r.err;
  json doc = r.json();
  EXPECT_EQ(doc["outputs"]["Number of light pixels"], 0.0);
  EXPECT_EQ(doc["outputs"]["Number of dark pixels"], 400.0);
  EXPECT_EQ(doc["outputs"]["Ratio of dark pixels"], 1.0);
  ASSERT_EQ(doc["warnings"].size(), 1u);
  EXPECT_NE(doc["warnings"][0].get<std::string>().find("Threshold"), std::string::npos);
}

TEST(ModhostRun, DrawingRecordFollowsTheDrawingLevel) {
  TempDir dir;
  const std::vector<std::string> run = {"run", kEchoModule, "echo", "line=1,2,30,40"};
  Result r = RunModhost(run, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json()["drawing"], json::parse(R"([{"fn":"DrawLine","args":[1,2,30,40,1],
                                                   "color":{"r":1,"g":0,"b":0,"a":1}}])"));
  std::vector<std::string> level0 = run;
  level0.insert(level0.end(), {"--draw-level", "0"});
  r = RunModhost(level0, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json()["drawing"], json::array());
}

}  // namespace
}  // namespace modhost_test
