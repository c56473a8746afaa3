// A fault in what the user asked for (exit status 2): an unknown module,
// method or input, an unreadable file, a value that does not parse.
#pragma once

#include <stdexcept>

namespace modhost {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace modhost
