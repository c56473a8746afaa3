// The barcode method end to end through the exports on the host's context.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "barcode_render.h"
#include "detectors.h"
#include "gl_test_util.h"
#include "module_run.h"

namespace {

using talvix::FrameBuffer;

talvix::Module& Mod() { return module_test::Load("hoskin"); }

struct Drawn {
  int symbology;
  std::string data;
  double angle, module, cx, cy;
};

// Symbols drawn into one 8-bit frame (darker pixel wins), optionally as 32 bits.
FrameBuffer Draw(int width, int depth, const std::vector<Drawn>& symbols, int bpp = 8) {
  FrameBuffer out = FrameBuffer::make(width, depth, 8, 255);
  for (const Drawn& s : symbols) {
    dunsel_test::Render r;
    r.width = width, r.depth = depth, r.module = s.module, r.angle = s.angle, r.height = 70, r.noise = 5;
    r.cx = s.cx, r.cy = s.cy;
    FrameBuffer f = dunsel_test::RenderRow(dunsel_test::ZintRow(s.symbology, s.data), r);
    for (int y = 0; y < depth; ++y) {
      for (int x = 0; x < width; ++x) out.pixel(x, y)[0] = std::min(out.pixel(x, y)[0], f.pixel(x, y)[0]);
    }
  }
  if (bpp == 8) return out;
  FrameBuffer colour = FrameBuffer::make(width, depth, 32, 0);
  for (int y = 0; y < depth; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = colour.pixel(x, y);
      p[0] = p[1] = p[2] = out.pixel(x, y)[0];
    }
  }
  return colour;
}

std::vector<std::pair<std::u16string, std::u16string>> Codes(talvix::RunContext& ctx) {
  const std::vector<std::u16string> texts = ctx.strings(u"Result string"), types = ctx.strings(u"Barcode type");
  std::vector<std::pair<std::u16string, std::u16string>> out;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (!texts[i].empty()) out.push_back({texts[i], i < types.size() ? types[i] : u""});
  }
  std::sort(out.begin(), out.end());
  return out;
}

class BarcodeRun : public testing::Test {
 protected:
  void SetUp() override { REQUIRE_GL(); }
};

TEST_F(BarcodeRun, SymbolsOfEveryKindWithTheirTextAndType) {
  struct Case {
    const char* name;
    int width, depth, bpp;
    std::vector<Drawn> symbols;
    std::vector<std::pair<std::u16string, std::u16string>> codes;
  };
  const Case cases[] = {
      {"ean13 8-bit odd width", 331, 200, 8, {{BARCODE_EANX, "590123412345", 0, 2.5, 165, 100}},
       {{u"5 901234 123457", u"EAN 13"}}},
      {"ean8 32-bit turned", 300, 240, 32, {{BARCODE_EANX, "1234567", 30, 3, 150, 120}}, {{u"1234 5670", u"EAN 8"}}},
      {"upc-e upside down", 241, 180, 8, {{BARCODE_UPCE, "0425261", 180, 3, 120, 90}}, {{u"0425261 4", u"UPC-E"}}},
      {"code39 quarter turn", 220, 321, 8, {{BARCODE_CODE39, "HOSKIN", 90, 2, 110, 160}},
       {{u"HOSKIN", u"Code 39"}}},
      {"two in one frame", 401, 300, 8,
       {{BARCODE_CODE128, "Two-1", 0, 2.5, 200, 70}, {BARCODE_EANX, "590123412345", 0, 2.5, 200, 220}},
       {{u"5 901234 123457", u"EAN 13"}, {u"Two-1", u"Code 128"}}},
  };
  for (const Case& c : cases) {
    module_test::MethodRun run("hoskin", "gpu_barcode");
    run.ctx.setFrame(u"input frame", Draw(c.width, c.depth, c.symbols, c.bpp));
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << c.name << ": " << talvix::ToUtf8(r.error);
    EXPECT_EQ(Codes(run.ctx), c.codes) << c.name;
    EXPECT_EQ(run.ctx.numbers(u"Number of codes detected"), std::vector<double>{static_cast<double>(c.codes.size())})
        << c.name;
    const auto drawn = module_test::CallsOf(run.ctx.drawList(), "DrawDirectionUnderpainted");
    EXPECT_EQ(drawn.size(), c.codes.size()) << c.name;
  }
}

TEST_F(BarcodeRun, TextsReadWholeAndAsPrinted) {
  struct Case {
    int symbology;
    std::string data;
    std::u16string text;
  };
  const Case cases[] = {
      // "$", "/", "+" and "%" that pair with no letter: plain Code 39.
      {BARCODE_CODE39, "ABC-12 $/+%", u"ABC-12 $/+%"},
      {BARCODE_EXCODE39, std::string("AB\0C", 4), std::u16string(u"AB\0C", 4)},
      {BARCODE_CODE128, std::string("A\0BC", 4), std::u16string(u"A\0BC", 4)},
      {BARCODE_CODE128, "Gr\xf6\xdf" "e", u"Gr\u00f6\u00dfe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(talvix::ToUtf8(c.text));
    module_test::MethodRun run("hoskin", "gpu_barcode");
    run.ctx.setFrame(u"input frame", Draw(600, 200, {{c.symbology, c.data, 0, 2, 300, 100}}));
    ASSERT_TRUE(run().ok);
    std::vector<std::u16string> texts;
    for (const auto& [text, type] : Codes(run.ctx)) texts.push_back(text);
    EXPECT_EQ(texts, std::vector<std::u16string>{c.text});
  }
}

TEST_F(BarcodeRun, CleanUprightSymbolsAndBandsRead) {
  // Every line of these decodes the symbol; each repeat must count as a hit
  // or the region's code keeps one hit and is dropped.
  struct Case {
    const char* name;
    int symbology;
    std::string data;
    int depth;  // of the frame
    double height;
    std::u16string text;
  };
  const Case cases[] = {
      {"ean13 bars 90 high", BARCODE_EANX, "590123412345", 240, 90, u"5 901234 123457"},
      {"ean13 150 px band", BARCODE_EANX, "590123412345", 170, 150, u"5 901234 123457"},
      {"code128 60 px band", BARCODE_CODE128, "Two-1", 80, 60, u"Two-1"},
      {"code128 bars 120 high", BARCODE_CODE128, "Two-1", 240, 120, u"Two-1"},
  };
  for (const Case& c : cases) {
    dunsel_test::Render r;
    r.width = 400, r.depth = c.depth, r.module = 2, r.height = c.height;
    module_test::MethodRun run("hoskin", "gpu_barcode");
    run.ctx.setFrame(u"input frame", dunsel_test::RenderRow(dunsel_test::ZintRow(c.symbology, c.data), r));
    ASSERT_TRUE(run().ok) << c.name;
    std::vector<std::u16string> texts;
    for (const auto& [text, type] : Codes(run.ctx)) texts.push_back(text);
    EXPECT_EQ(texts, std::vector<std::u16string>{c.text}) << c.name;
  }
}

TEST_F(BarcodeRun, DegradedSymbolsGiveTheirTextOrNothing) {
  // Drawn symbols that were read as other texts: UPC-E upside down (read
  // shifted or reversed, with no check of its own), an EAN-13 whose left half
  // read as an EAN-8, and EAN-13s with a blurred digit corrected the wrong way.
  struct Case {
    const char* name;
    int symbology;
    std::string data;
    double module, angle, height, blur, noise;
    int dark, light;
    double cx, cy;
    uint32_t seed;
    std::u16string text;
  };
  const Case cases[] = {
      {"upc-e upside down", BARCODE_UPCE, "0199446", 2.619, 191.486, 48.6, 0.5, 3, 35, 238, 206.0, 149.8, 8,
       u"0199446 9"},
      {"upc-e upside down, blurred", BARCODE_UPCE, "0614813", 2.659, 194.508, 96.0, 1, 5, 51, 220, 201.4, 175.0, 68,
       u"0614813 6"},
      {"ean13 low contrast, turned", BARCODE_EANX, "570208311186", 3.056, -4.921, 43.5, 0.5, 4, 111, 183, 186.2,
       163.9, 116, u"5 702083 111868"},
      {"ean13 small, turned", BARCODE_EANX, "512708898951", 2.501, 2.505, 41.9, 0.5, 10, 47, 206, 194.6, 122.1, 301,
       u"5 127088 989517"},
      {"ean13 small, blurred", BARCODE_EANX, "827886519913", 2.277, -7.057, 65.4, 1, 11, 47, 232, 205.2, 130.3, 226,
       u"8 278865 199135"},
  };
  for (const Case& c : cases) {
    dunsel_test::Render r;
    r.width = 400, r.depth = 300, r.module = c.module, r.angle = c.angle, r.height = c.height, r.blur = c.blur;
    r.noise = c.noise, r.dark = c.dark, r.light = c.light, r.cx = c.cx, r.cy = c.cy, r.seed = c.seed;
    module_test::MethodRun run("hoskin", "gpu_barcode");
    run.ctx.setFrame(u"input frame", dunsel_test::RenderRow(dunsel_test::ZintRow(c.symbology, c.data), r));
    ASSERT_TRUE(run().ok) << c.name;
    for (const auto& [text, type] : Codes(run.ctx)) EXPECT_EQ(text, c.text) << c.name;
  }
}

// The object's class information lives in the module, not in this program:
// the sanitizer's type check of the member access cannot be linked here.
__attribute__((no_sanitize("vptr"))) void ForgetUnderpaintedDraw(intptr_t handle) {
  reinterpret_cast<hoskin::CBarcodeDetector*>(handle)->underpaintedDraw = nullptr;
}

TEST_F(BarcodeRun, WithoutTheUnderpaintedFunctionTextsAreDrawnPlain) {
  module_test::MethodRun run("hoskin", "gpu_barcode");
  // As in a host that does not export the function (the handle is the object).
  ForgetUnderpaintedDraw(run.handle);
  run.ctx.setFrame(u"input frame", Draw(300, 200, {{BARCODE_CODE128, "Plain", 0, 2.5, 150, 100}}));
  ASSERT_TRUE(run().ok);
  const auto plain = module_test::CallsOf(run.ctx.drawList(), "DrawDirection");
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ(plain[0].text, u"Plain");
  EXPECT_TRUE(module_test::CallsOf(run.ctx.drawList(), "DrawDirectionUnderpainted").empty());
}

TEST_F(BarcodeRun, CorrectedInputsAreWarnedAbout) {
  module_test::MethodRun run("hoskin", "gpu_barcode");
  run.ctx.setFrame(u"input frame", Draw(300, 200, {{BARCODE_CODE128, "Warn", 0, 2.5, 150, 100}}));
  run.ctx.setNumbers(u"detector window size", {60, -2});
  run.ctx.setNumbers(u"brightness differentiation sensitivity", {0.7});
  run.ctx.setNumbers(u"content of drawings into the picture", {5});
  ASSERT_TRUE(run().ok);
  const std::vector<std::u16string>& w = run.ctx.warnings();
  const auto mentions = [&](const std::u16string& part) {
    return std::count_if(w.begin(), w.end(), [&](const std::u16string& t) { return t.find(part) != t.npos; });
  };
  EXPECT_EQ(mentions(u"detector window size (60). It will be used new value 50"), 1);
  EXPECT_EQ(mentions(u"detector window size"), 2);  // and the second element, -2 -> 0
  EXPECT_EQ(mentions(u"brightness differentiation sensitivity"), 1);
  EXPECT_EQ(mentions(u"content of drawings into the picture (5). It will be used new value 3"), 1);
}

TEST_F(BarcodeRun, NothingIsWrittenWithoutDrawingOutputs) {
  module_test::MethodRun run("hoskin", "gpu_barcode");
  run.ctx.setFrame(u"input frame", Draw(300, 200, {{BARCODE_CODE128, "Quiet", 0, 2.5, 150, 100}}));
  run.ctx.setFlags(u"draw outputs into the picture", {false});
  ASSERT_TRUE(run().ok);
  for (const std::u16string& t : run.ctx.strings(u"Result string")) EXPECT_TRUE(t.empty());
  EXPECT_TRUE(run.ctx.numbers(u"Number of codes detected").empty());
  EXPECT_TRUE(run.ctx.drawList().empty());
}

TEST_F(BarcodeRun, LaterRunsOnTheSameAndOnANewSizeStillRead) {
  module_test::MethodRun run("hoskin", "gpu_barcode");
  const std::vector<std::pair<std::u16string, std::u16string>> want = {{u"Again", u"Code 128"}};
  run.ctx.setFrame(u"input frame", Draw(300, 200, {{BARCODE_CODE128, "Again", 0, 2.5, 150, 100}}));
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(Codes(run.ctx), want);
  ASSERT_TRUE(run().ok);  // same stamp and size: no set-up, no texture upload
  EXPECT_EQ(Codes(run.ctx), want);
  run.ctx.setFrame(u"input frame", Draw(360, 260, {{BARCODE_CODE128, "Again", 20, 2.5, 200, 140}}));
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(Codes(run.ctx), want);
}

TEST_F(BarcodeRun, MissingResultOutputOrFrameFailsBeforeAnyRequest) {
  module_test::MethodRun run("hoskin", "gpu_barcode");
  talvix::RunResult r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"Cannot get source frame");
  run.ctx.setFrame(u"input frame", FrameBuffer::make(64, 48, 8, 200));
  run.ctx.setUnnamed(u"Result string");
  r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"There is no defined string for the result");
  EXPECT_TRUE(run.ctx.inspection().requests().empty());
}

TEST_F(BarcodeRun, AMissingShaderFileLeavesEitherMethodUnusable) {
  // The module alone in a directory without its shader files.
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("hoskin_no_shaders_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(talvix::DefaultModuleDirectory() + "/hoskin.so", dir / "hoskin.so",
                             std::filesystem::copy_options::overwrite_existing);
  std::string error;
  std::unique_ptr<talvix::Module> m = talvix::Module::load((dir / "hoskin.so").string(), &error);
  ASSERT_NE(m, nullptr) << error;
  for (int method : {0, 1}) {
    talvix::Inspection inspection;
    talvix::RunContext ctx(*m, method, &inspection);
    const intptr_t h = m->create(method);
    ctx.setFrame(u"input frame", FrameBuffer::make(64, 48, 8, 200));
    talvix::RunResult r = ctx.run(h);
    EXPECT_FALSE(r.ok) << method;
    EXPECT_EQ(r.error, u"Error during shader building") << method;
    inspection.clearRequests();
    r = ctx.run(h);
    EXPECT_FALSE(r.ok) << method;
    EXPECT_EQ(r.error, u"Error during shader building") << method;
    EXPECT_TRUE(inspection.requests().empty()) << method;
    m->destroy(h, &inspection);
    EXPECT_TRUE(inspection.requests().empty()) << method;  // never set up: no release bracket
  }
  m.reset();
  std::filesystem::remove_all(dir);
}

TEST_F(BarcodeRun, ReleaseBracketOnlyAfterASuccessfulSetUp) {
  talvix::Module& m = Mod();
  for (int method : {0, 1}) {
    for (bool ran : {false, true}) {
      talvix::Inspection inspection;
      talvix::RunContext ctx(m, method, &inspection);
      const intptr_t h = m.create(method);
      ctx.setFrame(u"input frame", FrameBuffer::make(64, 48, 8, 200));
      if (ran) {
        ASSERT_TRUE(ctx.run(h).ok) << method;
      }
      inspection.clearRequests();
      m.destroy(h, &inspection);
      std::vector<std::u16string> names;
      for (const talvix::CameraRequest& q : inspection.requests()) names.push_back(q.name);
      EXPECT_EQ(names, ran ? (std::vector<std::u16string>{u"*_LRC", u"*_URC"}) : std::vector<std::u16string>{})
          << method;
    }
  }
}

TEST_F(BarcodeRun, ARunWithoutTheContextLeavesTheSetUpToTheNext) {
  talvix::Inspection inspection;
  module_test::MethodRun run("hoskin", "gpu_barcode", &inspection);
  run.ctx.setFrame(u"input frame", Draw(300, 200, {{BARCODE_CODE128, "Later", 0, 2.5, 150, 100}}));
  inspection.setRequestHandler([](const std::u16string& n, void*, int) -> std::optional<talvix::RequestAnswer> {
    if (n == u"*_LRC") return talvix::RequestAnswer{false, u"no context"};
    return std::nullopt;
  });
  EXPECT_FALSE(run().ok);
  EXPECT_TRUE(run.ctx.numbers(u"Number of codes detected").empty());
  inspection.setRequestHandler(nullptr);
  // Same stamp and size: the set-up and the frame texture still follow.
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(Codes(run.ctx), (std::vector<std::pair<std::u16string, std::u16string>>{{u"Later", u"Code 128"}}));
}

}  // namespace
