// The parameter warnings every module links, read back from the stand-in host.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame/module_frame.h"
#include "talvix/host.hpp"

namespace {

const std::u16string kLongName(70, u'n');  // longer than the 64 characters a warning keeps

talvix::RunContext MakeContext() {
  return talvix::RunContext({{ptNumber, u"Threshold", u""}, {ptNumber, kLongName, u""}}, {});
}

std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

TEST(Warnings, ArrayInputWarnsOnlyForMoreThanOneElement) {
  const std::u16string prefix = u"Only the first element of the array would be evaluated in the input data object ";
  struct Case {
    const char* what;
    std::u16string name;
    std::vector<double> values;  // empty: input left unset
    bool empty = false;          // highest index -1
    std::u16string warning;      // empty: no warning
  };
  const Case cases[] = {
      {"three elements", u"Threshold", {1, 2, 3}, false, prefix + u"Threshold"},
      {"one element", u"Threshold", {1}, false, u""},
      {"empty array", u"Threshold", {}, true, u""},
      {"unset input", u"Threshold", {}, false, u""},
      {"empty name", u"", {1, 2}, false, u""},
      {"name cut at 64", kLongName, {1, 2}, false, prefix + kLongName.substr(0, 64)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    talvix::RunContext ctx = MakeContext();
    const std::u16string target = c.name.empty() ? u"Threshold" : c.name;
    if (!c.values.empty()) ctx.setNumbers(target, c.values);
    if (c.empty) ctx.setEmpty(target);
    frame::WarnArrayInput(ctx.hostContext(), 127, c.name.c_str());
    if (c.warning.empty()) {
      EXPECT_TRUE(ctx.warnings().empty());
    } else {
      ASSERT_EQ(ctx.warnings().size(), 1u);
      EXPECT_EQ(ctx.warnings()[0], c.warning);
    }
  }
}

TEST(Warnings, CorrectedValueTexts) {
  struct Case {
    const char* what;
    bool real;
    int nameLen;
    std::u16string name;
    double oldValue, newValue;
    std::u16string text;
  };
  const Case cases[] = {
      {"int", false, 63, u"Count", 0, 1,
       u"Not acceptable value of the parameter Count (0). It will be used new value 1."},
      {"real", true, 63, u"Alpha", 0.5, 1.0,
       u"Not acceptable value of the parameter Alpha (0.500000). It will be used new value 1.000000."},
      {"name cut at nameLen + 1", false, 3, u"Counter", -2, 1,
       u"Not acceptable value of the parameter Coun (-2). It will be used new value 1."},
      // Numbers are kept whole: a cut number would name a wrong value.
      {"negative real kept whole", true, 63, u"Add value", -1.5, -1.0,
       u"Not acceptable value of the parameter Add value (-1.500000). It will be used new value -1.000000."},
      {"long int kept whole", false, 63, u"Count", -123456789, 2147483647,
       u"Not acceptable value of the parameter Count (-123456789). It will be used new value 2147483647."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    talvix::RunContext ctx = MakeContext();
    if (c.real) {
      frame::WarnRealParameterCorrected(ctx.hostContext(), c.nameLen, c.name.c_str(), static_cast<float>(c.oldValue),
                                        static_cast<float>(c.newValue));
    } else {
      frame::WarnIntParameterCorrected(ctx.hostContext(), c.nameLen, c.name.c_str(), static_cast<int>(c.oldValue),
                                       static_cast<int>(c.newValue));
    }
    ASSERT_EQ(ctx.warnings().size(), 1u);
    EXPECT_EQ(ctx.warnings()[0], c.text);
  }
}

// A huge value once overflowed a 16-character number buffer.
TEST(Warnings, HugeRealValueIsFormattedWhole) {
  talvix::RunContext ctx = MakeContext();
  const float huge = 3.0e38f;
  frame::WarnRealParameterCorrected(ctx.hostContext(), 63, u"Multiplier", huge, 1.0f);
  char expected[128];
  std::snprintf(expected, sizeof expected, "%f", static_cast<double>(huge));
  ASSERT_EQ(ctx.warnings().size(), 1u);
  EXPECT_EQ(ctx.warnings()[0], u"Not acceptable value of the parameter Multiplier (" + Widen(expected) +
                                   u"). It will be used new value 1.000000.");
}

TEST(Warnings, TextStaysWithin255Characters) {
  talvix::RunContext ctx = MakeContext();
  const std::u16string name(300, u'x');
  frame::WarnIntParameterCorrected(ctx.hostContext(), 299, name.c_str(), 5, 6);
  ASSERT_EQ(ctx.warnings().size(), 1u);
  const std::u16string prefix = u"Not acceptable value of the parameter ";
  EXPECT_EQ(ctx.warnings()[0], prefix + name.substr(0, 255 - prefix.size()));
}

}  // namespace
