// Integer inputs read by position: defaults, truncation, saturation and the
// correction and array warnings.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "frame/input_params.h"
#include "talvix/host.hpp"

namespace {

TEST(InputParams, IntInRangeTruncatesSaturatesAndCorrects) {
  struct Case {
    const char* what;
    std::vector<double> values;  // empty: input left unset
    int expected;
    size_t warnings;
  };
  const Case cases[] = {
      {"unset input", {}, 7, 0},
      {"not a number", {NAN}, 7, 0},
      {"truncated toward zero", {12.9}, 12, 0},
      {"small negative truncates to zero", {-0.5}, 0, 0},
      {"below the range", {-3}, 0, 1},
      {"far past the int range", {1e12}, 100, 1},
      {"array: first element, warned", {3, 4}, 3, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    talvix::RunContext ctx({{ptNumber, u"Count", u""}}, {});
    if (!c.values.empty()) ctx.setNumbers(u"Count", c.values);
    const auto in = ctx.inputList();
    const auto out = ctx.outputList();
    const frame::RunArgs args{ctx.hostContext(), in.list, in.names, out.list, out.names, 0, nullptr};
    EXPECT_EQ(frame::IntInRange(args, 0, 7, 0, 100, true), c.expected);
    EXPECT_EQ(ctx.warnings().size(), c.warnings);
  }
}

}  // namespace
