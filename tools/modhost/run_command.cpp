#include "run_command.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "image_io.h"
#include "json_out.h"
#include "listing.h"
#include "overlay.h"
#include "usage_error.h"
#include "values.h"

namespace modhost {
namespace fs = std::filesystem;
using talvix::ToU16;
using talvix::ToUtf8;

namespace {

std::string Quoted(const std::u16string& s) { return '"' + ToUtf8(s) + '"'; }

std::string InputList(const talvix::MethodInfo& method) {
  if (method.inputs.empty()) return "it has no inputs";
  std::string list = "its inputs are";
  for (size_t i = 0; i < method.inputs.size(); ++i) {
    const talvix::ParamInfo& p = method.inputs[i];
    list += (i ? ", " : " ") + Quoted(p.name) + " (" + TypeName(p.type) + ")";
  }
  return list;
}

// Gathers the command-line values per input, in catalogue order.
std::vector<InputValues> ParseAssignments(const talvix::MethodInfo& method, const std::vector<std::string>& args) {
  std::vector<InputValues> values(method.inputs.size());
  for (size_t i = 0; i < values.size(); ++i) values[i].param = method.inputs[i];
  for (const std::string& arg : args) {
    size_t eq = arg.find('=');
    if (eq == std::string::npos) throw UsageError("expected NAME=VALUE, got \"" + arg + "\"");
    std::u16string name = ToU16(arg.substr(0, eq));
    std::string text = arg.substr(eq + 1);
    auto it = std::find_if(values.begin(), values.end(), [&](const InputValues& v) { return v.param.name == name; });
    if (it == values.end()) {
      throw UsageError("method " + Quoted(method.id) + " has no input " + Quoted(name) + "; " + InputList(method));
    }
    std::string error = AddValue(*it, text);
    if (!error.empty()) {
      throw UsageError("input " + Quoted(name) + " (" + TypeName(it->param.type) + "): cannot use \"" + text +
                       "\": " + error);
    }
  }
  return values;
}

// A file name for an output frame, unique in the directory; "overlay" and
// "picture" are taken by the overlay and the host's picture.
std::string FrameFileName(const std::u16string& name, std::set<std::string>& used) {
  std::string base;
  for (char c : ToUtf8(name)) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
    base += plain ? c : '_';
  }
  if (base.empty()) base = "frame";
  std::string file = base;
  for (int n = 2; !used.insert(file).second; ++n) file = base + "_" + std::to_string(n);
  return file + ".png";
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    s += kDigits[b >> 4];
    s += kDigits[b & 15];
  }
  return s;
}

// The camera requests of the run and the release, in order.
Json RequestsJson(const std::vector<talvix::CameraRequest>& requests) {
  Json list = Json::array();
  for (const talvix::CameraRequest& r : requests) {
    list.push_back({{"name", ToUtf8(r.name)},
                    {"nameLength", r.nameLength},
                    {"size", r.size},
                    {"block", Hex(r.block)},
                    {"answer", r.answer},
                    {"message", ToUtf8(r.message)}});
  }
  return list;
}

Json FrameJson(const talvix::FrameBuffer& f) {
  Json j;
  j["width"] = f.width();
  j["height"] = f.depth();
  j["bpp"] = f.bpp();
  return j;
}

// Writes the frame and records where, or why it could not be written; the
// report goes on either way.
void WriteInto(Json& j, const talvix::FrameBuffer& f, const std::string& path, bool keepAlpha) {
  std::string problem = WritePng(f, path, keepAlpha);
  if (problem.empty()) {
    j["path"] = path;
  } else {
    j["path"] = nullptr;
    j["writeError"] = problem;
  }
}

// "#N": the method index N.
bool UnlistedIndex(const std::string& method, int* index) {
  if (method.size() < 2 || method.size() > 4 || method[0] != '#') return false;
  int n = 0;
  for (size_t i = 1; i < method.size(); ++i) {
    if (method[i] < '0' || method[i] > '9') return false;
    n = n * 10 + (method[i] - '0');
  }
  *index = n;
  return true;
}

}  // namespace

int RunMethodOnce(const RunRequest& request) {
  std::unique_ptr<talvix::Module> module = OpenModule(request.module, request.moduleDir);
  int index = module->findMethod(request.method);
  const talvix::MethodInfo* found = index >= 0 ? &module->catalogue().methods.at(index) : nullptr;
  talvix::MethodInfo unlisted;
  if (!found && UnlistedIndex(request.method, &index)) {
    // A method the module runs but does not list, named by its index.
    unlisted.index = index;
    unlisted.id = talvix::ToU16(request.method);
    module->readParameters(index, &unlisted.inputs, &unlisted.outputs);
    if (!unlisted.inputs.empty() || !unlisted.outputs.empty()) found = &unlisted;
  }
  if (!found) throw UsageError("module \"" + module->name() + "\" has no method \"" + request.method + "\"");
  const talvix::MethodInfo& method = *found;
  std::vector<InputValues> values = ParseAssignments(method, request.assignments);

  if (!request.outDir.empty()) {
    std::error_code ec;
    fs::create_directories(request.outDir, ec);
    if (ec) throw UsageError("cannot create \"" + request.outDir + "\": " + ec.message());
  }

  talvix::Inspection inspection;
  if (request.drawLevel) inspection.setDrawingLevel(*request.drawLevel);
  if (request.coordinateSystem) inspection.setCoordinateSystem(*request.coordinateSystem);
  talvix::FrameBuffer background;
  if (!request.background.empty()) {
    std::string error;
    background = ReadImage(request.background, 0, &error);
    if (background.empty()) throw UsageError("--background: " + error);
  }
  talvix::RunContext ctx(*module, index, &inspection);
  // An input the command line leaves out is unconnected, as in the host; an
  // output that shares its name stays connected.
  for (const InputValues& v : values) {
    if (v.count > 0) {
      ApplyValues(ctx, v);
    } else {
      ctx.setUnnamedInput(v.param.name);
    }
  }

  const intptr_t handle = module->create(index);
  talvix::RunResult result;
  if (handle == -1) {
    result.error = u"the module made no instance of the method";
  } else {
    result = ctx.run(handle);
    module->destroy(handle, &inspection);
  }

  Json warnings = Json::array();
  for (const std::u16string& w : ctx.warnings()) warnings.push_back(ToUtf8(w));

  Json outputs = Json::object();
  std::set<std::string> usedFiles{"overlay", "picture"};
  auto frameOutput = [&](const std::u16string& name) -> Json {
    const talvix::FrameBuffer* f = ctx.frame(name);
    if (!f || f->empty()) return nullptr;
    Json j = FrameJson(*f);
    if (!request.outDir.empty()) {
      WriteInto(j, *f, (fs::path(request.outDir) / FrameFileName(name, usedFiles)).string(), request.keepAlpha);
    }
    return j;
  };
  for (const talvix::ParamInfo& out : method.outputs) {
    outputs[ToUtf8(out.name)] = out.type == ptFrame ? frameOutput(out.name) : OutputValue(ctx, out);
  }
  // Frames the method asked for under names its catalogue does not list.
  for (const std::u16string& name : ctx.outputFrameNames()) {
    if (!outputs.contains(ToUtf8(name))) outputs[ToUtf8(name)] = frameOutput(name);
  }

  Json doc = {{"module", module->name()},
              {"method", request.method},
              {"result", result.ok},
              {"error", ToUtf8(result.error)},
              {"warnings", std::move(warnings)},
              {"outputs", std::move(outputs)},
              {"drawing", DrawingJson(ctx.drawList())},
              {"requests", RequestsJson(inspection.requests())}};

  if (!request.outDir.empty()) {
    const talvix::FrameBuffer* base = nullptr;
    for (const talvix::ParamInfo& in : method.inputs) {
      if (in.type == ptFrame && (base = ctx.inputFrame(in.name))) break;
    }
    if (!base && !background.empty()) base = &background;
    // The overlay picture exists only when the run drew something.
    std::string reason;
    talvix::FrameBuffer picture;
    if (!ctx.overlay().empty() || !ctx.drawList().empty()) {
      picture = ComposeOverlay(base, ctx.overlay(), ctx.drawList(), &reason);
    }
    if (picture.empty()) {
      doc["overlay"] = nullptr;
      if (!reason.empty()) doc["overlayError"] = reason;
    } else {
      Json j = FrameJson(picture);
      WriteInto(j, picture, (fs::path(request.outDir) / "overlay.png").string(), false);
      doc["overlay"] = std::move(j);
    }
    // The host's picture of a method without an output frame: what "*_POF"
    // read back for the input frame.
    const talvix::FrameBuffer& shown = ctx.picture();
    if (shown.empty()) {
      doc["picture"] = nullptr;
    } else {
      Json j = FrameJson(shown);
      WriteInto(j, shown, (fs::path(request.outDir) / "picture.png").string(), false);
      doc["picture"] = std::move(j);
    }
  }
  PrintJson(doc);
  return result.ok ? 0 : 1;
}

}  // namespace modhost
