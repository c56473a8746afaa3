// Command-line values for method inputs, parsed by the input's parameter type
// from one table, and handed to a run context.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "talvix/host.hpp"

namespace modhost {

// Everything the command line gave for one input, in order. Repeating a name
// gives an array.
struct InputValues {
  talvix::ParamInfo param;
  int count = 0;
  std::vector<double> fields;  // numbers and the fields of geometric records, flattened
  std::vector<bool> flags;
  std::vector<std::u16string> strings;
  talvix::FrameBuffer frame;
  std::vector<uint8_t> data;
};

// The name of a parameter type code ("frame", "number", ...), "unknown" for
// codes outside the table.
const char* TypeName(int type);

// The form a value of the type takes on the command line, for messages.
const char* ValueForm(int type);

// Parses one more value for the input. Empty when it parses, else the reason.
std::string AddValue(InputValues& in, const std::string& text);

// Sets the input's values in the context.
void ApplyValues(talvix::RunContext& ctx, const InputValues& in);

}  // namespace modhost
