// The camera requests of a run and its release in the command-line host's report.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "gl_test_util.h"
#include "modhost_cli.h"

namespace modhost_test {
namespace {

const std::string kBracketModule = VISION_BINARY_DIR "/gpu-fixtures/bracket.so";

TEST(ModhostRequests, ReportListsEveryRequestWithItsBlock) {
  REQUIRE_GL();
  TempDir dir;
  Result r = RunModhost({"run", kBracketModule, "bracket", "frame=" + kSamples + "/scene_grey.png"}, dir);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  nlohmann::json requests = r.json()["requests"];
  const std::vector<std::string> names = {"*_LRC", "*_IRE", "*_FRE", "*_URC", "*_LRC", "*_URC"};
  ASSERT_EQ(requests.size(), names.size()) << requests.dump();
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(i);
    const nlohmann::json& q = requests[i];
    EXPECT_EQ(q["name"], names[i]);
    EXPECT_EQ(q["nameLength"], 4);
    EXPECT_EQ(q["size"], 288);
    EXPECT_EQ(q["answer"], true);
    EXPECT_EQ(q["message"], "");
    const std::string block = q["block"];
    ASSERT_EQ(block.size(), 576u);
    EXPECT_EQ(block.find_first_not_of("0123456789abcdef"), std::string::npos);
    // The input frame pointer at byte 256 during the run, null at the release.
    const bool release = i >= 4;
    EXPECT_EQ(block.substr(512, 16) == std::string(16, '0'), release);
  }
}

TEST(ModhostRequests, AnUnlistedMethodRunsByItsIndex) {
  REQUIRE_GL();
  TempDir dir;
  const std::string frame = "input frame=" + kSamples + "/scene_grey.png";
  Result r = RunModhost({"run", "hoskin", "#1", frame, "content of drawings into the picture=1"}, dir);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_EQ(r.json()["result"], true);
  EXPECT_FALSE(r.json()["drawing"].empty());
  for (const char* method : {"#2", "#", "#1x", "pattern"}) {
    r = RunModhost({"run", "hoskin", method, frame}, dir);
    EXPECT_EQ(r.status, 2) << method;
    EXPECT_NE(r.err.find("has no method"), std::string::npos) << method << ": " << r.err;
  }
}

}  // namespace
}  // namespace modhost_test
