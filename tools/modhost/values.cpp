#include "values.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "image_io.h"

namespace modhost {
namespace {

using talvix::RunContext;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

enum class NumberSyntax { kOk, kBad, kOutOfRange };

// One optional '+' or '-' then an unsigned decimal number; "+-1" and the like
// are refused, magnitudes past double's range (either way) are out of range.
NumberSyntax ReadNumberText(std::string_view s, double* out) {
  s = Trim(s);
  std::string_view body = s;
  if (!body.empty() && (body.front() == '+' || body.front() == '-')) body.remove_prefix(1);
  if (body.empty() || body.front() == '+' || body.front() == '-') return NumberSyntax::kBad;
  if (s.front() == '+') s.remove_prefix(1);
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  if (end != s.data() + s.size()) return NumberSyntax::kBad;
  if (ec == std::errc::result_out_of_range) return NumberSyntax::kOutOfRange;
  if (ec != std::errc() || !std::isfinite(*out)) return NumberSyntax::kBad;
  return NumberSyntax::kOk;
}

bool ParseNumber(std::string_view s, double* out) { return ReadNumberText(s, out) == NumberSyntax::kOk; }

// Comma-separated numbers; false unless there are exactly `n` (or `alt`).
bool ParseList(std::string_view s, size_t n, size_t alt, std::vector<double>* out) {
  std::vector<double> v;
  for (;;) {
    size_t comma = s.find(',');
    double x;
    if (!ParseNumber(s.substr(0, comma), &x)) return false;
    v.push_back(x);
    if (comma == std::string_view::npos) break;
    s.remove_prefix(comma + 1);
  }
  if (v.size() != n && v.size() != alt) return false;
  out->insert(out->end(), v.begin(), v.end());
  return true;
}

template <size_t N>
std::string ParseFields(InputValues& in, const std::string& text) {
  return ParseList(text, N, N, &in.fields) ? "" : "expected " + std::string(ValueForm(in.param.type));
}

std::string ParseNumberValue(InputValues& in, const std::string& text) {
  double x;
  switch (ReadNumberText(text, &x)) {
    case NumberSyntax::kOk:
      break;
    case NumberSyntax::kOutOfRange:
      return "out of range";
    case NumberSyntax::kBad:
      return "expected a number";
  }
  in.fields.push_back(x);
  return "";
}

std::string ParseFlag(InputValues& in, const std::string& text) {
  if (text == "true" || text == "1") {
    in.flags.push_back(true);
  } else if (text == "false" || text == "0") {
    in.flags.push_back(false);
  } else {
    return "expected true, false, 1 or 0";
  }
  return "";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string ParseColor(InputValues& in, const std::string& text) {
  std::string_view s = Trim(text);
  if (!s.empty() && s.front() == '#') {
    if (s.size() != 7) return "expected #rrggbb";
    for (int c = 0; c < 3; ++c) {
      int hi = HexDigit(s[1 + 2 * c]), lo = HexDigit(s[2 + 2 * c]);
      if (hi < 0 || lo < 0) return "expected #rrggbb";
      in.fields.push_back((hi * 16 + lo) / 255.0);
    }
    in.fields.push_back(1.0);
    return "";
  }
  std::vector<double> v;
  if (!ParseList(s, 3, 4, &v)) return "expected r,g,b[,a] or #rrggbb";
  for (double c : v) {
    if (c < 0 || c > 1) return "colour components lie in 0..1";
  }
  if (v.size() == 3) v.push_back(1.0);
  in.fields.insert(in.fields.end(), v.begin(), v.end());
  return "";
}

std::string ParseString(InputValues& in, const std::string& text) {
  std::u16string s = talvix::ToU16(text);
  // The conversion replaces broken sequences, so a round trip shows them.
  if (talvix::ToUtf8(s) != text) return "not valid UTF-8";
  in.strings.push_back(std::move(s));
  return "";
}

std::string ParseFrame(InputValues& in, const std::string& text) {
  if (!in.frame.empty()) return "a frame input takes one picture";
  std::string path = text;
  int bpp = 0;
  for (int forced : {8, 24, 32}) {
    std::string suffix = ":" + std::to_string(forced);
    if (path.size() > suffix.size() && path.ends_with(suffix)) {
      path.resize(path.size() - suffix.size());
      bpp = forced;
      break;
    }
  }
  std::string error;
  in.frame = ReadImage(path, bpp, &error);
  if (in.frame.empty()) return "cannot read picture \"" + path + "\": " + error;
  return "";
}

std::string ParseData(InputValues& in, const std::string& text) {
  if (in.count > 0) return "a data object input takes one file";
  std::error_code ec;
  if (std::filesystem::is_directory(text, ec)) return "\"" + text + "\" is a directory";
  std::ifstream file(text, std::ios::binary);
  if (!file) return "cannot open file \"" + text + "\"";
  // A read error throws from the stream buffer.
  try {
    in.data.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    return "cannot read file \"" + text + "\"";
  }
  if (file.bad()) return "cannot read file \"" + text + "\"";
  return "";
}

// Records are plain runs of doubles, filled from the flattened fields.
template <class T, void (RunContext::*Set)(const std::u16string&, const std::vector<T>&)>
void ApplyRecords(RunContext& ctx, const InputValues& in) {
  constexpr size_t n = sizeof(T) / sizeof(double);
  static_assert(sizeof(T) == n * sizeof(double));
  std::vector<T> records(in.fields.size() / n);
  for (size_t i = 0; i < records.size(); ++i) std::memcpy(&records[i], &in.fields[i * n], sizeof(T));
  (ctx.*Set)(in.param.name, records);
}

void ApplyNumbers(RunContext& ctx, const InputValues& in) { ctx.setNumbers(in.param.name, in.fields); }
void ApplyFlags(RunContext& ctx, const InputValues& in) { ctx.setFlags(in.param.name, in.flags); }
void ApplyStrings(RunContext& ctx, const InputValues& in) { ctx.setStrings(in.param.name, in.strings); }
void ApplyFrame(RunContext& ctx, const InputValues& in) { ctx.setFrame(in.param.name, in.frame); }
void ApplyData(RunContext& ctx, const InputValues& in) { ctx.setData(in.param.name, in.data); }

struct TypeEntry {
  int type;
  const char* name;
  const char* form;
  std::string (*parse)(InputValues&, const std::string&);
  void (*apply)(RunContext&, const InputValues&);
};

constexpr TypeEntry kTypes[] = {
    {ptFrame, "frame", "an image file (PNG, JPEG, BMP, PGM/PPM), optionally with :8, :24 or :32", ParseFrame,
     ApplyFrame},
    {ptCoordinateSystem, "coordinate system", "x,y,angle", ParseFields<3>,
     ApplyRecords<TCoordinateSystem, &RunContext::setCoordinateSystems>},
    {ptRectangularRegion, "rectangular region", "cx,cy,w,h,angle", ParseFields<5>,
     ApplyRecords<TRectangularRegion, &RunContext::setRegions>},
    {ptRingRegion, "ring region", "cx,cy,r1,r2,a1,a2", ParseFields<6>,
     ApplyRecords<TRingRegion, &RunContext::setRingRegions>},
    {ptRectangle, "rectangle", "cx,cy,w,h,angle", ParseFields<5>, ApplyRecords<TRectangle, &RunContext::setRectangles>},
    {ptRing, "ring", "cx,cy,r1,r2,a1,a2", ParseFields<6>, ApplyRecords<TRing, &RunContext::setRings>},
    {ptPoint, "point", "x,y", ParseFields<2>, ApplyRecords<TPoint, &RunContext::setPoints>},
    {ptLine, "line", "x0,y0,x1,y1", ParseFields<4>, ApplyRecords<TLine, &RunContext::setLines>},
    {ptColor, "colour", "r,g,b[,a] in 0..1 or #rrggbb", ParseColor, ApplyRecords<TColor, &RunContext::setColors>},
    {ptNumber, "number", "a number", ParseNumberValue, ApplyNumbers},
    {ptString, "string", "UTF-8 text", ParseString, ApplyStrings},
    {ptFlag, "flag", "true, false, 1 or 0", ParseFlag, ApplyFlags},
    {ptDataObject, "data object", "a file", ParseData, ApplyData},
};

const TypeEntry* Find(int type) {
  for (const TypeEntry& e : kTypes) {
    if (e.type == type) return &e;
  }
  return nullptr;
}

}  // namespace

const char* TypeName(int type) {
  const TypeEntry* e = Find(type);
  return e ? e->name : "unknown";
}

const char* ValueForm(int type) {
  const TypeEntry* e = Find(type);
  return e ? e->form : "nothing (unknown parameter type)";
}

std::string AddValue(InputValues& in, const std::string& text) {
  const TypeEntry* e = Find(in.param.type);
  if (!e) return "the host cannot give a value of type " + std::to_string(in.param.type);
  std::string error = e->parse(in, text);
  if (error.empty()) ++in.count;
  return error;
}

void ApplyValues(RunContext& ctx, const InputValues& in) {
  if (const TypeEntry* e = Find(in.param.type)) e->apply(ctx, in);
}

}  // namespace modhost
