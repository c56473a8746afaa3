// Internal run state behind hostContext, shared by the host functions.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "talvix/host.hpp"

namespace talvix {

// Storage of one array element, large enough for the biggest record (TRing).
// Strings and data objects keep their block handle in the first word.
struct Element {
  alignas(8) unsigned char raw[48] = {};
};

// Elements beyond this are refused, so that a wild index cannot exhaust memory.
inline constexpr int kMaxElements = 1 << 24;

// One declared input or output.
struct Slot {
  ParamInfo info;
  bool input = true;
  bool named = true;
  bool set = false;  // inputs: a value was given
  int maxIndex = -1;
  std::deque<Element> elems;  // deque: element addresses stay put while it grows
  std::vector<bool> transformFlags;
  FrameBuffer frame;  // frame inputs
  int32_t stamp = 0;

  // The name the host gives the slot in parameter lists: the catalogue name,
  // unless an output shares it with an input (the output is then connected
  // under a name of its own).
  std::u16string connection;

  bool isFrame() const { return info.type == ptFrame; }
  const std::u16string& hostName() const { return connection.empty() ? info.name : connection; }
  void clearElements();
  // Makes elements 0..n exist (zeroed; strings get an empty block).
  void growTo(int n);
};

// What the names pointer of a parameter list points at.
struct ParamTable {
  std::vector<Slot*> entries;
};

struct Inspection::State {
  mutable std::mutex mu;
  int drawingLevel = 1;
  std::map<int, TColor> colors;
  std::map<int, double> thickness;
  TCoordinateSystem cs{0, 0, 0};
  std::vector<DrawCall> drawList;
  FrameBuffer overlay;
  RequestHandler requestHandler;
  std::vector<CameraRequest> requests;
};

struct RunContext::State {
  std::mutex mu;
  Module* module = nullptr;
  int method = -1;
  Inspection* inspection = nullptr;
  std::vector<Slot> inputs, outputs;  // never resized after construction
  ParamTable inputTable, outputTable;
  std::map<std::u16string, std::unique_ptr<FrameBuffer>> outFrames;
  // Last run's output frames: a frame asked for again at the same geometry is
  // handed out again, as a host keeps its frames between inspections.
  std::map<std::u16string, std::unique_ptr<FrameBuffer>> spareFrames;
  std::vector<std::unique_ptr<FrameBuffer>> retired;  // replaced frames, alive until the next run
  std::vector<std::u16string> warnings;
  std::vector<char16_t> errBuf;
  uint8_t fill = 0;
  FrameBuffer picture;  // "*_POF" into the input frame's place

  ~State();
  // Element parameters (inputs and outputs, frames excluded) by name, with the
  // rule for names cut to 63 characters.
  Slot* findElement(std::u16string_view name);
  Slot* findInputFrame(std::u16string_view name);
  // Catalogue name of a frame output that a cut name stands for, else the name.
  std::u16string outputFrameName(std::u16string_view name) const;
  // Start of a run: outputs empty, no warnings, no frames from the last run.
  void beginRun();
};

inline RunContext::State* FromContext(void* ctx) { return static_cast<RunContext::State*>(ctx); }
inline Inspection::State& InspectionOf(RunContext::State& s) { return *s.inspection->state(); }

// Module -> host text: at most hi + 1 characters, up to the first NUL.
std::u16string ReadText(int hi, const char16_t* p);
// Next input frame stamp, process-wide; never 0 or -1.
int32_t NextStamp();

// Ends a GL bracket that a module left open (no-op when none is open).
void CloseGlBracket();

// Host string and data blocks (malloc'd: capacity, length, payload).
HostString NewHostString(std::u16string_view text);
void FreeStringBlock(HostString s);
DataObject NewDataBlock(const std::vector<uint8_t>& bytes);
void FreeDataBlock(DataObject d);

// Frames: checks w, d > 0, bpp 8/24/32 and the 2^31-1 byte limit.
bool ValidFrameGeometry(int w, int d, int bpp);
int64_t FrameBytes(int w, int d, int bpp);

// The C entry points must not unwind into a module: a failed allocation
// answers as "not had" (or does nothing).
template <class R, class F>
R NoThrow(R fallback, F&& f) noexcept {
  try {
    return f();
  } catch (...) {
    return fallback;
  }
}

template <class F>
void NoThrow(F&& f) noexcept {
  try {
    f();
  } catch (...) {
  }
}

}  // namespace talvix
