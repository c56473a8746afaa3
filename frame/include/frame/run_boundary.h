// The exception boundary of RunMethod: nothing thrown by a run may cross the
// C interface, so a throw becomes a false answer with a text.
#pragma once

#include <new>

#include "frame/run_args.h"

namespace frame {

template <class Body>
bool RunGuarded(const RunArgs& args, const Body& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return args.fail(u"error: Not enough memory");
  } catch (...) {
    return args.fail(u"error: Unexpected failure");
  }
}

}  // namespace frame
