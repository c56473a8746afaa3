// Host-side C++ API of the stand-in host library, for the tests and the
// command-line host. Modules never see this; they use the C functions of
// host/talvix.h.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "module_api.h"
#include "talvix.h"

namespace talvix {

// One frame as one contiguous block: header, then bottom-up rows padded to 4
// bytes. Owned by value.
class FrameBuffer {
 public:
  FrameBuffer() = default;
  // A frame of w x d pixels, every byte `fill`; at 32 bpp alpha is 255 unless
  // opaque is false.
  static FrameBuffer make(int w, int d, int bpp, uint8_t fill = 0, bool opaque = true);
  // A copy of a host frame (header + pixels, GetFrameSize bytes).
  static FrameBuffer copyOf(const Frame* f);

  bool empty() const { return bytes_.empty(); }
  Frame* frame() { return empty() ? nullptr : reinterpret_cast<Frame*>(bytes_.data()); }
  const Frame* frame() const { return empty() ? nullptr : reinterpret_cast<const Frame*>(bytes_.data()); }
  int width() const;
  int depth() const;
  int bpp() const;
  int stride() const;
  // Memory row y (0 = bottom line of the picture).
  uint8_t* row(int y);
  const uint8_t* row(int y) const;
  uint8_t* pixel(int x, int y) { return row(y) + x * (bpp() / 8); }
  const uint8_t* pixel(int x, int y) const { return row(y) + x * (bpp() / 8); }
  std::vector<uint8_t>& bytes() { return bytes_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

int Stride(int w, int bpp);

struct ParamInfo {
  int type = 0;
  std::u16string name;
  std::u16string properties;  // inputs only
};

struct MethodInfo {
  int index = 0;
  std::u16string id;
  std::u16string description;
  HostIcon icon = nullptr;
  bool gpu = false;
  std::optional<int> sortKey;     // when the module exports a sort enumerator
  std::optional<int> properties;  // when it exports the one with properties
  std::vector<ParamInfo> inputs;
  std::vector<ParamInfo> outputs;
};

struct CategoryPlace {
  int method = 0;
  int path = 0;
  int level = 0;
  std::u16string name;
  int categoryId = 0;
  HostIcon icon = nullptr;
};

struct Catalogue {
  std::vector<MethodInfo> methods;
  std::vector<CategoryPlace> categories;  // every (method, path, level) that answered true
};

// The exports of a loaded module. Optional exports are null.
struct ModuleExports {
  InitFn Init = nullptr;
  DoneFn Done = nullptr;
  EnumerateMethodsCategoriesFn EnumerateMethodsCategories = nullptr;
  EnumerateMethodsFn EnumerateMethods = nullptr;
  EnumerateMethodsSortFn EnumerateMethodsSort = nullptr;
  EnumerateMethodsSortWithPropertiesFn EnumerateMethodsSortWithProperties = nullptr;
  EnumerateMethodInputsFn EnumerateMethodInputs = nullptr;
  EnumerateMethodOutputsFn EnumerateMethodOutputs = nullptr;
  InitMethodFn InitMethod = nullptr;
  RunMethodFn RunMethod = nullptr;
  DoneMethodFn DoneMethod = nullptr;
  DoneMethod2Fn DoneMethod2 = nullptr;
};

// The directory the build puts the modules in (compiled in), or the value of
// the environment variable VISION_MODULE_DIR when set.
std::string DefaultModuleDirectory();

class Module {
 public:
  // Loads a module by file path or by name (looked up as <dir>/<name>.so in
  // DefaultModuleDirectory()), calls Init and reads the whole catalogue.
  // Null with *error set on failure.
  static std::unique_ptr<Module> load(const std::string& pathOrName, std::string* error = nullptr);
  // Loads and resolves the exports without calling Init (for lifecycle tests).
  static std::unique_ptr<Module> open(const std::string& pathOrName, std::string* error = nullptr);
  ~Module();  // Done (when Init was called), then dlclose
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  const std::string& name() const { return name_; }
  const std::string& path() const { return path_; }
  void* handle() const { return dl_; }
  const ModuleExports& exports() const { return fn_; }
  const Catalogue& catalogue() const { return catalogue_; }
  // Calls Init and reads the catalogue (done by load()).
  bool init();
  // Method index by id, -1 when absent.
  int findMethod(const std::u16string& id) const;
  int findMethod(const std::string& utf8Id) const;

  // The parameter tables of any method index, listed or not.
  void readParameters(int index, std::vector<ParamInfo>* inputs, std::vector<ParamInfo>* outputs) const;

  intptr_t create(int methodIndex);  // InitMethod
  // DoneMethod, or DoneMethod2 with a release context when the module has it
  // (its requests are logged in the inspection when one is given).
  void destroy(intptr_t handle, class Inspection* inspection = nullptr);

 private:
  Module() = default;
  bool readCatalogue();
  std::string name_, path_;
  void* dl_ = nullptr;
  bool initialised_ = false;
  ModuleExports fn_;
  Catalogue catalogue_;
};

// One recorded drawing call, with every argument in call order.
struct DrawCall {
  std::string fn;            // "DrawLine", "DrawString", ...
  std::vector<double> args;  // numeric arguments in order (hi/textLen included as numbers)
  std::u16string text;       // for texts
  TColor color{};
  TColor under{};  // DrawDirectionUnderpainted only
};

// One CameraCallback request as the module sent it and as the host answered.
struct CameraRequest {
  std::u16string name;
  int nameLength = 0;
  int size = 0;
  std::vector<uint8_t> block;  // the block as the module passed it
  bool answer = false;
  std::u16string message;  // what the host wrote into the message area, "" when served
};

// A scripted answer to a request, given instead of the host's own.
struct RequestAnswer {
  bool answer = false;
  std::u16string message;  // written into the message area when refused
};
// Sees every request before the host serves it: an answer replaces the
// host's, nullopt lets the host serve it. The handler may read and write the block.
using RequestHandler = std::function<std::optional<RequestAnswer>(const std::u16string& name, void* block, int size)>;

// The process-wide headless OpenGL context behind the requests: made on
// first use (here or at the first "*_LRC") and kept. False, with EGL's reason,
// when it cannot be made.
bool GlAvailable(std::string* reason = nullptr);

// Per-picture state shared by the runs of one inspection.
class Inspection {
 public:
  Inspection();
  ~Inspection();
  void setDrawingLevel(int level);  // clamped to 0..2; default 1
  int drawingLevel() const;
  void setDrawColor(int role, TColor c);
  void setDrawThickness(int role, double t);
  TColor drawColor(int role) const;
  double drawThickness(int role) const;
  void setCoordinateSystem(TCoordinateSystem cs);  // default identity
  TCoordinateSystem coordinateSystem() const;
  const std::vector<DrawCall>& drawList() const;
  void clearDrawList();
  // The shared "overlay" frame, empty until a method asks for it.
  const FrameBuffer& overlay() const;
  void setRequestHandler(RequestHandler handler);
  // Every CameraCallback request of the runs and releases of this inspection.
  std::vector<CameraRequest> requests() const;
  void clearRequests();
  struct State;
  State* state() { return state_.get(); }
  const State* state() const { return state_.get(); }

 private:
  std::unique_ptr<State> state_;
};

struct RunResult {
  bool ok = false;
  std::u16string error;  // what the module wrote into errBuf (up to its NUL or the canary)
};

// A run context for one method, built from the method's catalogue. Every
// input starts unset (its getter answers false) and every output empty.
class RunContext {
 public:
  // A method the catalogue does not list takes its parameter tables from the
  // module's enumerators.
  RunContext(Module& module, int methodIndex, Inspection* inspection = nullptr);
  // A context from an explicit parameter list, without a module (for tests
  // that call the host functions directly through hostContext()).
  RunContext(std::vector<ParamInfo> inputs, std::vector<ParamInfo> outputs, Inspection* inspection = nullptr);
  ~RunContext();
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  // Setters by catalogue name (inputs). Unknown names throw std::invalid_argument.
  void setFrame(const std::u16string& name, FrameBuffer f);  // assigns a new stamp
  void touch(const std::u16string& name);                    // new stamp
  void setNumbers(const std::u16string& name, const std::vector<double>& v);
  void setFlags(const std::u16string& name, const std::vector<bool>& v);
  void setColors(const std::u16string& name, const std::vector<TColor>& v);
  void setPoints(const std::u16string& name, const std::vector<TPoint>& v);
  void setLines(const std::u16string& name, const std::vector<TLine>& v);
  void setRectangles(const std::u16string& name, const std::vector<TRectangle>& v);
  void setRegions(const std::u16string& name, const std::vector<TRectangularRegion>& v);
  void setRings(const std::u16string& name, const std::vector<TRing>& v);
  void setRingRegions(const std::u16string& name, const std::vector<TRingRegion>& v);
  void setCoordinateSystems(const std::u16string& name, const std::vector<TCoordinateSystem>& v);
  void setStrings(const std::u16string& name, const std::vector<std::u16string>& v);
  void setData(const std::u16string& name, const std::vector<uint8_t>& bytes);
  void setDataList(const std::u16string& name, const std::vector<std::vector<uint8_t>>& list);  // one block each
  void setTransformFlags(const std::u16string& name, const std::vector<bool>& v);
  void setEmpty(const std::u16string& name);    // highest index -1
  void setUnnamed(const std::u16string& name);  // GetParameterName answers false (input or output)
  // As setUnnamed for the input only: an output of the same name stays connected.
  void setUnnamedInput(const std::u16string& name);
  // Test option: new output frames are filled with this byte instead of 0.
  void fillNewFrames(uint8_t byte);

  // What run() does before calling the module: outputs, output frames and
  // warnings start empty.
  void beginRun();
  // The (list word, names pointer) pairs handed to RunMethod.
  struct ParamList {
    intptr_t list = 0;
    const void* names = nullptr;
  };
  ParamList inputList() const;
  ParamList outputList() const;

  // Runs the method once with this handle. errBuf is pre-filled with a canary
  // and terminated by the host after the call.
  RunResult run(intptr_t handle, int errLen = 255);
  // errBuf contents after the last run (errLen + 2 characters, canary included).
  const std::vector<char16_t>& errorBuffer() const;

  // After a run. Outputs and inputs by name (inputs to see write-backs).
  const FrameBuffer* frame(const std::u16string& name) const;  // output frame, null when none
  const FrameBuffer* inputFrame(const std::u16string& name) const;
  std::vector<std::u16string> outputFrameNames() const;  // every frame the run requested, "overlay" excluded
  const FrameBuffer& overlay() const;                    // the inspection's overlay
  // What "*_POF" read back when the block's output frame was the input frame.
  const FrameBuffer& picture() const;
  std::vector<double> numbers(const std::u16string& name) const;
  std::vector<bool> flags(const std::u16string& name) const;
  std::vector<TColor> colors(const std::u16string& name) const;
  std::vector<TPoint> points(const std::u16string& name) const;
  std::vector<TLine> lines(const std::u16string& name) const;
  std::vector<TRectangle> rectangles(const std::u16string& name) const;  // types 3 and 5
  std::vector<TRing> rings(const std::u16string& name) const;            // types 4 and 6
  std::vector<TCoordinateSystem> coordinateSystems(const std::u16string& name) const;
  std::vector<std::u16string> strings(const std::u16string& name) const;
  std::vector<uint8_t> data(const std::u16string& name) const;
  // Highest index of an input or output (-1 empty), nullopt when unset/unknown.
  std::optional<int> maxIndex(const std::u16string& name) const;
  // The catalogue type of a parameter by name (inputs first), 0 when unknown.
  int typeOf(const std::u16string& name) const;

  const std::vector<std::u16string>& warnings() const;
  const std::vector<DrawCall>& drawList() const;  // the inspection's drawing list
  void* hostContext();                            // for direct host calls in tests
  Inspection& inspection();

  struct State;

 private:
  std::unique_ptr<State> state_;
  std::unique_ptr<Inspection> ownInspection_;
};

// Paints a drawing list onto a 32-bit (or 8-bit) frame with Cairo.
void RenderDrawList(const std::vector<DrawCall>& calls, FrameBuffer& target);
void RenderDrawList(const std::vector<DrawCall>& calls, Frame* target);

// Icon tokens handed out by GetResourceIconAddress and given back by DoneIcon,
// process-wide, in call order.
struct IconEvent {
  bool released = false;  // false: fetched
  void* module = nullptr;
  int number = 0;
  HostIcon token = nullptr;
};
std::vector<IconEvent> IconLog();
void ClearIconLog();
// The resource a live token stands for, null for an unknown token.
const ModuleResource* IconResource(HostIcon token);

// Directory that FindPath and FindNewPath join relative paths to (process-wide;
// empty = the working directory).
void SetDataDirectory(const std::string& dir);
std::string DataDirectory();

// UTF-8 <-> UTF-16 helpers.
std::u16string ToU16(const std::string& s);
std::string ToUtf8(const std::u16string& s);

}  // namespace talvix
