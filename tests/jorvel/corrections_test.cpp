// The common steps of a run: numbers out of range are corrected and reported,
// defaults never are, and an array input warns that only its first element
// counts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jorvel_run.h"

namespace {

using jorvel_test::Filter;

std::u16string Corrected(const std::u16string& name, const std::u16string& old, const std::u16string& now) {
  return u"Not acceptable value of the parameter " + name + u" (" + old + u"). It will be used new value " + now + u".";
}

TEST(JorvelCorrections, WarningsByMethodAndInput) {
  struct Case {
    const char* id;
    std::u16string input;
    std::vector<double> values;  // empty: not given
    std::vector<std::u16string> warnings;
  };
  const std::u16string kArray = u"Only the first element of the array would be evaluated in the input data object ";
  const std::vector<Case> cases = {
      {"gaussian", u"Kernel radius", {}, {}},
      {"gaussian", u"Kernel radius", {11}, {Corrected(u"Kernel radius", u"11", u"10")}},
      {"gaussian", u"Kernel radius", {-3.7}, {Corrected(u"Kernel radius", u"-3", u"0")}},
      {"gaussian", u"Kernel radius", {10.9}, {}},
      {"gaussian", u"Kernel radius", {2, 5}, {kArray + u"Kernel radius"}},
      {"mean", u"Kernel radius", {11, 1}, {kArray + u"Kernel radius", Corrected(u"Kernel radius", u"11", u"10")}},
      {"blur", u"Kernel radius", {0}, {Corrected(u"Kernel radius", u"0", u"1")}},
      {"blur", u"Pass-through rating", {1.5}, {Corrected(u"Pass-through rating", u"1.500000", u"1.000000")}},
      {"blur", u"Pass-through rating", {-0.25}, {Corrected(u"Pass-through rating", u"-0.250000", u"0.000000")}},
      {"edge", u"Threshold", {2}, {Corrected(u"Threshold", u"2.000000", u"1.000000")}},
      {"edge", u"Threshold", {-1}, {Corrected(u"Threshold", u"-1.000000", u"0.000000")}},
      {"edge", u"Threshold", {0.5}, {}},
      {"laplacian_high_boost_1", u"High-boost coefficient", {-1e9}, {}},
      {"kernel", u"Kernel width", {3, 3}, {kArray + u"Kernel width"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " " << talvix::ToUtf8(c.input) << " " << (c.values.empty() ? -1 : c.values[0]));
    Filter f(c.id);
    f.input(jorvel_test::Pattern(8, 6, 8, 2));
    f.numbersIfAny(u"Kernel width", {1});
    f.numbersIfAny(u"Kernel height", {1});
    f.numbersIfAny(u"Kernel source", std::vector<double>(9, 1.0));
    if (!c.values.empty()) f.ctx.setNumbers(c.input, c.values);
    ASSERT_TRUE(f.run().ok);
    EXPECT_EQ(f.ctx.warnings(), c.warnings);
  }
}

}  // namespace
