// The process-wide headless OpenGL context that the camera requests lend to
// the GPU modules: EGL without a window, a legacy (compatibility) profile, as
// the modules draw with fixed-function calls, and a pbuffer with stencil bits.
#pragma once

#include <string>

namespace talvix {

// Makes the context on first use and keeps it for the process, as modules
// keep GL names across runs. False with EGL's reason when it cannot be made.
bool EnsureGlContext(std::string* reason);
// Makes the context current on a pbuffer of at least w x h (w, h <= 0: keep
// the current one, 1 x 1 at first).
bool MakeGlCurrent(int w, int h, std::string* reason);
// Releases the context from this thread.
void ReleaseGl();
bool GlCurrent();

}  // namespace talvix
