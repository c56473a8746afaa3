// The feature module's runs: the order of the host requests and of the
// descriptor passes (with pass programs whose output is known), refusals,
// a missing shader file, and the corrections of the inputs.
#include <gtest/gtest.h>

#include "descriptor_file.h"
#include "gl_test_util.h"
#include "kestan_support.h"

namespace {

using namespace kestan_test;
using talvix::CameraRequest;
using talvix::RequestAnswer;

// Marks Threshold[0] points: (3i + 1, 5) with size 10 + i.
const char* const kKeypointProbe =
    "uniform float Threshold[8];\n"
    "void main() {\n"
    "  vec2 c = floor(gl_FragCoord.xy);\n"
    "  float i = floor(c.x / 3.0);\n"
    "  bool mark = c.y == 5.0 && c.x - 3.0 * i == 1.0 && i < Threshold[0];\n"
    "  gl_FragColor = mark ? vec4(1.0, 10.0 + i, 0.0, 1.0) : vec4(0.0);\n"
    "}\n";
const char* const kMaximumProbe =
    "#extension GL_ARB_texture_rectangle : enable\n"
    "uniform sampler2DRect TexChan1;\n"
    "void main() { gl_FragColor = texture2DRect(TexChan1, gl_FragCoord.xy); }\n";
// Cell (col, row) of a point: channel c holds 100 x (x, y, size, angle)[c] + 4 row + col.
const char* const kDescriptorProbe =
    "uniform float PosX;\nuniform float PosY;\nuniform float Size;\nuniform float Angle;\n"
    "uniform float Gaussian[15];\n"
    "void main() {\n"
    "  vec2 c = floor(gl_FragCoord.xy);\n"
    "  float i = 4.0 * c.y + c.x + Gaussian[0] - 1.0;\n"
    "  gl_FragColor = 100.0 * vec4(PosX, PosY, Size, Angle) + i;\n"
    "}\n";
const char* const kDescriptor10Probe =
    "uniform float PosX[10];\nuniform float PosY[10];\nuniform float Size[10];\nuniform float Angle[10];\n"
    "uniform float Gaussian[15];\n"
    "void main() {\n"
    "  vec2 c = floor(gl_FragCoord.xy);\n"
    "  int k = int(floor(c.x / 4.0));\n"
    "  float i = 4.0 * c.y + c.x - 4.0 * float(k) + Gaussian[0] - 1.0;\n"
    "  gl_FragColor = 100.0 * vec4(PosX[k], PosY[k], Size[k], Angle[k]) + i;\n"
    "}\n";

const std::map<std::string, std::string> kProbes = {{"Keypoint.fsh", kKeypointProbe},
                                                    {"Maximum.fsh", kMaximumProbe},
                                                    {"Descriptor.fsh", kDescriptorProbe},
                                                    {"Descriptor10.fsh", kDescriptor10Probe}};

// "name" or, for the descriptor passes' own requests, "name WxH".
std::vector<std::string> Sequence(const std::vector<CameraRequest>& requests) {
  std::vector<std::string> out;
  for (const CameraRequest& r : requests) {
    std::string s = talvix::ToUtf8(r.name);
    if (r.name[0] == u'!' && r.name != u"!_ERU") {
      int32_t w = 0, h = 0;
      std::memcpy(&w, r.block.data() + 276, 4);
      std::memcpy(&h, r.block.data() + 280, 4);
      s += " " + std::to_string(w) + "x" + std::to_string(h);
    }
    out.push_back(s);
  }
  return out;
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const std::vector<std::string> kStart = {"*_LRC", "*_IRE", "*_FRE"};
const std::vector<std::string> kBuild = {"!_CUP 40x4", "!_BRU 40x4", "!_ERU", "!_CUP 4x4", "!_BRU 4x4", "!_ERU"};
const std::vector<std::string> kGroups = {"!_BRU 40x4", "!_ERU", "!_BRU 4x4", "!_ERU"};
const std::vector<std::string> kSingles = {"!_BRU 4x4", "!_ERU"};

struct SaveRun {
  SaveRun(talvix::Module& m, const fs::path& file, double points) : run(m, "gpu_feature_save", &inspection) {
    run.ctx.setFrame(u"input frame", FrameBuffer::make(80, 12, 8, 100));
    run.ctx.setNumbers(u"features threshold", {points});
    run.ctx.setNumbers(u"features orientation detection method", {0});
    run.ctx.setFlags(u"save descriptors", {true});
    run.ctx.setStrings(u"descriptors file", {talvix::ToU16(file.string())});
  }
  talvix::Inspection inspection;
  Instance run;
};

TEST(FeatureRun, PassesAndRequestsByKeypointCount) {
  REQUIRE_GL();
  PrivateModule probe(kProbes);
  TempDir dir;
  struct Case {
    int points;
    std::vector<std::string> describe;
  };
  for (const Case& c : {Case{0, kSingles}, Case{9, kSingles}, Case{10, kGroups}, Case{23, kGroups}}) {
    SCOPED_TRACE(c.points);
    const fs::path file = dir.path() / ("p" + std::to_string(c.points) + ".bff");
    SaveRun s(probe.module(), file, c.points);
    // Nothing to save is refused after the passes.
    const bool saves = c.points > 0;
    ASSERT_EQ(s.run().ok, saves);
    EXPECT_EQ(Sequence(s.inspection.requests()), Concat({kStart, kBuild, c.describe, {"*_URC"}}));
    EXPECT_EQ(s.run.ctx.numbers(u"number of found features"), std::vector<double>{double(c.points)});
    EXPECT_EQ(s.run.ctx.flags(u"save descriptors"), std::vector<bool>{!saves});
    EXPECT_EQ(fs::exists(file), saves);

    // Each point's own descriptor, in the layout of the read-back, whichever pass made it.
    const Parsed p = Parse(saves ? ReadFile(file) : std::vector<uint8_t>(88));
    ASSERT_EQ(p.records.size(), static_cast<size_t>(c.points));
    for (int i = 0; i < c.points; ++i) {
      const kestan::FeatureRecord& r = p.records[i];
      ASSERT_EQ(r.x, 3 * i + 1);
      ASSERT_EQ(r.y, 5);
      ASSERT_EQ(r.size, 10 + i);
      const float fields[4] = {r.x, r.y, r.size, r.orientation};
      for (int ch = 0; ch < 4; ++ch)
        for (int j = 0; j < 16; ++j) ASSERT_EQ(r.descriptor[ch * 16 + j], 100 * fields[ch] + j) << i << " " << ch;
    }

    // A later run builds nothing again.
    s.inspection.clearRequests();
    s.run.ctx.setFlags(u"save descriptors", {true});
    ASSERT_EQ(s.run().ok, saves);
    EXPECT_EQ(Sequence(s.inspection.requests()), Concat({kStart, c.describe, {"*_URC"}}));
  }
}

TEST(FeatureRun, ARefusedRequestFailsTheRunAndTheRestFollows) {
  REQUIRE_GL();
  PrivateModule probe(kProbes);
  TempDir dir;
  const auto normal = Concat({kStart, kBuild, kGroups, {"*_URC"}});
  for (const char* name : {"*_LRC", "*_IRE", "*_FRE", "!_CUP", "!_BRU", "!_ERU", "*_URC"}) {
    SCOPED_TRACE(name);
    SaveRun s(probe.module(), dir.path() / "refused.bff", 23);
    const std::u16string refused = talvix::ToU16(name);
    s.inspection.setRequestHandler([&](const std::u16string& n, void*, int) -> std::optional<RequestAnswer> {
      if (n == refused) return RequestAnswer{false, u"no " + refused};
      return std::nullopt;
    });
    const talvix::RunResult r = s.run();
    EXPECT_FALSE(r.ok);
    // Without the context the host refuses the later requests too; its last text stays.
    if (refused != u"*_LRC") {
      EXPECT_EQ(r.error, u"no " + refused);
    }
    // Without the context nothing is drawn on it: only the frame requests follow.
    const std::vector<std::string> unlent = {"*_LRC", "*_IRE", "*_FRE", "*_URC"};
    EXPECT_EQ(Sequence(s.inspection.requests()), std::string(name) == "*_LRC" ? unlent : normal);
  }
}

TEST(FeatureRun, AMissingDescriptorProgramMakesTheInstanceUnusable) {
  REQUIRE_GL();
  PrivateModule broken({}, {"Descriptor10.fsh"});
  TempDir dir;
  SaveRun s(broken.module(), dir.path() / "none.bff", 0);
  talvix::RunResult r = s.run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"Error during shader building");
  // The viewport and the context are given back before the run ends.
  EXPECT_EQ(Sequence(s.inspection.requests()), Concat({kStart, {"!_CUP 40x4", "!_BRU 40x4", "!_ERU", "*_URC"}}));
  EXPECT_FALSE(fs::exists(dir.path() / "none.bff"));

  s.inspection.clearRequests();
  r = s.run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"Error during shader building");
  EXPECT_TRUE(s.inspection.requests().empty());
}

TEST(FeatureRun, TheReleaseGivesBackTheDescriptorTargets) {
  REQUIRE_GL();
  talvix::Inspection inspection;
  talvix::Module& m = module_test::Load("kestan");
  for (const char* id : {"gpu_keypoint", "gpu_feature_save_data"}) {
    SCOPED_TRACE(id);
    intptr_t h = 0;
    {
      talvix::RunContext ctx(m, m.findMethod(id), &inspection);
      h = m.create(m.findMethod(id));
      ctx.setFrame(u"input frame", FrameBuffer::make(32, 16, 8, 50));
      // A blank frame leaves nothing to save: refused after the passes.
      ASSERT_EQ(ctx.run(h).ok, std::string(id) == "gpu_keypoint");
    }
    inspection.clearRequests();
    m.destroy(h, &inspection);
    std::vector<std::string> expected = {"*_LRC", "*_URC"};
    if (std::string(id) != "gpu_keypoint") expected.insert(expected.begin(), {"!_DUP 4x4", "!_DUP 40x4"});
    EXPECT_EQ(Sequence(inspection.requests()), expected);
  }
}

// The thresholds and orientation mode a run used, as its saved header shows.
TEST(FeatureInputs, Corrections) {
  REQUIRE_GL();
  TempDir dir;
  struct Case {
    std::vector<double> thresholds;
    double mode;
    std::vector<float> expected;
    int expectedMode;
    size_t warnings;
  };
  const std::vector<Case> cases = {
      {{-3}, 1, {3, 3, 3, 3, 3, 3, 3, 3}, 1, 0},
      {{250}, 2, {200, 200, 200, 200, 200, 200, 200, 200}, 2, 1},
      {{1, 2, -300}, 0, {1, 2, 200, 1, 1, 1, 1, 1}, 0, 1},
      {{4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, 7, {4, 5, 6, 7, 8, 9, 10, 11}, 2, 1},
      {{}, 1.9, {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5}, 1, 0},
      // A threshold that is not a number counts as not given.
      {{std::nan("")}, 1, {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5}, 1, 0},
      {{4, std::nan(""), 6}, 1, {4, 4, 6, 4, 4, 4, 4, 4}, 1, 0},
  };
  // The probe marks keypoints, so that there is something to save.
  PrivateModule probe(kProbes);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expectedMode);
    Instance run(probe.module(), "gpu_feature_save");
    run.ctx.setFrame(u"input frame", FrameBuffer::make(80, 16, 8, 0));
    if (!c.thresholds.empty()) run.ctx.setNumbers(u"features threshold", c.thresholds);
    run.ctx.setNumbers(u"features orientation detection method", {c.mode});
    run.ctx.setFlags(u"save descriptors", {true});
    const fs::path file = dir.path() / "c.bff";
    run.ctx.setStrings(u"descriptors file", {talvix::ToU16(file.string())});
    ASSERT_TRUE(run().ok);
    const Parsed p = Parse(ReadFile(file));
    EXPECT_EQ(std::vector<float>(p.header.thresholds, p.header.thresholds + 8), c.expected);
    EXPECT_EQ(p.header.orientationMode, c.expectedMode);
    // Corrections only; a save of few keypoints warns besides.
    size_t corrections = 0;
    for (const std::u16string& w : run.ctx.warnings()) corrections += w.starts_with(u"Not acceptable value");
    EXPECT_EQ(corrections, c.warnings);
  }
}

TEST(FeatureInputs, AMissingFrame) {
  talvix::Module& m = module_test::Load("kestan");
  Instance keypoints(m, "gpu_keypoint");
  EXPECT_EQ(keypoints().error, u"Cannot get source frame");
}

}  // namespace

namespace {

TEST(FeatureInputs, SearchCorrections) {
  REQUIRE_GL();
  // A saved set without keypoints: the searches run and find nothing.
  std::vector<uint8_t> empty(88, 0);
  const int32_t tag = 22, version = 1;
  std::memcpy(empty.data(), &tag, 4);
  std::memcpy(empty.data() + 4, &version, 4);
  struct Case {
    const char* id;
    std::u16string input;
    double value;
    std::u16string corrected;  // "" when nothing is corrected
  };
  const std::vector<Case> cases = {
      {"gpu_feature_match_data", u"number of matches required", 0, u"new value 1."},
      {"gpu_feature_match_data", u"number of matches required", -4, u"new value 1."},
      {"gpu_feature_match_data", u"number of matches required", 5000, u"new value 1000."},
      {"gpu_feature_match_data", u"method for descriptors similarity testing", 7, u"new value 2."},
      {"gpu_feature_match_data", u"number of passes of outcome statistical filtration", 7, u"new value 5.000000."},
      {"gpu_feature_match_data", u"region angle difference for outcome statistical filtration", 0.05,
       u"new value 0.100000."},
      {"gpu_feature_match_data", u"content of drawings into the picture", -1, u"new value 0."},
      {"gpu_keypoint_match_data", u"angle difference of the descriptor dominant orientation", 75,
       u"new value 60.000000."},
      {"gpu_keypoint_match_data", u"mininimal accepted descriptors cross correlation", 1.5, u"new value 1.000000."},
      {"gpu_keypoint_match_data", u"maximal accepted descriptors difference", 3, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(talvix::ToUtf8(c.input) + " " + std::to_string(c.value));
    module_test::MethodRun run("kestan", c.id);
    run.ctx.setFrame(u"input frame", FrameBuffer::make(24, 16, 8, 0));
    run.ctx.setData(u"data object with descriptors", empty);
    run.ctx.setNumbers(c.input, {c.value});
    ASSERT_TRUE(run().ok);
    const auto& w = run.ctx.warnings();
    ASSERT_EQ(w.size(), c.corrected.empty() ? 0u : 1u);
    if (!c.corrected.empty()) {
      EXPECT_NE(w[0].find(c.input), std::u16string::npos);
      EXPECT_TRUE(w[0].ends_with(c.corrected)) << talvix::ToUtf8(w[0]);
    }
  }
}

}  // namespace

namespace {

// Option numbers that are not numbers, infinite or far too large, in every
// method that has them: NaN is taken as not given, the others are corrected
// as any value out of range.
TEST(FeatureInputs, NonFiniteAndHugeOptionNumbers) {
  REQUIRE_GL();
  TempDir dir;
  std::vector<uint8_t> empty(88, 0);
  const int32_t tag = 22, version = 1;
  std::memcpy(empty.data(), &tag, 4);
  std::memcpy(empty.data() + 4, &version, 4);
  const fs::path file = dir.path() / "empty.bff";
  WriteFile(file, empty);
  const double nan = std::nan(""), inf = HUGE_VAL;
  struct Option {
    std::u16string name;
    const char* high;  // the value that +Inf and 1e300 become
    const char* low;   // and -Inf
  };
  const std::vector<Option> options = {
      {u"features orientation detection method", "2", "2"},
      {u"method for descriptors similarity testing", "2", "2"},
      {u"number of matches required", "1000", "1"},
      {u"content of drawings into the picture", "2", "0"},
  };
  const char* const methods[] = {"gpu_keypoint",
                                 "gpu_feature_save",
                                 "gpu_feature_save_data",
                                 "gpu_feature_match",
                                 "gpu_feature_match_data",
                                 "gpu_multiple_feature_match",
                                 "gpu_multiple_feature_match_data",
                                 "gpu_keypoint_match",
                                 "gpu_keypoint_match_data"};
  talvix::Module& m = module_test::Load("kestan");
  for (const char* id : methods) {
    const int index = m.findMethod(id);
    const auto& inputs = m.catalogue().methods.at(index).inputs;
    auto has = [&](std::u16string_view name) {
      return std::any_of(inputs.begin(), inputs.end(), [&](const auto& in) { return in.name == name; });
    };
    for (const Option& o : options) {
      if (!has(o.name)) continue;
      for (double v : {nan, inf, -inf, 1e300}) {
        SCOPED_TRACE(std::string(id) + " " + talvix::ToUtf8(o.name) + " " + std::to_string(v));
        Instance run(m, id);
        run.ctx.setFrame(u"input frame", FrameBuffer::make(24, 16, 8, 0));
        if (has(u"descriptors file")) run.ctx.setStrings(u"descriptors file", {talvix::ToU16(file.string())});
        if (has(u"data object with descriptors")) run.ctx.setDataList(u"data object with descriptors", {empty});
        run.ctx.setNumbers(o.name, {v});
        // The blank frame leaves nothing to save into the data object.
        ASSERT_EQ(run().ok, std::string(id) != "gpu_feature_save_data");
        const auto& w = run.ctx.warnings();
        if (std::isnan(v)) {
          EXPECT_TRUE(w.empty());
          continue;
        }
        ASSERT_EQ(w.size(), 1u);
        EXPECT_NE(w[0].find(o.name), std::u16string::npos);
        const std::string expected = std::string("new value ") + (v < 0 ? o.low : o.high) + ".";
        EXPECT_TRUE(w[0].ends_with(talvix::ToU16(expected))) << talvix::ToUtf8(w[0]);
      }
    }
  }
}

}  // namespace
