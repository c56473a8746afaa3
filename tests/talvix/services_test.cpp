// Service requests without GL, and path resolution.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "talvix/host.hpp"

using talvix::RunContext;

namespace {

TEST(CameraRequests, RefusedWithAReasonWhenTheBlockHasAMessageArea) {
  RunContext ctx({}, {});
  std::vector<uint8_t> block(288, 0xAB);
  EXPECT_FALSE(CameraCallback(ctx.hostContext(), 4, u"*_XYZ", static_cast<int>(block.size()), block.data()));
  std::u16string msg(reinterpret_cast<const char16_t*>(block.data()));
  EXPECT_EQ(msg, u"Unknown request");
  EXPECT_EQ(block[256], 0xAB) << "only the message area is written";
  std::vector<uint8_t> small(100, 0xAB);
  EXPECT_FALSE(CameraCallback(ctx.hostContext(), 4, u"*_XYZ", 100, small.data()));
  EXPECT_EQ(small, std::vector<uint8_t>(100, 0xAB));
}

class Paths : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("talvix_paths_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "sub");
    std::ofstream(dir / "sub" / "model.bin") << "x";
    talvix::SetDataDirectory(dir.string());
  }
  void TearDown() override {
    talvix::SetDataDirectory("");
    std::filesystem::remove_all(dir);
  }
  // A 260-character path buffer holding `text`.
  static std::vector<char16_t> Buffer(const std::string& text, size_t size = 260) {
    std::vector<char16_t> b(size, 0);
    std::u16string t = talvix::ToU16(text);
    std::copy(t.begin(), t.end(), b.begin());
    return b;
  }
  std::filesystem::path dir;
};

TEST_F(Paths, ExistingAndNewFiles) {
  std::string full = (dir / "sub" / "model.bin").string();
  struct Case {
    bool newFile;
    std::string in;
    bool ok;
    std::string out;  // the buffer afterwards
  };
  const Case cases[] = {
      {false, "sub/model.bin", true, full},
      {false, full, true, full},
      {false, "sub/missing.bin", false, "sub/missing.bin"},
      {false, "sub", false, "sub"},
      {true, "sub/new.bin", true, (dir / "sub" / "new.bin").string()},
      {true, "nodir/new.bin", false, "nodir/new.bin"},
  };
  for (const Case& c : cases) {
    std::vector<char16_t> b = Buffer(c.in);
    bool ok = c.newFile ? FindNewPath(259, b.data()) : FindPath(259, b.data());
    EXPECT_EQ(ok, c.ok) << c.in;
    EXPECT_EQ(talvix::ToUtf8(b.data()), c.out) << c.in;
  }
  std::vector<char16_t> tight = Buffer("sub/model.bin", full.size());
  EXPECT_FALSE(FindPath(static_cast<int>(full.size()) - 1, tight.data())) << "no room for the terminator";
  EXPECT_EQ(talvix::ToUtf8(tight.data()), "sub/model.bin");
}

}  // namespace
