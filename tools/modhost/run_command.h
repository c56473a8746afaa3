// `modhost run`: one method run on values from the command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "talvix_types.h"

namespace modhost {

struct RunRequest {
  std::string module;
  std::string method;
  std::vector<std::string> assignments;  // NAME=VALUE, in order
  std::string moduleDir;
  std::string outDir;  // empty: no files
  std::optional<int> drawLevel;
  std::optional<TCoordinateSystem> coordinateSystem;  // the run's, in frame coordinates
  std::string background;  // picture for overlay.png when the method has no frame input
  bool keepAlpha = false;  // write 32-bit outputs with their own alpha, not opaque
};

// Runs the method once and prints the JSON report. 0 when the method answered
// true, 1 when false; a UsageError for what cannot be run.
int RunMethodOnce(const RunRequest& request);

}  // namespace modhost
