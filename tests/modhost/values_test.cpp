// Command-line values of every parameter type, valid and invalid, through the
// echo test module: a valid value comes back in the output "<name> out".
#include <gtest/gtest.h>

#include "modhost_cli.h"

namespace modhost_test {
namespace {

using nlohmann::json;

struct Valid {
  const char* input;
  std::string value;
  json expected;
};

TEST(ModhostValues, EveryTypeParsesItsForms) {
  TempDir dir;
  { std::ofstream(dir / "blob.bin", std::ios::binary) << "12345"; }
  const Valid cases[] = {
      {"number", "7", 7.0},
      {"number", " -2.5e1 ", -25.0},
      {"number", "+3", 3.0},
      {"flag", "true", true},
      {"flag", "1", true},
      {"flag", "false", false},
      {"flag", "0", false},
      {"string", "h\xc3\xa9llo \xf0\x9f\x99\x82", "h\xc3\xa9llo \xf0\x9f\x99\x82"},
      {"string", "", ""},
      {"string", "a=b;c", "a=b;c"},
      {"point", "1.5,-2", {{"x", 1.5}, {"y", -2.0}}},
      {"line", "0,1, 2 ,3", {{"x0", 0.0}, {"y0", 1.0}, {"x1", 2.0}, {"y1", 3.0}}},
      {"rectangular region",
       "10,20,30,40,45",
       {{"cx", 10.0}, {"cy", 20.0}, {"width", 30.0}, {"height", 40.0}, {"angle", 45.0}}},
      {"rectangle", "1,2,3,4,-90", {{"cx", 1.0}, {"cy", 2.0}, {"width", 3.0}, {"height", 4.0}, {"angle", -90.0}}},
      {"ring region",
       "50,60,10,20,0,360",
       {{"cx", 50.0}, {"cy", 60.0}, {"r1", 10.0}, {"r2", 20.0}, {"a1", 0.0}, {"a2", 360.0}}},
      {"ring", "5,6,7,8,9,10", {{"cx", 5.0}, {"cy", 6.0}, {"r1", 7.0}, {"r2", 8.0}, {"a1", 9.0}, {"a2", 10.0}}},
      {"colour", "#ff8000", {{"r", 1.0}, {"g", 128 / 255.0}, {"b", 0.0}, {"a", 1.0}}},
      {"colour", "#00FFaa", {{"r", 0.0}, {"g", 1.0}, {"b", 170 / 255.0}, {"a", 1.0}}},
      {"colour", "0.1,0.2,0.3", {{"r", 0.1}, {"g", 0.2}, {"b", 0.3}, {"a", 1.0}}},
      {"colour", "0,0,1,0.5", {{"r", 0.0}, {"g", 0.0}, {"b", 1.0}, {"a", 0.5}}},
      {"coordinate system", "1,2,30", {{"x", 1.0}, {"y", 2.0}, {"angle", 30.0}}},
  };
  for (const Valid& c : cases) {
    SCOPED_TRACE(std::string(c.input) + "=" + c.value);
    Result r = RunModhost({"run", kEchoModule, "echo", std::string(c.input) + "=" + c.value}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.json()["outputs"][std::string(c.input) + " out"], c.expected);
  }
  Result r = RunModhost({"run", kEchoModule, "echo", "data object=" + (dir / "blob.bin")}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.json()["outputs"]["data object size"], 5.0);
}

struct Invalid {
  const char* input;
  std::string value;
  const char* reason = nullptr;  // part of the message, when it matters
};

TEST(ModhostValues, ValueThatDoesNotParseIsAUsageError) {
  TempDir dir;
  { std::ofstream(dir / "text.png") << "not a picture"; }
  const Invalid cases[] = {
      {"number", "abc"},
      {"number", ""},
      {"number", "1,2"},
      {"number", "12px"},
      {"number", "nan"},
      {"number", "1e999", "out of range"},
      {"number", "1e-400", "out of range"},
      {"number", "+-1", "expected a number"},
      {"number", "-+1"},
      {"number", "++1"},
      {"point", "+-1,2"},
      {"number", "1\n2"},  // the line break must not split the message
      {"flag", "yes"},
      {"flag", "TRUE"},
      {"flag", "2"},
      {"flag", ""},
      {"string", "bad \xff byte"},
      {"point", "1"},
      {"point", "1,2,3"},
      {"point", "1,,2"},
      {"point", "1,2,"},
      {"line", "0,1,2"},
      {"rectangular region", "1,2,3,4"},
      {"rectangle", "1,2,3,4,5,6"},
      {"ring region", "1,2,3,4,5"},
      {"ring", "a,b,c,d,e,f"},
      {"colour", "1.5,0,0"},
      {"colour", "-0.1,0,0"},
      {"colour", "0.1,0.2"},
      {"colour", "#ff80"},
      {"colour", "#gg0000"},
      {"colour", "red"},
      {"coordinate system", "1,2"},
      {"data object", dir / "missing.bin"},
      {"data object", dir.path().string(), "is a directory"},
      {"frame", dir.path().string(), "it is a directory"},
      {"frame", dir / "missing.png"},
      {"frame", dir / "text.png"},
      {"frame", kSamples + "/scene_grey.png:16"},
  };
  for (const Invalid& c : cases) {
    SCOPED_TRACE(std::string(c.input) + "=" + c.value);
    Result r = RunModhost({"run", kEchoModule, "echo", std::string(c.input) + "=" + c.value}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty()) << r.out;
    // One line, naming the input.
    EXPECT_NE(r.err.find("input \"" + std::string(c.input) + "\""), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    if (c.reason) {
      EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
  }
}

TEST(ModhostValues, RepeatedNameGivesAnArray) {
  TempDir dir;
  Result r = RunModhost({"run", kEchoModule, "echo", "point=1,2", "point=3,4", "point=5,6", "flag=true", "flag=0",
                         "string=a", "string=", "number=1", "colour=#000000", "colour=#ffffff"},
                        dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const json out = r.json()["outputs"];
  EXPECT_EQ(out["point out"], json::parse(R"([{"x":1,"y":2},{"x":3,"y":4},{"x":5,"y":6}])"));
  EXPECT_EQ(out["flag out"], json::parse("[true,false]"));
  EXPECT_EQ(out["string out"], json::parse(R"(["a",""])"));
  EXPECT_EQ(out["number out"], 1.0);  // one element: a plain value
  EXPECT_EQ(out["colour out"].size(), 2u);
  EXPECT_TRUE(out["line out"].is_null());  // not given: the method left it empty
}

TEST(ModhostValues, FrameAndDataObjectTakeOneValue) {
  TempDir dir;
  const std::string grey = kSamples + "/scene_grey.png";
  Result r = RunModhost({"run", kEchoModule, "echo", "frame=" + grey, "frame=" + grey}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("input \"frame\""), std::string::npos) << r.err;
  r = RunModhost({"run", kEchoModule, "echo", "data object=" + grey, "data object=" + grey}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("input \"data object\""), std::string::npos) << r.err;
}

}  // namespace
}  // namespace modhost_test
