// The overlay picture: the input frame with the method's "overlay" frame and
// its drawing list painted on it.
#pragma once

#include <string>
#include <vector>

#include "talvix/host.hpp"

namespace modhost {

// A 32-bit opaque copy of `base` (grey replicated, alpha 255) with `overlay`
// blended over it by its alpha (8- and 24-bit overlays: where not black) and
// the drawing list rendered on top. With no base, the overlay's size on black.
// Empty when there is neither, or with *reason set when the picture would be
// too large to hold or to write.
talvix::FrameBuffer ComposeOverlay(const talvix::FrameBuffer* base, const talvix::FrameBuffer& overlay,
                                   const std::vector<talvix::DrawCall>& calls, std::string* reason);

}  // namespace modhost
