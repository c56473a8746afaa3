// Parameter lists, element getters and array sizes.
#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "context.h"

namespace talvix {

void Slot::clearElements() {
  for (Element& e : elems) {
    void* handle = nullptr;
    std::memcpy(&handle, e.raw, sizeof handle);
    if (info.type == ptString) FreeStringBlock(static_cast<HostString>(handle));
    if (info.type == ptDataObject) FreeDataBlock(static_cast<DataObject>(handle));
  }
  elems.clear();
  maxIndex = -1;
}

void Slot::growTo(int n) {
  while (static_cast<int>(elems.size()) <= n) {
    Element& e = elems.emplace_back();
    if (info.type == ptString) {
      HostString s = NewHostString(u"");
      std::memcpy(e.raw, &s, sizeof s);
    }
  }
}

RunContext::State::~State() {
  for (Slot& s : inputs) s.clearElements();
  for (Slot& s : outputs) s.clearElements();
}

namespace {

// A name cut to 63 characters (by GetParameterName) still finds its parameter
// when it is a prefix of exactly one name.
constexpr size_t kCutNameLength = 63;

template <class Pred>
Slot* FindByName(std::initializer_list<std::vector<Slot>*> lists, std::u16string_view name, Pred accept) {
  for (std::vector<Slot>* list : lists) {
    for (Slot& s : *list) {
      if (accept(s) && s.hostName() == name) return &s;
    }
  }
  if (name.size() != kCutNameLength) return nullptr;
  Slot* found = nullptr;
  for (std::vector<Slot>* list : lists) {
    for (Slot& s : *list) {
      if (!accept(s) || !s.hostName().starts_with(name)) continue;
      if (found) return nullptr;
      found = &s;
    }
  }
  return found;
}

}  // namespace

Slot* RunContext::State::findElement(std::u16string_view name) {
  return FindByName({&inputs, &outputs}, name, [](const Slot& s) { return !s.isFrame(); });
}

Slot* RunContext::State::findInputFrame(std::u16string_view name) {
  return FindByName({&inputs}, name, [](const Slot& s) { return s.isFrame(); });
}

std::u16string RunContext::State::outputFrameName(std::u16string_view name) const {
  if (name.size() == kCutNameLength) {
    const Slot* found = nullptr;
    for (const Slot& s : outputs) {
      if (!s.isFrame() || !s.info.name.starts_with(name)) continue;
      if (found) return std::u16string(name);
      found = &s;
    }
    if (found) return found->info.name;
  }
  return std::u16string(name);
}

void RunContext::State::beginRun() {
  for (Slot& s : outputs) s.clearElements();
  spareFrames = std::move(outFrames);
  outFrames.clear();
  retired.clear();
  warnings.clear();
  picture = FrameBuffer();
}

}  // namespace talvix

namespace {

using talvix::Slot;

// The 5-double types (3, 5) and the 6-double types (4, 6) share a getter.
bool TypeFits(int slotType, int wanted) {
  auto family = [](int t) { return t == ptRectangle ? ptRectangularRegion : t == ptRing ? ptRingRegion : t; };
  return family(slotType) == family(wanted);
}

// The element's storage, growing an output past its end. Caller holds the lock.
void* ElementLocked(talvix::RunContext::State& s, int hi, const char16_t* name, int elem, int type, Slot** slotOut) {
  Slot* slot = s.findElement(talvix::ReadText(hi, name));
  if (!slot || !TypeFits(slot->info.type, type) || elem < 0) return nullptr;
  if (slot->input) {
    if (!slot->set || elem > slot->maxIndex) return nullptr;
  } else if (elem > slot->maxIndex) {
    if (elem >= talvix::kMaxElements) return nullptr;
    slot->growTo(elem);
    slot->maxIndex = elem;
  }
  if (slotOut) *slotOut = slot;
  return slot->elems[elem].raw;
}

template <class T>
bool GetElement(void* ctx, int hi, const char16_t* name, int elem, int type, T** out) {
  return talvix::NoThrow(false, [&]() -> bool {
    if (!ctx) return false;
    auto& s = *talvix::FromContext(ctx);
    std::lock_guard lock(s.mu);
    void* p = ElementLocked(s, hi, name, elem, type, nullptr);
    if (!p) return false;
    if (out) *out = static_cast<T*>(p);
    return true;
  });
}

}  // namespace

extern "C" {

bool GetParameterName(intptr_t list, const void* names, int i, int hi, char16_t* buf) {
  const auto* table = static_cast<const talvix::ParamTable*>(names);
  if (!table || !buf || i < 0 || i >= list || static_cast<size_t>(i) >= table->entries.size() || hi < 0) return false;
  const Slot* slot = table->entries[i];
  if (!slot->named) return false;
  const std::u16string& name = slot->hostName();
  size_t n = std::min(name.size(), static_cast<size_t>(hi));
  std::memcpy(buf, name.data(), n * 2);
  buf[n] = 0;
  return true;
}

bool GetNumber(void* ctx, int hi, const char16_t* name, int elem, double** out) {
  return GetElement(ctx, hi, name, elem, ptNumber, out);
}

// The flag says the value is already in frame pixels or degrees.
bool GetNumberTransformFlag(void* ctx, int hi, const char16_t* name, int elem, double** out, bool* inFrame) {
  if (inFrame) *inFrame = false;
  if (!ctx) return false;
  auto& s = *talvix::FromContext(ctx);
  std::lock_guard lock(s.mu);
  Slot* slot = nullptr;
  void* p = ElementLocked(s, hi, name, elem, ptNumber, &slot);
  if (!p) return false;
  if (out) *out = static_cast<double*>(p);
  if (inFrame && static_cast<size_t>(elem) < slot->transformFlags.size()) *inFrame = slot->transformFlags[elem];
  return true;
}

bool GetFlag(void* ctx, int hi, const char16_t* name, int elem, bool** out) {
  return GetElement(ctx, hi, name, elem, ptFlag, out);
}
bool GetColor(void* ctx, int hi, const char16_t* name, int elem, TColor** out) {
  return GetElement(ctx, hi, name, elem, ptColor, out);
}
bool GetPoint(void* ctx, int hi, const char16_t* name, int elem, TPoint** out) {
  return GetElement(ctx, hi, name, elem, ptPoint, out);
}
bool GetLine(void* ctx, int hi, const char16_t* name, int elem, TLine** out) {
  return GetElement(ctx, hi, name, elem, ptLine, out);
}
bool GetRectangle(void* ctx, int hi, const char16_t* name, int elem, TRectangle** out) {
  return GetElement(ctx, hi, name, elem, ptRectangle, out);
}
bool GetRing(void* ctx, int hi, const char16_t* name, int elem, TRing** out) {
  return GetElement(ctx, hi, name, elem, ptRing, out);
}
bool GetRectangularRegion(void* ctx, int hi, const char16_t* name, int elem, TRectangularRegion** out) {
  return GetElement(ctx, hi, name, elem, ptRectangularRegion, out);
}
bool GetRingRegion(void* ctx, int hi, const char16_t* name, int elem, TRingRegion** out) {
  return GetElement(ctx, hi, name, elem, ptRingRegion, out);
}
bool GetCoordinateSystem(void* ctx, int hi, const char16_t* name, int elem, TCoordinateSystem** out) {
  return GetElement(ctx, hi, name, elem, ptCoordinateSystem, out);
}
bool GetString(void* ctx, int hi, const char16_t* name, int elem, HostString** out) {
  return GetElement(ctx, hi, name, elem, ptString, out);
}
bool GetData(void* ctx, int hi, const char16_t* name, int elem, DataObject** out) {
  return GetElement(ctx, hi, name, elem, ptDataObject, out);
}

bool GetObjectMaxIndex(void* ctx, int hi, const char16_t* name, int* n) {
  return talvix::NoThrow(false, [&]() -> bool {
    if (!ctx) return false;
    auto& s = *talvix::FromContext(ctx);
    std::lock_guard lock(s.mu);
    Slot* slot = s.findElement(talvix::ReadText(hi, name));
    if (!slot || (slot->input && !slot->set)) return false;
    if (n) *n = slot->maxIndex;
    return true;
  });
}

// Keeps what was written; elements above n stay allocated but hidden.
void SetObjectMaxIndex(void* ctx, int hi, const char16_t* name, int n) {
  talvix::NoThrow([&] {
    if (!ctx) return;
    auto& s = *talvix::FromContext(ctx);
    std::lock_guard lock(s.mu);
    Slot* slot = s.findElement(talvix::ReadText(hi, name));
    if (!slot || slot->input || n >= talvix::kMaxElements) return;
    if (n < 0) {
      slot->maxIndex = -1;
      return;
    }
    slot->growTo(n);
    slot->maxIndex = n;
  });
}

}  // extern "C"
