// The inspection's shared state, the drawing list that Draw* calls record,
// and the run coordinate system transforms.
#include <cmath>
#include <numbers>

#include "context.h"

namespace talvix {
namespace {

struct RoleDefault {
  int role;
  TColor color;
  double thickness;
};

// Role 1 (results) stands in for every role not listed.
constexpr RoleDefault kRoleDefaults[] = {
    {0, {0, 0.5, 1, 1}, 1},      // examined geometry, scan lines
    {1, {0, 1, 0, 1}, 2},        // results
    {2, {1, 1, 0, 1}, 1},        // scanned region, second result layer
    {3, {1, 1, 1, 1}, 1},        // outlines, chart texts
    {4, {1, 0, 1, 1}, 1},        // single edge points
    {7, {1, 0.5, 0, 1}, 1},      // light
    {8, {0, 0, 1, 1}, 1},        // dark
    {9, {0.5, 0.5, 0.5, 1}, 1},  // chart frame, baseline
    {10, {1, 0, 0, 1}, 1},       // chart bars
};

const RoleDefault* FindRoleDefault(int role) {
  for (const RoleDefault& r : kRoleDefaults) {
    if (r.role == role) return &r;
  }
  return nullptr;
}

bool KnownRole(const Inspection::State& s, int role) {
  return FindRoleDefault(role) || s.colors.count(role) || s.thickness.count(role);
}

}  // namespace

Inspection::Inspection() : state_(std::make_unique<State>()) {}
Inspection::~Inspection() = default;

void Inspection::setDrawingLevel(int level) {
  std::lock_guard lock(state_->mu);
  state_->drawingLevel = level < 0 ? 0 : level > 2 ? 2 : level;
}

int Inspection::drawingLevel() const {
  std::lock_guard lock(state_->mu);
  return state_->drawingLevel;
}

void Inspection::setDrawColor(int role, TColor c) {
  std::lock_guard lock(state_->mu);
  state_->colors[role] = c;
}

void Inspection::setDrawThickness(int role, double t) {
  std::lock_guard lock(state_->mu);
  state_->thickness[role] = t;
}

TColor Inspection::drawColor(int role) const {
  std::lock_guard lock(state_->mu);
  if (!KnownRole(*state_, role)) role = 1;
  if (auto it = state_->colors.find(role); it != state_->colors.end()) return it->second;
  const RoleDefault* d = FindRoleDefault(role);
  return d ? d->color : FindRoleDefault(1)->color;
}

double Inspection::drawThickness(int role) const {
  std::lock_guard lock(state_->mu);
  if (!KnownRole(*state_, role)) role = 1;
  if (auto it = state_->thickness.find(role); it != state_->thickness.end()) return it->second;
  const RoleDefault* d = FindRoleDefault(role);
  return d ? d->thickness : FindRoleDefault(1)->thickness;
}

void Inspection::setCoordinateSystem(TCoordinateSystem cs) {
  std::lock_guard lock(state_->mu);
  state_->cs = cs;
}

TCoordinateSystem Inspection::coordinateSystem() const {
  std::lock_guard lock(state_->mu);
  return state_->cs;
}

const std::vector<DrawCall>& Inspection::drawList() const { return state_->drawList; }

void Inspection::clearDrawList() {
  std::lock_guard lock(state_->mu);
  state_->drawList.clear();
}

const FrameBuffer& Inspection::overlay() const { return state_->overlay; }

}  // namespace talvix

namespace {

using talvix::DrawCall;

talvix::Inspection* InspectionFor(void* ctx) { return ctx ? talvix::FromContext(ctx)->inspection : nullptr; }

void Record(void* ctx, DrawCall call) {
  talvix::NoThrow([&] {
    talvix::Inspection* ins = InspectionFor(ctx);
    if (!ins) return;
    auto& s = *ins->state();
    std::lock_guard lock(s.mu);
    s.drawList.push_back(std::move(call));
  });
}

DrawCall Call(const char* fn, std::initializer_list<double> args, TColor c) {
  DrawCall d;
  d.fn = fn;
  d.args = args;
  d.color = c;
  return d;
}

// A label of a direction or dimension; textLen -1 means none.
DrawCall LabelledCall(const char* fn, double x0, double y0, double x1, double y1, int textLen, const char16_t* text,
                      double size, double thick, TColor c) {
  DrawCall d = Call(fn, {x0, y0, x1, y1, static_cast<double>(textLen), size, thick}, c);
  if (textLen >= 0) d.text = talvix::ReadText(textLen, text);
  return d;
}

TCoordinateSystem CoordinateSystem(void* ctx) {
  talvix::Inspection* ins = InspectionFor(ctx);
  return ins ? ins->coordinateSystem() : TCoordinateSystem{0, 0, 0};
}

constexpr double kRad = std::numbers::pi / 180.0;

double Normalized(double a) {
  NormalizeDegreeLongreal(&a);
  return a;
}

}  // namespace

extern "C" {

int GetDrawingLevel(void* ctx) {
  talvix::Inspection* ins = InspectionFor(ctx);
  return ins ? ins->drawingLevel() : 1;
}

TColor GetDrawColor(void* ctx, int role) {
  talvix::Inspection* ins = InspectionFor(ctx);
  return ins ? ins->drawColor(role) : TColor{0, 1, 0, 1};
}

double GetDrawThickness(void* ctx, int role) {
  talvix::Inspection* ins = InspectionFor(ctx);
  return ins ? ins->drawThickness(role) : 2.0;
}

void DrawLine(void* ctx, double x0, double y0, double x1, double y1, double thick, TColor c) {
  Record(ctx, Call("DrawLine", {x0, y0, x1, y1, thick}, c));
}

void DrawArrow(void* ctx, double x0, double y0, double x1, double y1, double thick, TColor c) {
  Record(ctx, Call("DrawArrow", {x0, y0, x1, y1, thick}, c));
}

void DrawCircle(void* ctx, double cx, double cy, double r, double thick, TColor c) {
  Record(ctx, Call("DrawCircle", {cx, cy, r, thick}, c));
}

void DrawRing(void* ctx, double cx, double cy, double r1, double r2, double a1, double a2, double thick, TColor c) {
  Record(ctx, Call("DrawRing", {cx, cy, r1, r2, a1, a2, thick}, c));
}

void DrawRectangle(void* ctx, double cx, double cy, double w, double h, double angle, double thick, TColor c) {
  Record(ctx, Call("DrawRectangle", {cx, cy, w, h, angle, thick}, c));
}

void DrawBoxFill(void* ctx, double x, double y, double w, double d, TColor c) {
  Record(ctx, Call("DrawBoxFill", {x, y, w, d}, c));
}

void DrawPolygon4(void* ctx, double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3,
                  double thick, TColor c) {
  Record(ctx, Call("DrawPolygon4", {x0, y0, x1, y1, x2, y2, x3, y3, thick}, c));
}

void DrawString(void* ctx, int hi, const char16_t* text, double x, double y, double size, double angle, TColor c) {
  DrawCall d = Call("DrawString", {static_cast<double>(hi), x, y, size, angle}, c);
  d.text = talvix::ReadText(hi, text);
  Record(ctx, std::move(d));
}

void DrawDirection(void* ctx, double x0, double y0, double x1, double y1, int textLen, const char16_t* text,
                   double size, double thick, TColor c) {
  Record(ctx, LabelledCall("DrawDirection", x0, y0, x1, y1, textLen, text, size, thick, c));
}

void DrawDirectionUnderpainted(void* ctx, double x0, double y0, double x1, double y1, int textLen, const char16_t* text,
                               double size, double thick, TColor c, TColor under) {
  DrawCall d = LabelledCall("DrawDirectionUnderpainted", x0, y0, x1, y1, textLen, text, size, thick, c);
  d.under = under;
  Record(ctx, std::move(d));
}

void DrawDimension(void* ctx, double x0, double y0, double x1, double y1, int textLen, const char16_t* text,
                   double size, double thick, TColor c) {
  Record(ctx, LabelledCall("DrawDimension", x0, y0, x1, y1, textLen, text, size, thick, c));
}

// Renders a copy, so that drawing calls from other threads cannot disturb it.
void DrawDrawingList(void* ctx, Frame* f) {
  talvix::NoThrow([&] {
    talvix::Inspection* ins = InspectionFor(ctx);
    if (!ins || !f) return;
    std::vector<DrawCall> calls;
    {
      std::lock_guard lock(ins->state()->mu);
      calls = ins->state()->drawList;
    }
    talvix::RenderDrawList(calls, f);
  });
}

void DisposeDrawingList(void* ctx) {
  if (talvix::Inspection* ins = InspectionFor(ctx)) ins->clearDrawList();
}

void TransformPoint(void* ctx, double x, double y, double* ox, double* oy) {
  TCoordinateSystem cs = CoordinateSystem(ctx);
  double c = std::cos(cs.angle * kRad), s = std::sin(cs.angle * kRad);
  if (ox) *ox = cs.x + c * x - s * y;
  if (oy) *oy = cs.y + s * x + c * y;
}

void TransformAngle(void* ctx, double a, double* out) {
  if (out) *out = Normalized(a + CoordinateSystem(ctx).angle);
}

void InvTransformPoint(void* ctx, double x, double y, double* ox, double* oy) {
  TCoordinateSystem cs = CoordinateSystem(ctx);
  double c = std::cos(cs.angle * kRad), s = std::sin(cs.angle * kRad);
  double dx = x - cs.x, dy = y - cs.y;
  if (ox) *ox = c * dx + s * dy;
  if (oy) *oy = -s * dx + c * dy;
}

void InvTransformAngle(void* ctx, double a, double* out) {
  if (out) *out = Normalized(a - CoordinateSystem(ctx).angle);
}

}  // extern "C"
