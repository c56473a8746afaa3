// `modhost list`: the modules found and a module's catalogue, as text and JSON.
#include <gtest/gtest.h>

#include "modhost_cli.h"

namespace modhost_test {
namespace {

using nlohmann::json;

TEST(ModhostList, ModulesWithTheirMethodCounts) {
  TempDir dir;
  Result r = RunModhost({"list", "--json"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  bool found = false;
  const json doc = r.json();
  for (const json& m : doc["modules"]) {
    if (m["name"] == "ilvant") found = m["methods"] == 36;
  }
  EXPECT_TRUE(found) << r.out;
  r = RunModhost({"list"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("ilvant  36 methods"), std::string::npos) << r.out;

  // Another directory, by option and by environment.
  const std::string fixtures = fs::path(kEchoModule).parent_path().string();
  for (const auto& [args, env] :
       {std::pair{std::vector<std::string>{"list", "--json", "--modules", fixtures}, std::vector<std::string>{}},
        std::pair{std::vector<std::string>{"list", "--json"},
                  std::vector<std::string>{"VISION_MODULE_DIR=" + fixtures}}}) {
    r = RunModhost(args, dir, env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.json(), (json{{"directory", fixtures}, {"modules", {{{"name", "echo"}, {"methods", 1}}}}}));
  }
}

TEST(ModhostList, CatalogueAsJson) {
  TempDir dir;
  Result r = RunModhost({"list", "ilvant", "--json"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  json doc = r.json();
  EXPECT_EQ(doc["module"], "ilvant");
  ASSERT_EQ(doc["methods"].size(), 36u);
  const json& addConst = doc["methods"][21];
  EXPECT_EQ(addConst, json::parse(R"({
    "index": 21, "id": "add_const", "description": "Add number to each pixel", "gpu": false,
    "sortKey": 21, "properties": 0,
    "inputs": [{"type": 1, "typeName": "frame", "name": "Input frame", "properties": ""},
               {"type": 10, "typeName": "number", "name": "Add value", "properties": "Min=-1;Max=1;Default=0"}],
    "outputs": [{"type": 1, "typeName": "frame", "name": "Output frame"}]})"));
  // simple_threshold has a second place, in another tree.
  json places = json::array();
  for (const json& c : doc["categories"]) {
    if (c["method"] == 0) places.push_back(c);
  }
  EXPECT_EQ(places, json::parse(R"([
    {"method": 0, "path": 0, "level": 0, "name": "Frame operations", "categoryId": 3},
    {"method": 0, "path": 0, "level": 1, "name": "Color operations", "categoryId": 30},
    {"method": 0, "path": 1, "level": 0, "name": "Thresholding", "categoryId": 4}])"));

  // A module with the plain enumerator has no sort key or properties.
  r = RunModhost({"list", kEchoModule, "--json"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  doc = r.json();
  EXPECT_EQ(doc["categories"], json::array());
  ASSERT_EQ(doc["methods"].size(), 1u);
  EXPECT_FALSE(doc["methods"][0].contains("sortKey"));
  EXPECT_FALSE(doc["methods"][0].contains("properties"));
  EXPECT_EQ(doc["methods"][0]["inputs"].size(), 13u);
  EXPECT_EQ(doc["methods"][0]["inputs"][8]["typeName"], "colour");
}

TEST(ModhostList, CatalogueAsText) {
  TempDir dir;
  Result r = RunModhost({"list", "ilvant"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"21 add_const, sort key 21, properties 0", "    Add number to each pixel",
                           "    in  number \"Add value\"  Min=-1;Max=1;Default=0", "    out frame \"Output frame\"",
                           "    category (path 1, level 0): Thresholding [4]"}) {
    EXPECT_NE(r.out.find(std::string(line) + "\n"), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace modhost_test
