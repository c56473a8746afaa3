// modhost: lists the catalogues of vision modules and runs any method once on
// image files, printing the results as JSON.
#include <cmath>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "listing.h"
#include "run_command.h"
#include "talvix/host.hpp"
#include "usage_error.h"

namespace modhost {
namespace {

constexpr const char* kHelp = R"(usage:
  modhost list [MODULE] [--json] [--modules DIR]
  modhost run MODULE METHOD [NAME=VALUE ...] [--out DIR] [--keep-alpha] [--draw-level N]
              [--coordinate-system X,Y,ANGLE] [--background FILE] [--modules DIR]

list          the modules found, with their method counts
list MODULE   the module's catalogue: categories, methods, inputs and outputs
run           runs the method once on the inputs given and prints one JSON
              document: result, error, warnings, outputs and drawing record;
              METHOD is a method id, or #N for the method of index N (also
              one the module runs but does not list)

options:
  --json          list: print one JSON document instead of text
  --modules DIR   where modules are looked up by name (default: the build's
                  module directory, or VISION_MODULE_DIR when set)
  --out DIR       run: write each output frame as DIR/<name>.png, and
                  DIR/overlay.png (the input frame with the drawing record and
                  any "overlay" frame painted on it) when the run drew
                  something, and DIR/picture.png (the host's picture of a GPU
                  method without an output frame) when the run made one;
                  32-bit frames are written opaque, as the host shows them
  --keep-alpha    run: write 32-bit output frames with their own alpha channel
  --draw-level N  run: the drawing level, 0..2 (default 1)
  --coordinate-system X,Y,ANGLE
                  run: the run's coordinate system (origin in frame
                  coordinates, angle in degrees; default 0,0,0), which the
                  host's transforms of points and angles use
  --background FILE
                  run: with --out, the picture overlay.png is painted on when
                  the method has no frame input (an image file as for frames)

A MODULE is a name (<dir>/<name>.so) or the path of a module file. NAME is an
input's name as `modhost list MODULE` shows it; repeating a name gives an array.
Values by the input's type:
  frame               an image file (PNG, JPEG, BMP, PGM/PPM); grey pictures
                      become 8-bit frames, colour ones 32-bit with alpha 255;
                      a suffix :8, :24 or :32 forces the depth
  number              e.g. 12, -0.5, 1e3
  flag                true, false, 1 or 0
  string              UTF-8 text
  point               x,y
  line                x0,y0,x1,y1
  rectangular region, rectangle
                      cx,cy,w,h,angle (centre, width, height, angle)
  ring region, ring   cx,cy,r1,r2,a1,a2 (centre, radii, start and end angle)
  colour              r,g,b[,a] with components in 0..1, or #rrggbb
  coordinate system   x,y,angle
  data object         a file, read as bytes

Coordinates are frame coordinates in pixels: x to the right and y upwards
from the bottom-left corner of the picture, which is memory row 0 of the
bottom-up frame. Angles are in degrees, counter-clockwise.

Exit status: 0 when the method answered true, 1 when it answered false,
2 for a usage error (unknown module, method or input, unreadable file, a
value that does not parse).
)";

struct CommandLine {
  std::vector<std::string> words;  // command and its operands
  std::string moduleDir;
  std::string outDir;
  std::string drawLevel;
  std::string coordinateSystem;
  std::string background;
  bool keepAlpha = false;
  bool json = false;
  bool help = false;
};

CommandLine Parse(int argc, char** argv) {
  CommandLine cl;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string* into) {
      if (i + 1 >= argc) throw UsageError(arg + " needs a value");
      *into = argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      cl.help = true;
    } else if (arg == "--json") {
      cl.json = true;
    } else if (arg == "--modules") {
      value(&cl.moduleDir);
    } else if (arg == "--out") {
      value(&cl.outDir);
    } else if (arg == "--draw-level") {
      value(&cl.drawLevel);
    } else if (arg == "--coordinate-system") {
      value(&cl.coordinateSystem);
    } else if (arg == "--background") {
      value(&cl.background);
    } else if (arg == "--keep-alpha") {
      cl.keepAlpha = true;
    } else if (arg.starts_with("--")) {
      throw UsageError("unknown option " + arg);
    } else {
      cl.words.push_back(arg);
    }
  }
  return cl;
}

int ParseDrawLevel(const std::string& text) {
  char* end = nullptr;
  long level = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || level < 0 || level > 2) {
    throw UsageError("--draw-level takes 0, 1 or 2, not \"" + text + "\"");
  }
  return static_cast<int>(level);
}

TCoordinateSystem ParseCoordinateSystem(const std::string& text) {
  double v[3];
  size_t start = 0;
  for (int k = 0; k < 3; ++k) {
    const size_t comma = k < 2 ? text.find(',', start) : text.size();
    const std::string part = comma == std::string::npos ? std::string() : text.substr(start, comma - start);
    char* end = nullptr;
    v[k] = std::strtod(part.c_str(), &end);
    if (part.empty() || *end != '\0' || !std::isfinite(v[k]) || comma == std::string::npos) {
      throw UsageError("--coordinate-system takes x,y,angle, not \"" + text + "\"");
    }
    start = comma + 1;
  }
  return {v[0], v[1], v[2]};
}

int Main(int argc, char** argv) {
  CommandLine cl = Parse(argc, argv);
  if (cl.help) {
    std::cout << kHelp;
    return 0;
  }
  if (cl.words.empty()) throw UsageError("no command (try modhost --help)");
  const std::string dir = cl.moduleDir.empty() ? talvix::DefaultModuleDirectory() : cl.moduleDir;
  const std::string& command = cl.words[0];
  if (command == "list") {
    if (!cl.outDir.empty() || !cl.drawLevel.empty() || cl.keepAlpha) {
      throw UsageError("--out, --keep-alpha and --draw-level are for run");
    }
    if (!cl.coordinateSystem.empty() || !cl.background.empty()) {
      throw UsageError("--coordinate-system and --background are for run");
    }
    if (cl.words.size() > 2) throw UsageError("list takes at most one module");
    return cl.words.size() == 1 ? ListModules(dir, cl.json) : ListCatalogue(cl.words[1], dir, cl.json);
  }
  if (command == "run") {
    if (cl.json) throw UsageError("--json is for list (run always prints JSON)");
    if (cl.words.size() < 3) throw UsageError("run needs MODULE and METHOD");
    RunRequest r;
    r.module = cl.words[1];
    r.method = cl.words[2];
    r.assignments.assign(cl.words.begin() + 3, cl.words.end());
    r.moduleDir = dir;
    r.outDir = cl.outDir;
    r.keepAlpha = cl.keepAlpha;
    if (!cl.drawLevel.empty()) r.drawLevel = ParseDrawLevel(cl.drawLevel);
    if (!cl.coordinateSystem.empty()) r.coordinateSystem = ParseCoordinateSystem(cl.coordinateSystem);
    r.background = cl.background;
    return RunMethodOnce(r);
  }
  throw UsageError("unknown command \"" + command + "\" (list or run)");
}

// The message on one line, even when it quotes a value with line breaks.
std::string OneLine(std::string text) {
  for (size_t i = 0; (i = text.find_first_of("\r\n", i)) != std::string::npos; i += 2) {
    text.replace(i, 1, text[i] == '\n' ? "\\n" : "\\r");
  }
  return text;
}

}  // namespace
}  // namespace modhost

int main(int argc, char** argv) {
  try {
    return modhost::Main(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "modhost: " << modhost::OneLine(e.what()) << '\n';
    return 2;
  }
}
