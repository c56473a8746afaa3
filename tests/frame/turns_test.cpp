// Full-turn angles and the quarter-turn rule of region turns.
#include "frame/turns.h"

#include <gtest/gtest.h>

namespace {

struct TurnCase {
  double degrees, full, snapped;
};

// A turn a hair below 0 rounds to 360 when moved up by a full turn: it is 0.
const TurnCase kTurns[] = {
    {0, 0, 0},
    {360, 0, 360},
    {-90, 270, -90},
    {720.5, 0.5, 720.5},
    {-1e-17, 0, 0},
    {-1e-9, 360 - 1e-9, 0},
    {90.0000001, 90.0000001, 90},
    {-270.0000001, 89.9999999, -270},
    {90.00001, 90.00001, 90.00001},
};

TEST(Turns, FullTurnAndQuarterTurnSnap) {
  for (const TurnCase& c : kTurns) {
    SCOPED_TRACE(c.degrees);
    const double full = frame::FullTurn(c.degrees);
    EXPECT_GE(full, 0.0);
    EXPECT_LT(full, 360.0);
    EXPECT_NEAR(full, c.full, 1e-9);
    EXPECT_EQ(frame::SnapQuarterTurn(c.degrees), c.snapped);
  }
}

}  // namespace
