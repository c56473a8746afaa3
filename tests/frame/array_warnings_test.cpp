// The warning about two input arrays of different lengths.
#include <gtest/gtest.h>

#include <string>

#include "frame/module_frame.h"
#include "talvix/host.hpp"

namespace {

TEST(WarnArraySizeMismatch, Texts) {
  const std::u16string a70(70, u'a'), b70(70, u'b');
  struct Case {
    std::u16string name1, name2, text;
  };
  const Case cases[] = {
      {u"Input region", u"Threshold",
       u"Two input arrays (Input region and Threshold) have different number of elements."},
      {u"", u"", u"Two input arrays ( and ) have different number of elements."},
      // each name keeps at most 64 characters
      {a70, b70,
       u"Two input arrays (" + a70.substr(0, 64) + u" and " + b70.substr(0, 64) +
           u") have different number of elements."},
  };
  for (const Case& c : cases) {
    talvix::RunContext ctx({}, {});
    frame::WarnArraySizeMismatch(ctx.hostContext(), c.name1.c_str(), c.name2.c_str());
    ASSERT_EQ(ctx.warnings().size(), 1u);
    EXPECT_EQ(ctx.warnings()[0], c.text);
  }
}

}  // namespace
