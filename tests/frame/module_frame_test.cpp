// The shared constants and the pinning of the host library.
#include "frame/module_frame.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ModuleFrame, SharedConstants) {
  EXPECT_EQ(frame::Sqrt3, std::sqrt(3.0));
  EXPECT_EQ(frame::MaxColorDistance, 441.67295593006367);  // the distance of black and white
  EXPECT_DOUBLE_EQ(frame::MaxColorDistance, std::hypot(255.0, 255.0, 255.0));
}

TEST(ModuleFrame, HostLibraryCanBePinned) {
  EXPECT_TRUE(frame::LoadHostLibrary());
  EXPECT_TRUE(frame::LoadHostLibrary()) << "pinning again is harmless";
}

}  // namespace
