// Decoding candidate regions of drawn symbols on the CPU: the three scans,
// the votes and the merging, without the GPU stage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "barcode_render.h"
#include "decoder/decoder.h"

namespace {

using hoskin::CBarcodeDecoder;

std::u16string Text(HostString s) { return s ? std::u16string(s->chars, s->length) : std::u16string(); }

struct RegionCase {
  const char* name;
  int symbology;
  std::string data;
  double angle;       // of the drawn symbol, degrees
  double module;
  double lengthScale;  // of the candidate along the bars (1: the bars' height)
  std::u16string text;
};

TEST(DecodeRegion, DrawnSymbolsReadThroughTheirCandidateRegion) {
  const RegionCase cases[] = {
      {"ean13 upright", BARCODE_EANX, "590123412345", 0, 2.5, 0.8, u"5 901234 123457"},
      {"code128 turned 30", BARCODE_CODE128, "Hoskin-42", 30, 2.2, 0.8, u"Hoskin-42"},
      {"code39 upside down", BARCODE_CODE39, "CODE39", 180, 2.0, 0.8, u"CODE39"},
      {"ean8 region too short along the bars", BARCODE_EANX, "1234567", 90, 2.4, 0.15, u"1234 5670"},
  };
  for (const RegionCase& c : cases) {
    dunsel_test::Render r;
    r.width = 360, r.depth = 300, r.module = c.module, r.angle = c.angle, r.height = 90, r.blur = 0,
    r.noise = 6, r.seed = 3;
    const std::vector<int> bits = dunsel_test::ZintRow(c.symbology, c.data);
    talvix::FrameBuffer f = dunsel_test::RenderRow(bits, r);
    // The picture is stored bottom-up: in memory rows the angle turns the
    // other way. The candidate: centre, direction along the bars, half sizes.
    // The GPU stage's directions are never exact: 1.5 degrees off.
    const double a = -(c.angle + 1.5) * M_PI / 180;
    hoskin::CRegionListElem region;
    region.cx = static_cast<float>(r.width / 2.0);
    region.cy = static_cast<float>(r.depth - 1 - r.depth / 2.0);
    region.dx = static_cast<float>(-std::sin(a));
    region.dy = static_cast<float>(std::cos(a));
    region.halfLength = static_cast<float>(r.height / 2 * c.lengthScale);
    region.halfWidth = static_cast<float>(bits.size() * c.module / 2 + 4);
    CBarcodeDecoder d;
    d.SetFrame(f.frame(), nullptr);
    d.SetScanGeometry(region);
    EXPECT_TRUE(d.DecodeRegion()) << c.name;
    std::vector<std::u16string> texts;
    for (gpu::CListElem* e = d.codes.head; e; e = e->next) texts.push_back(Text(static_cast<hoskin::CCodeListElem*>(e)->text));
    EXPECT_EQ(texts, std::vector<std::u16string>{c.text}) << c.name;
  }
}

TEST(DecodeRegion, ClutterGivesNoCodeAndKeepsTheRunsCodes) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(200, 120, 8);
  uint32_t h = 5;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 200; ++x) {
      h = h * 1664525u + 1013904223u;
      f.pixel(x, y)[0] = static_cast<uint8_t>(((x / 7 + y / 5) % 3) * 90 + (h >> 28));
    }
  }
  CBarcodeDecoder d;
  d.SetFrame(f.frame(), nullptr);
  auto* earlier = new hoskin::CCodeListElem;
  d.codes.Append(earlier);
  hoskin::CRegionListElem region;
  region.cx = 100, region.cy = 60, region.dx = 0, region.dy = 1, region.halfLength = 30, region.halfWidth = 80;
  d.SetScanGeometry(region);
  EXPECT_FALSE(d.DecodeRegion());
  ASSERT_EQ(d.codes.count, 1);
  EXPECT_EQ(d.codes.head, earlier);
}

void AddCode(CBarcodeDecoder& d, const char16_t* t, double x, int hits) {
  auto* c = new hoskin::CCodeListElem;
  SetString(static_cast<int>(std::char_traits<char16_t>::length(t)) - 1, t, &c->text);
  const double corners[10] = {x, 0, x + 10, 0, x + 10, 10, x, 10, x, 0};
  std::copy(corners, corners + 10, c->corners);
  std::copy(corners, corners + 10, c->regionGeometry);
  c->line[0] = x, c->line[1] = 5, c->line[2] = x + 10, c->line[3] = 5;
  c->hits = hits;
  d.codes.Append(c);
}

std::vector<std::pair<std::u16string, int>> TextsAndHits(CBarcodeDecoder& d) {
  std::vector<std::pair<std::u16string, int>> got;
  for (gpu::CListElem* e = d.codes.head; e; e = e->next) {
    auto* c = static_cast<hoskin::CCodeListElem*>(e);
    got.push_back({Text(c->text), c->hits});
  }
  return got;
}

// Every order of the list gives the same codes.
TEST(MergeCodes, DifferentTextsAtOnePlaceKeepTheOneWithMoreHitsOrNeither) {
  struct Code {
    const char16_t* text;
    double x;
    int hits;
  };
  struct Case {
    const char* name;
    std::vector<Code> codes;
    std::vector<std::pair<std::u16string, int>> kept;  // in text order
  };
  const Case cases[] = {
      {"more hits win", {{u"A", 0, 2}, {u"B", 4, 5}, {u"C", 100, 3}}, {{u"B", 5}, {u"C", 3}}},
      {"equal hits: neither", {{u"A", 0, 3}, {u"B", 4, 3}, {u"C", 100, 3}}, {{u"C", 3}}},
      {"equal hits, alone: neither", {{u"A", 0, 3}, {u"B", 4, 3}}, {}},
      // A tie hands the place to no weaker text, and a stronger one takes it.
      {"a tie above a weaker text: none", {{u"A", 0, 3}, {u"B", 4, 3}, {u"C", 2, 2}}, {}},
      {"a tie below a stronger text: the stronger", {{u"A", 0, 3}, {u"B", 4, 3}, {u"C", 2, 4}}, {{u"C", 4}}},
      {"a tie of three: none", {{u"A", 0, 3}, {u"B", 4, 3}, {u"C", 2, 3}}, {}},
      {"a tie at one place, a code elsewhere", {{u"A", 0, 3}, {u"B", 4, 3}, {u"C", 2, 2}, {u"D", 100, 2}},
       {{u"D", 2}}},
      // Same texts join first, so the conflict weighs their summed hits.
      {"a text seen twice against one seen once more", {{u"A", 0, 2}, {u"B", 4, 3}, {u"A", 1, 2}}, {{u"A", 4}}},
      {"apart: both stay", {{u"A", 0, 2}, {u"B", 20, 2}}, {{u"A", 2}, {u"B", 2}}},
  };
  for (const Case& c : cases) {
    std::vector<size_t> order(c.codes.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    do {
      std::string trace = c.name;
      for (size_t i : order) trace += " " + std::to_string(i);
      CBarcodeDecoder d;
      for (size_t i : order) AddCode(d, c.codes[i].text, c.codes[i].x, c.codes[i].hits);
      d.MergeCodes();
      auto got = TextsAndHits(d);
      std::sort(got.begin(), got.end());
      EXPECT_EQ(got, c.kept) << trace;
      EXPECT_EQ(d.codes.count, static_cast<int>(c.kept.size())) << trace;
    } while (std::next_permutation(order.begin(), order.end()));
  }
}

TEST(MergeCodes, SameTextsNearbyAddTheirHitsAndSingleHitsGoWhileOthersRemain) {
  CBarcodeDecoder d;
  const auto add = [&](const char16_t* t, double x, int hits) { AddCode(d, t, x, hits); };
  add(u"A", 0, 1);
  add(u"A", 1.5, 1);  // within 2 pixels: merged
  add(u"B", 100, 1);  // alone, one hit: dropped while another code remains
  add(u"C", 200, 3);
  d.MergeCodes();
  std::vector<std::pair<std::u16string, int>> got;
  for (gpu::CListElem* e = d.codes.head; e; e = e->next) {
    auto* c = static_cast<hoskin::CCodeListElem*>(e);
    got.push_back({Text(c->text), c->hits});
  }
  EXPECT_EQ(got, (std::vector<std::pair<std::u16string, int>>{{u"A", 2}, {u"C", 3}}));
}

}  // namespace
