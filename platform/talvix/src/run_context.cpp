// RunContext: the test side of a run (setters, run, getters after the run).
#include <cstring>
#include <stdexcept>
#include <tuple>

#include "context.h"

namespace talvix {
namespace {

constexpr char16_t kCanary = 0xFFFF;

bool TypeMatches(int slotType, std::initializer_list<int> wanted) {
  for (int t : wanted) {
    if (t == slotType) return true;
  }
  return false;
}

std::invalid_argument Unknown(const std::u16string& name) {
  return std::invalid_argument("no parameter named \"" + ToUtf8(name) + "\"");
}

// Element parameters share one namespace on the host side. An output whose
// catalogue name an input also carries is connected under a name of its own,
// so that the two stay apart; frames have their own functions.
void KeepApart(const std::vector<Slot>& inputs, std::vector<Slot>& outputs) {
  auto taken = [&](const std::u16string& name) {
    for (const auto* list : {&inputs, static_cast<const std::vector<Slot>*>(&outputs)}) {
      for (const Slot& s : *list) {
        if (!s.isFrame() && s.hostName() == name) return true;
      }
    }
    return false;
  };
  for (Slot& out : outputs) {
    if (out.isFrame()) continue;
    bool clash = false;
    for (const Slot& in : inputs) clash = clash || (!in.isFrame() && in.info.name == out.info.name);
    if (!clash) continue;
    std::u16string name = out.info.name + u" (output)";
    while (taken(name)) name += u"'";
    out.connection = name;
  }
}

template <class T>
void StoreElements(Slot& slot, const std::vector<T>& v) {
  slot.clearElements();
  for (const T& x : v) {
    Element& e = slot.elems.emplace_back();
    static_assert(sizeof(T) <= sizeof e.raw);
    std::memcpy(e.raw, &x, sizeof x);
  }
  slot.maxIndex = static_cast<int>(v.size()) - 1;
  slot.set = true;
}

template <class T>
std::vector<T> LoadElements(const Slot& slot) {
  std::vector<T> out;
  for (int i = 0; i <= slot.maxIndex && i < static_cast<int>(slot.elems.size()); ++i) {
    T x;
    std::memcpy(&x, slot.elems[i].raw, sizeof x);
    out.push_back(x);
  }
  return out;
}

void* HandleOf(const Element& e) {
  void* h = nullptr;
  std::memcpy(&h, e.raw, sizeof h);
  return h;
}

}  // namespace

namespace {

std::pair<std::vector<ParamInfo>, std::vector<ParamInfo>> Parameters(const Module& module, int methodIndex) {
  const std::vector<MethodInfo>& listed = module.catalogue().methods;
  if (methodIndex >= 0 && static_cast<size_t>(methodIndex) < listed.size()) {
    return {listed[methodIndex].inputs, listed[methodIndex].outputs};
  }
  std::pair<std::vector<ParamInfo>, std::vector<ParamInfo>> p;
  module.readParameters(methodIndex, &p.first, &p.second);
  return p;
}

}  // namespace

RunContext::RunContext(Module& module, int methodIndex, Inspection* inspection)
    : RunContext(Parameters(module, methodIndex).first, Parameters(module, methodIndex).second, inspection) {
  state_->module = &module;
  state_->method = methodIndex;
}

RunContext::RunContext(std::vector<ParamInfo> inputs, std::vector<ParamInfo> outputs, Inspection* inspection)
    : state_(std::make_unique<State>()) {
  if (!inspection) {
    ownInspection_ = std::make_unique<Inspection>();
    inspection = ownInspection_.get();
  }
  State& s = *state_;
  s.inspection = inspection;
  s.inputs.reserve(inputs.size());
  for (auto [list, params, isInput] : {std::tuple{&s.inputs, &inputs, true}, {&s.outputs, &outputs, false}}) {
    list->reserve(params->size());
    for (ParamInfo& p : *params) {
      Slot& slot = list->emplace_back();
      slot.info = std::move(p);
      slot.input = isInput;
    }
  }
  KeepApart(s.inputs, s.outputs);
  for (Slot& slot : s.inputs) s.inputTable.entries.push_back(&slot);
  for (Slot& slot : s.outputs) s.outputTable.entries.push_back(&slot);
}

RunContext::~RunContext() = default;

namespace {

Slot& InputSlot(RunContext::State& s, const std::u16string& name, std::initializer_list<int> types) {
  for (Slot& slot : s.inputs) {
    if (slot.info.name != name) continue;
    if (!TypeMatches(slot.info.type, types)) {
      throw std::invalid_argument("parameter \"" + ToUtf8(name) + "\" has type " + std::to_string(slot.info.type));
    }
    return slot;
  }
  throw Unknown(name);
}

// Outputs first: where an output shares its catalogue name with an input,
// the name reports the output (the test set the input).
const Slot& AnySlot(const RunContext::State& s, const std::u16string& name, std::initializer_list<int> types) {
  for (const auto* list : {&s.outputs, &s.inputs}) {
    for (const Slot& slot : *list) {
      if (slot.info.name != name || slot.isFrame()) continue;
      if (!TypeMatches(slot.info.type, types)) {
        throw std::invalid_argument("parameter \"" + ToUtf8(name) + "\" has type " + std::to_string(slot.info.type));
      }
      return slot;
    }
  }
  throw Unknown(name);
}

}  // namespace

void RunContext::setFrame(const std::u16string& name, FrameBuffer f) {
  std::lock_guard lock(state_->mu);
  Slot& slot = InputSlot(*state_, name, {ptFrame});
  slot.frame = std::move(f);
  slot.set = !slot.frame.empty();
  slot.stamp = NextStamp();
}

void RunContext::touch(const std::u16string& name) {
  std::lock_guard lock(state_->mu);
  InputSlot(*state_, name, {ptFrame}).stamp = NextStamp();
}

#define TALVIX_SETTER(fn, T, ...)                                            \
  void RunContext::fn(const std::u16string& name, const std::vector<T>& v) { \
    std::lock_guard lock(state_->mu);                                        \
    StoreElements(InputSlot(*state_, name, {__VA_ARGS__}), v);               \
  }
TALVIX_SETTER(setNumbers, double, ptNumber)
TALVIX_SETTER(setColors, TColor, ptColor)
TALVIX_SETTER(setPoints, TPoint, ptPoint)
TALVIX_SETTER(setLines, TLine, ptLine)
TALVIX_SETTER(setRectangles, TRectangle, ptRectangle, ptRectangularRegion)
TALVIX_SETTER(setRegions, TRectangularRegion, ptRectangle, ptRectangularRegion)
TALVIX_SETTER(setRings, TRing, ptRing, ptRingRegion)
TALVIX_SETTER(setRingRegions, TRingRegion, ptRing, ptRingRegion)
TALVIX_SETTER(setCoordinateSystems, TCoordinateSystem, ptCoordinateSystem)
#undef TALVIX_SETTER

void RunContext::setFlags(const std::u16string& name, const std::vector<bool>& v) {
  std::vector<uint8_t> bytes(v.begin(), v.end());
  std::lock_guard lock(state_->mu);
  StoreElements(InputSlot(*state_, name, {ptFlag}), bytes);
}

void RunContext::setStrings(const std::u16string& name, const std::vector<std::u16string>& v) {
  std::lock_guard lock(state_->mu);
  Slot& slot = InputSlot(*state_, name, {ptString});
  std::vector<HostString> blocks;
  for (const std::u16string& t : v) blocks.push_back(NewHostString(t));
  StoreElements(slot, blocks);
}

void RunContext::setData(const std::u16string& name, const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(state_->mu);
  Slot& slot = InputSlot(*state_, name, {ptDataObject});
  StoreElements(slot, std::vector<DataObject>{NewDataBlock(bytes)});
}

void RunContext::setDataList(const std::u16string& name, const std::vector<std::vector<uint8_t>>& list) {
  std::lock_guard lock(state_->mu);
  Slot& slot = InputSlot(*state_, name, {ptDataObject});
  std::vector<DataObject> blocks;
  for (const std::vector<uint8_t>& bytes : list) blocks.push_back(NewDataBlock(bytes));
  StoreElements(slot, blocks);
}

void RunContext::setTransformFlags(const std::u16string& name, const std::vector<bool>& v) {
  std::lock_guard lock(state_->mu);
  InputSlot(*state_, name, {ptNumber}).transformFlags = v;
}

void RunContext::setEmpty(const std::u16string& name) {
  std::lock_guard lock(state_->mu);
  for (Slot& slot : state_->inputs) {
    if (slot.info.name != name) continue;
    if (slot.isFrame()) {
      slot.frame = FrameBuffer();
      slot.set = false;
    } else {
      slot.clearElements();
      slot.set = true;
    }
    return;
  }
  throw Unknown(name);
}

void RunContext::setUnnamed(const std::u16string& name) {
  std::lock_guard lock(state_->mu);
  bool found = false;
  for (auto* list : {&state_->inputs, &state_->outputs}) {
    for (Slot& slot : *list) {
      if (slot.info.name == name) slot.named = false, found = true;
    }
  }
  if (!found) throw Unknown(name);
}

void RunContext::setUnnamedInput(const std::u16string& name) {
  std::lock_guard lock(state_->mu);
  bool found = false;
  for (Slot& slot : state_->inputs) {
    if (slot.info.name == name) slot.named = false, found = true;
  }
  if (!found) throw Unknown(name);
}

void RunContext::fillNewFrames(uint8_t byte) { state_->fill = byte; }

void RunContext::beginRun() {
  std::lock_guard lock(state_->mu);
  state_->beginRun();
}

RunContext::ParamList RunContext::inputList() const {
  return {static_cast<intptr_t>(state_->inputTable.entries.size()), &state_->inputTable};
}

RunContext::ParamList RunContext::outputList() const {
  return {static_cast<intptr_t>(state_->outputTable.entries.size()), &state_->outputTable};
}

// The module writes at most errLen + 1 characters, unterminated when full;
// the host owns the extra character and terminates there.
RunResult RunContext::run(intptr_t handle, int errLen) {
  State& s = *state_;
  if (!s.module) throw std::logic_error("RunContext::run needs a module");
  beginRun();
  size_t size = errLen >= 0 ? static_cast<size_t>(errLen) + 2 : 1;
  s.errBuf.assign(size, kCanary);
  ParamList in = inputList(), out = outputList();
  RunResult r;
  r.ok = s.module->exports().RunMethod(handle, &s, in.list, in.names, out.list, out.names, errLen, s.errBuf.data());
  CloseGlBracket();
  s.errBuf[size - 1] = 0;
  // The text the module wrote: up to its terminator or the untouched canary.
  std::u16string text(s.errBuf.data());
  r.error = text.substr(0, text.find(kCanary));
  return r;
}

const std::vector<char16_t>& RunContext::errorBuffer() const { return state_->errBuf; }

const FrameBuffer* RunContext::frame(const std::u16string& name) const {
  if (name == u"overlay") return overlay().empty() ? nullptr : &overlay();
  auto it = state_->outFrames.find(name);
  return it == state_->outFrames.end() ? nullptr : it->second.get();
}

const FrameBuffer* RunContext::inputFrame(const std::u16string& name) const {
  for (const Slot& slot : state_->inputs) {
    if (slot.isFrame() && slot.info.name == name) return slot.set ? &slot.frame : nullptr;
  }
  throw Unknown(name);
}

std::vector<std::u16string> RunContext::outputFrameNames() const {
  std::vector<std::u16string> names;
  for (const auto& [name, fb] : state_->outFrames) names.push_back(name);
  return names;
}

const FrameBuffer& RunContext::overlay() const { return state_->inspection->overlay(); }
const FrameBuffer& RunContext::picture() const { return state_->picture; }

std::vector<double> RunContext::numbers(const std::u16string& name) const {
  return LoadElements<double>(AnySlot(*state_, name, {ptNumber}));
}

std::vector<bool> RunContext::flags(const std::u16string& name) const {
  std::vector<uint8_t> bytes = LoadElements<uint8_t>(AnySlot(*state_, name, {ptFlag}));
  return std::vector<bool>(bytes.begin(), bytes.end());
}

std::vector<TColor> RunContext::colors(const std::u16string& name) const {
  return LoadElements<TColor>(AnySlot(*state_, name, {ptColor}));
}
std::vector<TPoint> RunContext::points(const std::u16string& name) const {
  return LoadElements<TPoint>(AnySlot(*state_, name, {ptPoint}));
}
std::vector<TLine> RunContext::lines(const std::u16string& name) const {
  return LoadElements<TLine>(AnySlot(*state_, name, {ptLine}));
}
std::vector<TRectangle> RunContext::rectangles(const std::u16string& name) const {
  return LoadElements<TRectangle>(AnySlot(*state_, name, {ptRectangle, ptRectangularRegion}));
}
std::vector<TRing> RunContext::rings(const std::u16string& name) const {
  return LoadElements<TRing>(AnySlot(*state_, name, {ptRing, ptRingRegion}));
}
std::vector<TCoordinateSystem> RunContext::coordinateSystems(const std::u16string& name) const {
  return LoadElements<TCoordinateSystem>(AnySlot(*state_, name, {ptCoordinateSystem}));
}

std::vector<std::u16string> RunContext::strings(const std::u16string& name) const {
  const Slot& slot = AnySlot(*state_, name, {ptString});
  std::vector<std::u16string> out;
  for (int i = 0; i <= slot.maxIndex && i < static_cast<int>(slot.elems.size()); ++i) {
    auto* b = static_cast<HostString>(HandleOf(slot.elems[i]));
    out.push_back(b ? std::u16string(b->chars, b->chars + b->length) : std::u16string());
  }
  return out;
}

std::vector<uint8_t> RunContext::data(const std::u16string& name) const {
  const Slot& slot = AnySlot(*state_, name, {ptDataObject});
  if (slot.maxIndex < 0 || slot.elems.empty()) return {};
  auto* d = static_cast<DataObject>(HandleOf(slot.elems[0]));
  if (!d || d->length <= 0) return {};
  return std::vector<uint8_t>(d->data, d->data + d->length);
}

std::optional<int> RunContext::maxIndex(const std::u16string& name) const {
  for (const auto* list : {&state_->outputs, &state_->inputs}) {
    for (const Slot& slot : *list) {
      if (slot.info.name != name || slot.isFrame()) continue;
      if (slot.input && !slot.set) return std::nullopt;
      return slot.maxIndex;
    }
  }
  return std::nullopt;
}

int RunContext::typeOf(const std::u16string& name) const {
  for (const auto* list : {&state_->inputs, &state_->outputs}) {
    for (const Slot& slot : *list) {
      if (slot.info.name == name) return slot.info.type;
    }
  }
  return 0;
}

const std::vector<std::u16string>& RunContext::warnings() const { return state_->warnings; }
const std::vector<DrawCall>& RunContext::drawList() const { return state_->inspection->drawList(); }
void* RunContext::hostContext() { return state_.get(); }
Inspection& RunContext::inspection() { return *state_->inspection; }

}  // namespace talvix
