// The maker-library stand-ins: text objects, data blocks, files and the
// enciphered shader format.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "gpu/programs.h"
#include "kavrin.h"
#include "selvane.h"
#include "talvix/blocks.hpp"
#include "talvix/host.hpp"

namespace {

// A host string owned by the test, freed through the host.
struct Text {
  explicit Text(const char16_t* s) : h(s ? talvix::NewHostString(s) : nullptr) {}
  ~Text() { FreeHostString(&h); }
  std::u16string str() const { return h ? std::u16string(h->chars, h->chars + h->length) : u"<null>"; }
  HostString h;
};

TEST(Kavrin, ComparisonAndEmptyTest) {
  struct Case {
    const char16_t *a, *b;
    int order;
  };
  const Case cases[] = {
      {u"abc", u"abd", -1}, {u"abd", u"abc", 1}, {u"abc", u"abc", 0}, {u"ab", u"abc", -1},
      {nullptr, u"", 0},    {nullptr, u"a", -1}, {u"a", nullptr, 1},  {nullptr, nullptr, 0},
  };
  for (const Case& c : cases) {
    Text a(c.a), b(c.b);
    EXPECT_EQ(kavrin::CompareText(a.h, b.h), c.order) << talvix::ToUtf8(a.str()) << " vs " << talvix::ToUtf8(b.str());
  }
  Text empty(u""), some(u"x");
  EXPECT_TRUE(kavrin::IsEmptyText(nullptr));
  EXPECT_TRUE(kavrin::IsEmptyText(empty.h));
  EXPECT_FALSE(kavrin::IsEmptyText(some.h));
}

TEST(Kavrin, InsertionAppendAndExport) {
  struct Insert {
    const char16_t* start;
    int count;
    const char16_t* lit;
    int pos;
    std::u16string result;
  };
  const Insert inserts[] = {
      {u"1234", 1, u"(", 0, u"(1234"},      {u"1234", 2, u")(", 2, u"12)(34"}, {u"1234", 1, u")", 4, u"1234)"},
      {nullptr, 3, u"abc", 0, u"abc"},      {u"12", 5, u"ab", 1, u"1ab2"},    {u"12", 1, u"x", 99, u"12x"},
  };
  for (const Insert& c : inserts) {
    Text t(c.start);
    kavrin::InsertText(&t.h, c.count, c.lit, c.pos);
    EXPECT_EQ(t.str(), c.result);
    int a = 0, b = 0;
    kavrin::AfterInsert(t.h, &a, &b);
  }
  Text main(u"590123"), add(u"|12"), none(nullptr);
  kavrin::AppendText(&main.h, add.h);
  kavrin::AppendText(&main.h, none.h);
  EXPECT_EQ(main.str(), u"590123|12");
  kavrin::AppendText(&none.h, add.h);
  EXPECT_EQ(none.str(), u"|12");
  // A NUL is a character like any other: nothing after it is lost.
  Text held(u"A");
  for (char16_t ch : std::u16string(u"\0B", 2)) SetStringChar(GetStringLength(&held.h), ch, &held.h);
  kavrin::InsertText(&held.h, 1, u"(", 0);
  kavrin::AppendText(&held.h, add.h);
  EXPECT_EQ(held.str(), std::u16string(u"(A\0B|12", 7));

  struct Export {
    const char16_t* text;
    int hi;
    std::u16string out;
  };
  const Export exports[] = {{u"abcdef", 63, u"abcdef"}, {u"abcdef", 3, u"abc"}, {u"abcdef", 0, u""},
                            {nullptr, 63, u""}};
  for (const Export& c : exports) {
    Text t(c.text);
    std::vector<char16_t> buf(static_cast<size_t>(c.hi) + 2, u'#');
    kavrin::ExportText(c.hi, buf.data(), t.h);
    EXPECT_EQ(std::u16string(buf.data()), c.out);
    EXPECT_EQ(buf[static_cast<size_t>(c.hi) + 1], u'#') << "nothing past the highest index";
  }
}

TEST(Kavrin, DataBlocksAllocateAndGrow) {
  DataObject d = nullptr;
  kavrin::AllocateBlock(&d, 100);
  ASSERT_NE(d, nullptr);
  EXPECT_GE(d->capacity, 100);
  std::memcpy(d->data, "features", 8);
  d->length = 8;
  kavrin::GrowBlock(&d, 50);
  EXPECT_GE(d->capacity, 100) << "no shrinking";
  kavrin::GrowBlock(&d, 5000);
  EXPECT_GE(d->capacity, 5000);
  EXPECT_EQ(d->length, 8);
  EXPECT_EQ(std::memcmp(d->data, "features", 8), 0);
  talvix::FreeDataBlock(d);  // the host frees what the library made
}

class Files : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("selvane_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::u16string Path(const std::string& name) { return talvix::ToU16((dir / name).string()); }
  std::filesystem::path dir;
};

TEST_F(Files, WriteReadShortReadAndRefusals) {
  std::u16string path = Path("d.bff");
  int h = selvane::Create(255, path.c_str(), 0);
  ASSERT_GE(h, 0);
  std::vector<uint8_t> bytes(70000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  selvane::Write(h, 0, bytes.data(), static_cast<int>(bytes.size()));
  selvane::Close(h);

  h = selvane::OpenRead(255, path.c_str(), 1);
  ASSERT_GE(h, 0);
  std::vector<uint8_t> back(80000, 0);
  EXPECT_EQ(selvane::Read(h, 0, back.data(), 88), 88);
  EXPECT_EQ(selvane::Read(h, 0, back.data() + 88, 80000 - 88), 70000 - 88) << "a short read is the end";
  EXPECT_EQ(selvane::Read(h, 0, back.data(), 10), 0);
  selvane::Close(h);
  back.resize(70000);
  EXPECT_EQ(back, bytes);

  EXPECT_EQ(selvane::OpenRead(255, Path("missing.bff").c_str(), 1), -1);
  EXPECT_EQ(selvane::Create(255, Path("no/such/dir.bff").c_str(), 0), -1);
  // A path that does not end within its highest index is refused, not cut.
  std::u16string cut = path;
  EXPECT_EQ(selvane::OpenRead(static_cast<int>(cut.size()) - 2, cut.c_str(), 1), -1);
  EXPECT_EQ(selvane::OpenRead(255, u"", 1), -1);
}

TEST(ShaderCode, RoundTripAndRefusals) {
  const std::string source = "void main()\n{\n  gl_FragColor = vec4(1.0);\n}\n";
  const char* key = gpu::kShaderKey;
  std::vector<uint8_t> code = kavrin::EncodeShader(source, key);
  EXPECT_EQ(std::string(code.begin() + 12, code.end()).find("gl_FragColor"), std::string::npos) << "enciphered";
  auto decode = [](std::vector<uint8_t> file, const char* k) {
    const uint32_t n = static_cast<uint32_t>(file.size());
    file.push_back(0);
    const int r = kavrin::DecodeShader(14, file.data(), n, 8, k, 0, 0);
    return std::make_pair(r, r == 0 ? std::string(reinterpret_cast<const char*>(file.data())) : std::string());
  };
  auto [ok, text] = decode(code, key);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(text, source);

  std::vector<uint8_t> plain(source.begin(), source.end());
  std::vector<uint8_t> truncated(code.begin(), code.end() - 1);
  std::vector<uint8_t> flipped = code;
  flipped[20] ^= 1;
  const struct {
    const char* what;
    std::vector<uint8_t> file;
    const char* key;
  } refusals[] = {
      {"wrong key", code, "tq4Rv7Lx"}, {"plain file", plain, key},  {"truncated", truncated, key},
      {"damaged", flipped, key},       {"empty", {}, key},          {"header only", {code.begin(), code.begin() + 11}, key},
  };
  for (const auto& c : refusals) EXPECT_NE(decode(c.file, c.key).first, 0) << c.what;
}

}  // namespace
