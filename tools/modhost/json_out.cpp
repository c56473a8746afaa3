#include "json_out.h"

#include <iostream>

namespace modhost {
namespace {

using talvix::RunContext;

Json ToJson(const TColor& c) { return {{"r", c.R}, {"g", c.G}, {"b", c.B}, {"a", c.A}}; }
Json ToJson(const TPoint& p) { return {{"x", p.x}, {"y", p.y}}; }
Json ToJson(const TLine& l) { return {{"x0", l.x0}, {"y0", l.y0}, {"x1", l.x1}, {"y1", l.y1}}; }
Json ToJson(const TRectangle& r) {
  return {{"cx", r.cx}, {"cy", r.cy}, {"width", r.width}, {"height", r.height}, {"angle", r.angle}};
}
Json ToJson(const TRing& r) {
  return {{"cx", r.cx}, {"cy", r.cy}, {"r1", r.r1}, {"r2", r.r2}, {"a1", r.a1}, {"a2", r.a2}};
}
Json ToJson(const TCoordinateSystem& c) { return {{"x", c.x}, {"y", c.y}, {"angle", c.angle}}; }
Json ToJson(double x) { return x; }
Json ToJson(bool b) { return b; }
Json ToJson(const std::u16string& s) { return talvix::ToUtf8(s); }

template <class T>
Json Collapse(const std::vector<T>& values) {
  if (values.empty()) return nullptr;
  if (values.size() == 1) return ToJson(static_cast<T>(values[0]));
  Json a = Json::array();
  for (size_t i = 0; i < values.size(); ++i) a.push_back(ToJson(static_cast<T>(values[i])));
  return a;
}

}  // namespace

Json OutputValue(const RunContext& ctx, const talvix::ParamInfo& output) {
  const std::u16string& n = output.name;
  switch (output.type) {
    case ptCoordinateSystem:
      return Collapse(ctx.coordinateSystems(n));
    case ptRectangularRegion:
    case ptRectangle:
      return Collapse(ctx.rectangles(n));
    case ptRingRegion:
    case ptRing:
      return Collapse(ctx.rings(n));
    case ptPoint:
      return Collapse(ctx.points(n));
    case ptLine:
      return Collapse(ctx.lines(n));
    case ptColor:
      return Collapse(ctx.colors(n));
    case ptNumber:
      return Collapse(ctx.numbers(n));
    case ptString:
      return Collapse(ctx.strings(n));
    case ptFlag:
      return Collapse(ctx.flags(n));
    case ptDataObject: {
      std::optional<int> max = ctx.maxIndex(n);
      if (!max || *max < 0) return nullptr;
      return Json{{"size", ctx.data(n).size()}};
    }
    default:
      return nullptr;
  }
}

Json DrawingJson(const std::vector<talvix::DrawCall>& calls) {
  Json list = Json::array();
  for (const talvix::DrawCall& call : calls) {
    Json j = {{"fn", call.fn}, {"args", call.args}, {"color", ToJson(call.color)}};
    if (!call.text.empty()) j["text"] = talvix::ToUtf8(call.text);
    if (call.fn == "DrawDirectionUnderpainted") j["under"] = ToJson(call.under);
    list.push_back(std::move(j));
  }
  return list;
}

void PrintJson(const Json& doc) { std::cout << doc.dump(2, ' ', false, Json::error_handler_t::replace) << '\n'; }

}  // namespace modhost
