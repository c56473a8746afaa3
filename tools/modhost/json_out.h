// JSON forms of the host's records, output values and drawing list.
#pragma once

#include <nlohmann/json.hpp>

#include "talvix/host.hpp"

namespace modhost {

using Json = nlohmann::ordered_json;

// The value of a non-frame output after a run: null when the method left it
// empty, the value when it holds one element, an array when it holds more.
Json OutputValue(const talvix::RunContext& ctx, const talvix::ParamInfo& output);

// Every recorded drawing call: function, arguments, colour(s) and text.
Json DrawingJson(const std::vector<talvix::DrawCall>& calls);

// Prints a document on standard output, two-space indented.
void PrintJson(const Json& doc);

}  // namespace modhost
