// The cut of the search region's lines over the threads.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "modules/kelmar/pattern/partition.h"

namespace {

TEST(SearchPartition, EveryLineOnceAndEachPartItsOwnThread) {
  for (int parts = 1; parts <= 8; ++parts) {
    for (int lines = 1; lines <= 40; ++lines) {
      for (const auto& [w, h] : {std::pair{lines * 3.0, 5.0}, std::pair{4.0, lines * 3.0}, std::pair{2.0, 2.0}}) {
        SCOPED_TRACE(testing::Message() << parts << " parts, " << lines << " lines, " << w << " x " << h);
        const auto blocks = kelmar::PartitionLines(lines, w, h, parts);
        ASSERT_EQ(blocks.size(), static_cast<size_t>(parts));
        std::vector<int> seen(lines, 0);
        std::set<int> threads;
        for (const auto& b : blocks) {
          threads.insert(b.thread);
          for (int i = b.firstLine; i <= b.lastLine; ++i) {
            ASSERT_GE(i, 0);
            ASSERT_LT(i, lines);
            ++seen[i];
          }
        }
        EXPECT_EQ(threads.size(), static_cast<size_t>(parts));
        for (int i = 0; i < lines; ++i) EXPECT_EQ(seen[i], 1) << "line " << i;
      }
    }
  }
}

// Lines across the width are numbered from the far end of u, so the part
// holding the lowest u holds the highest line numbers.
TEST(SearchPartition, BoundsFollowTheLineOrder) {
  const auto wide = kelmar::PartitionLines(100, 400, 100, 4);
  EXPECT_EQ(wide[0].lastLine, 99);
  EXPECT_EQ(wide[0].uFrom, 0);
  EXPECT_EQ(wide[0].uMin, 0);
  EXPECT_EQ(wide[1].uMin, 97);
  EXPECT_EQ(wide[0].uMax, 104);
  EXPECT_EQ(wide[3].firstLine, 0);
  EXPECT_EQ(wide[3].uFrom, 300);
  EXPECT_EQ(wide[3].uMin, 295);
  EXPECT_EQ(wide[3].uTo, 399);
  const auto tall = kelmar::PartitionLines(100, 100, 400, 4);
  EXPECT_EQ(tall[0].firstLine, 0);
  EXPECT_EQ(tall[0].vFrom, 0);
  EXPECT_EQ(tall[1].vMin, 95);
  EXPECT_EQ(tall[3].lastLine, 99);
  EXPECT_EQ(tall[3].vTo, 399);
}

}  // namespace
