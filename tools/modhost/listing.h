// Finding modules and printing their catalogues.
#pragma once

#include <memory>
#include <string>

#include "talvix/host.hpp"

namespace modhost {

// Loads a module by name (<dir>/<name>.so) or by file path; a UsageError
// when there is no such module or it does not load.
std::unique_ptr<talvix::Module> OpenModule(const std::string& nameOrPath, const std::string& dir);

// `modhost list`: every module in `dir` with its method count.
int ListModules(const std::string& dir, bool json);

// `modhost list MODULE`: categories, methods, inputs and outputs.
int ListCatalogue(const std::string& nameOrPath, const std::string& dir, bool json);

}  // namespace modhost
