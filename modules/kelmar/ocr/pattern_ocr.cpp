// The run of the pattern-trained reader: inputs, the table, segmentation of
// the input region, classification, output and marks.
#include "ocr/pattern_ocr.h"

#include <omp.h>

#include <algorithm>
#include <cmath>

#include "frame/image_stats.h"
#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "ocr/ocr_params.h"
#include "region_in_frame.h"
#include "pattern/sampling.h"

namespace kelmar {

namespace {

constexpr double kDegToRad = 0.017453292519943295;

enum Input {
  kInFrame = 0,
  kInRegion,
  kInPattern,
  kInTable,
  kInAcceptance,
  kInSubstitution,
  kInMinimalSize,
  kInVertical,
  kInHorizontal,
  kInSpeed,
  kInThreshold,
  kInPatternThreshold,
  kInNegative,
  kInScale,
  kInShow,
};

bool Number(const frame::RunArgs& a, int i, frame::ParamName* name, double* v) {
  *name = frame::InputName(a, i);
  double* p = nullptr;
  if (!name->ok || !GetNumber(a.ctx, 63, name->c_str(), 0, &p) || !p) return false;
  frame::WarnArrayInput(a.ctx, 63, name->c_str());
  if (std::isnan(*p)) return false;  // not a number: the default
  *v = *p;
  return true;
}

bool Flag(const frame::RunArgs& a, int i, bool fallback) {
  const frame::ParamName name = frame::InputName(a, i);
  bool* p = nullptr;
  if (!name.ok || !GetFlag(a.ctx, 63, name.c_str(), 0, &p) || !p) return fallback;
  frame::WarnArrayInput(a.ctx, 63, name.c_str());
  return *p;
}

float RealIn(const frame::RunArgs& a, int i, float fallback, float lo, float hi) {
  frame::ParamName name;
  double v = 0;
  if (!Number(a, i, &name, &v)) return fallback;
  const float f = static_cast<float>(v), c = std::clamp(f, lo, hi);
  if (c != f) frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), f, c);
  return c;
}

int IntIn(const frame::RunArgs& a, int i, int fallback, int lo, int hi) {
  frame::ParamName name;
  double v = 0;
  if (!Number(a, i, &name, &v)) return fallback;
  const int n = frame::TruncateToInt(v), c = std::clamp(n, lo, hi);
  if (c != n) frame::WarnIntParameterCorrected(a.ctx, 63, name.c_str(), n, c);
  return c;
}

// A fraction of the 8-bit range as a level; -1 when absent (automatic).
int LevelIn(const frame::RunArgs& a, int i) {
  frame::ParamName name;
  double v = 0;
  if (!Number(a, i, &name, &v)) return -1;
  const float f = static_cast<float>(v);
  if (f > 1) {
    frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), f, 1.0f);
    return 255;
  }
  if (f < 0) {
    frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), f, 0.0f);
    return 0;
  }
  return static_cast<int>(f * 255.0f);
}

bool StringIn(const frame::RunArgs& a, int i, std::u16string* out) {
  const frame::ParamName name = frame::InputName(a, i);
  HostString* s = nullptr;
  if (!name.ok || !GetString(a.ctx, 63, name.c_str(), 0, &s) || !s || !*s) return false;
  const int n = std::max(0, GetStringLength(s));
  out->assign((*s)->chars, (*s)->chars + n);
  return true;
}

// One character of the text read is one 16-bit unit of these inputs: a NUL
// would end the text early and half of a surrogate pair is no character.
bool ReadableAsCharacters(std::u16string_view s) {
  return std::none_of(s.begin(), s.end(), [](char16_t c) { return c == 0 || (c >= 0xD800 && c <= 0xDFFF); });
}

// Region coordinates of a frame pixel's neighbourhood, and the samples there.
struct Sampler {
  const uint8_t* data;
  ptrdiff_t stride;
  int bpp, width, depth;
  float sinA, cosA;
  double regionX, regionY;
  bool negative;

  int At(float px, float py) const {
    const int col = static_cast<int>(px * cosA + 0.5f - py * sinA + static_cast<float>(regionX));
    const int row = static_cast<int>(px * sinA + 0.5f + py * cosA + static_cast<float>(regionY));
    if (col < 0 || row < 0 || col >= width || row >= depth) return 127;
    const uint8_t* p = data + row * stride + static_cast<ptrdiff_t>(col) * (bpp / 8);
    const int v = bpp == 8 ? p[0] : (p[0] + p[1] + p[2]) / 3;
    return negative ? 255 - v : v;
  }

  // The score of a pattern set against the samples at its offsets, turned
  // from the centre (cx, cy) by the factors (sx, sy) and moved by (dx, dy).
  float Score(const std::vector<int32_t>& set, int n, float dev, int mean, float cx, float cy, float sx, float sy,
              int dx, int dy, std::vector<int32_t>& values) const {
    if (n < 2) return 0;
    values.resize(n);
    const int32_t* ox = set.data() + n;
    const int32_t* oy = ox + n;
    for (int k = 0; k < n; ++k) values[k] = At(cx + ox[k] * sx + dx, cy + oy[k] * sy + dy);
    int m = 0;
    const float d = frame::RowStdDev(values.data(), n, 0, &m);
    return CorrelateSamples(n, values.data(), set.data(), d, dev, m, mean, 0);
  }
};

}  // namespace

bool CMatchOCR::Run(const frame::RunArgs& a) {
  const int processors = std::max(1, omp_get_max_threads());
  Frame* pattern = nullptr;
  Frame* input = nullptr;
  int32_t patternStamp = 0, inputStamp = 0;
  const frame::ParamName patternName = frame::InputName(a, kInPattern);
  if (!patternName.ok || !GetInputFrameTimestamp(a.ctx, 63, patternName.c_str(), &pattern, &patternStamp) ||
      !pattern) {
    return a.fail(u"error: Cannot get input frame");
  }
  const frame::ParamName inputName = frame::InputName(a, kInFrame);
  if (!inputName.ok || !GetInputFrameTimestamp(a.ctx, 63, inputName.c_str(), &input, &inputStamp) || !input) {
    return a.fail(u"error: Cannot get input frame");
  }
  const frame::ParamName regionName = frame::InputName(a, kInRegion);
  TRectangularRegion* regionPtr = nullptr;
  if (!regionName.ok || !GetRectangularRegion(a.ctx, 63, regionName.c_str(), 0, &regionPtr) || !regionPtr) {
    return a.fail(u"error: Input rectangle region not defined");
  }
  const TRectangularRegion region = RegionPartInFrame(*regionPtr, GetFrameWidth(input), GetFrameDepth(input));
  frame::WarnArrayInput(a.ctx, 63, regionName.c_str());
  std::u16string defined;
  // An empty table has nothing to read the glyphs as.
  if (!StringIn(a, kInTable, &defined) || defined.empty()) return a.fail(u"error: No chars are defined");
  if (!ReadableAsCharacters(defined))
    return a.fail(u"error: Table of characters holds a NUL or a character beyond the 16-bit plane");

  Params p;
  p.acceptance = RealIn(a, kInAcceptance, 0.55f, 0.3f, 0.95f);
  std::u16string substitution;
  if (StringIn(a, kInSubstitution, &substitution) && !substitution.empty()) p.substitution = substitution[0];
  if (!ReadableAsCharacters(std::u16string_view(&p.substitution, 1)))
    return a.fail(u"error: Substitution character is a NUL or a character beyond the 16-bit plane");
  p.minimalSize = IntIn(a, kInMinimalSize, 10, 1, INT32_MAX);
  p.verticalSpacing = IntIn(a, kInVertical, 0, 0, INT32_MAX);
  p.horizontalSpacing = IntIn(a, kInHorizontal, 0, 0, INT32_MAX);
  p.speed = RealIn(a, kInSpeed, 0.5f, 0.0f, 1.0f);
  p.threshold = LevelIn(a, kInThreshold);
  p.patternThreshold = LevelIn(a, kInPatternThreshold);
  p.negative = Flag(a, kInNegative, false);
  p.scale = IntIn(a, kInScale, 0, 0, 50);
  p.show = Flag(a, kInShow, true);
  characters_ = defined + p.substitution;

  Frame* overlay = nullptr;  // requested for the host's overlay; not painted
  GetOutputFrame(a.ctx, 63, u"overlay", &overlay, GetFrameWidth(input), GetFrameDepth(input), 32);

  const std::u16string_view failure = UpdateTable(a, pattern, patternStamp, p);
  if (!failure.empty()) return a.fail(failure);

  const frame::ParamName outName = frame::OutputName(a, 0);
  HostString* out = nullptr;
  const bool haveOut = outName.ok && GetString(a.ctx, 63, outName.c_str(), 0, &out) && out;
  const int threshold = p.threshold >= 0 ? p.threshold : frame::AutoThreshold(input, &region);
  // A threshold of 0 is a plain region: nothing in it to read.
  if (threshold == 0 || !SegmentInput(input, region, threshold, p)) {
    if (haveOut) SetZeroString(out);
    return a.fail(u"No characters found in the image");
  }

  if (candidates_.size() < static_cast<size_t>(processors)) candidates_.resize(processors);
  Classify(input, region, p);

  if (haveOut) {
    SetZeroString(out);
    int pos = 0;
    for (const CharacterRecord& r : inputTable_) {
      for (char16_t ch : r.text) SetStringChar(pos++, ch, out);
    }
    SetObjectMaxIndex(a.ctx, 63, outName.c_str(), 0);
  }
  if (p.show) Draw(a, region);
  return true;
}

bool CMatchOCR::SegmentInput(const Frame* input, const TRectangularRegion& region, int threshold, const Params& p) {
  SegmentationContext c;
  c.frame = input;
  c.threshold = threshold;
  c.negative = p.negative;
  c.minimalSize = p.minimalSize;
  c.horizontalSpacing = p.horizontalSpacing;
  c.verticalSpacing = p.verticalSpacing;
  c.singleLine = singleLine_;
  c.meanPatternWidth = meanPatternWidth_;
  Segmenter segmenter(c);
  const int w = static_cast<int>(region.width), h = static_cast<int>(region.height);
  const double s = std::sin(region.angle * kDegToRad), co = std::cos(region.angle * kDegToRad);
  const auto lineRegion = [&](const TRectangularRegion& in, int inW, int inH, const TextLines& lines, int i) {
    const double dx = ((lines.rightEnds[i] + 1) - inW) / 2.0, dy = ((lines.starts[i] + lines.ends[i]) - inH + 1) / 2.0;
    return TRectangularRegion{in.cx + co * dx - s * dy, in.cy + s * dx + co * dy, lines.rightEnds[i] + 1.0,
                              lines.starts[i] - lines.ends[i] + 2.0, in.angle};
  };
  inputTable_.clear();
  inputLines_ = segmenter.FindLines(region, false);
  if (inputLines_.count() == 0) return false;
  if (!singleLine_) {
    for (int i = 0; i < inputLines_.count(); ++i) {
      const size_t before = inputTable_.size();
      segmenter.SegmentLine(lineRegion(region, w, h, inputLines_, i), i, false, &inputTable_);
      for (size_t k = before; k < inputTable_.size(); ++k) inputTable_[k].y += inputLines_.ends[i];
      CharacterRecord separator;
      separator.decided = true;
      separator.line = i;
      separator.boxed = false;
      inputTable_.push_back(separator);
    }
    inputTable_.pop_back();
    return !inputTable_.empty();
  }
  singleLineTable_.clear();
  segmenter.SegmentLine(lineRegion(region, w, h, inputLines_, 0), 0, false, &singleLineTable_);
  if (singleLineTable_.empty()) return false;
  for (CharacterRecord& seg : singleLineTable_) seg.y += inputLines_.ends[0];
  for (const CharacterRecord& seg : singleLineTable_) {
    if (seg.decided) {
      CharacterRecord copy;
      copy.decided = true;
      copy.text = seg.text;
      copy.line = seg.line;
      copy.sequence = seg.sequence;
      copy.boxed = false;
      inputTable_.push_back(copy);
      continue;
    }
    const double dx = (2.0 * seg.x + seg.width + 1 - w) / 2.0, dy = (seg.height + 2.0 * seg.y + 1 - h) / 2.0;
    const TRectangularRegion own{region.cx + co * dx - s * dy, region.cy + s * dx + co * dy,
                                 static_cast<double>(seg.width), seg.height + 1.0, region.angle};
    const TextLines lines = segmenter.FindLines(own, false);
    if (lines.count() == 0) continue;
    const size_t before = inputTable_.size();
    segmenter.SegmentLine(lineRegion(own, seg.width, seg.height + 1, lines, 0), 0, false, &inputTable_);
    for (size_t k = before; k < inputTable_.size(); ++k) {
      inputTable_[k].x += seg.x;
      inputTable_[k].y += seg.y + lines.ends[0];
    }
    if (inputTable_.size() == before + 1) {
      CharacterRecord& r = inputTable_.back();
      // Snap a single piece onto its segment when it is off by one.
      if (std::abs(r.y - seg.y) == 1) r.y = seg.y;
      if (std::abs(r.x - seg.x) == 1) r.x = seg.x;
      if (std::abs(r.width - seg.width) == 1) r.width = seg.width;
      if (std::abs(r.height - seg.height) == 1) r.height = seg.height;
    }
  }
  return !inputTable_.empty();
}

void CMatchOCR::Classify(const Frame* input, const TRectangularRegion& region, const Params& p) {
  const int records = static_cast<int>(inputTable_.size());
  const int teams = static_cast<int>(candidates_.size());
#pragma omp parallel num_threads(teams)
  {
    std::vector<Candidate>& mine = candidates_[omp_get_thread_num()];
    std::vector<int32_t> values;
#pragma omp for schedule(static)
    for (int i = 0; i < records; ++i) {
      if (!inputTable_[i].decided) ClassifyRecord(input, region, p, inputTable_[i], mine, values);
    }
  }
}

void CMatchOCR::ClassifyRecord(const Frame* input, const TRectangularRegion& region, const Params& p,
                               CharacterRecord& rec, std::vector<Candidate>& candidates,
                               std::vector<int32_t>& values) const {
  const int fw = GetFrameWidth(input), bpp = GetFrameBPP(input);
  const float rad = static_cast<float>(region.angle * kDegToRad);
  const Sampler sampler{GetFrameDataAddr(const_cast<Frame*>(input)),
                        bpp == 8 ? (fw + 3) & ~3 : 4 * static_cast<ptrdiff_t>(fw),
                        bpp,
                        fw,
                        GetFrameDepth(input),
                        std::sin(rad),
                        std::cos(rad),
                        region.cx,
                        region.cy,
                        p.negative};
  const int w = static_cast<int>(region.width), h = static_cast<int>(region.height);
  const int n = static_cast<int>(characters_.size()) - 1;
  const int patterns = std::min(static_cast<int>(patternTable_.size()), n);  // glyphs past the table are ignored
  const float lowAspect = p.speed > 0.66f ? 0.68f : p.speed > 0.33f ? 0.72f : 0.8f;
  const float highAspect = p.speed > 0.66f ? 1.45f : p.speed > 0.33f ? 1.4f : 1.25f;
  const float lowScale = 1 - p.scale / 100.0f, highScale = 1 + p.scale / 100.0f;
  const float cx = (rec.width - 1) / 2.0f + rec.x - (w - 1) / 2.0f;
  const float cy = (rec.height - 1) / 2.0f + rec.y - (h - 1) / 2.0f;
  const auto coarseScore = [&](int j, float px, float py, float sx, float sy, int dx, int dy) {
    const CharacterRecord& pr = patternTable_[j];
    return sampler.Score(pr.coarse, pr.coarseCount, pr.coarseDeviation, pr.coarseMean, px, py, sx, sy, dx, dy,
                         values);
  };

  const float f = p.speed * 0.125f + 0.025f;
  const int rx = std::max(3, static_cast<int>(rec.width * f + 0.5f));
  const int ry = std::max(3, static_cast<int>(rec.height * f + 0.5f));
  float best = -1;
  candidates.clear();
  for (int j = 0; j < patterns; ++j) {
    const CharacterRecord& pr = patternTable_[j];
    const float sx = static_cast<float>(rec.width) / pr.width, sy = static_cast<float>(rec.height) / pr.height;
    const float aspect = pr.width * sy / rec.width;
    float fx = 1, fy = 1;
    if (p.scale > 0) {
      const bool heightOk = (sy >= lowScale && sy <= highScale) || std::abs(rec.height - pr.height) < 3;
      const bool aspectOk = (aspect >= lowAspect && aspect <= highAspect) || std::abs(rec.width - pr.width) < 3;
      if (!heightOk || !aspectOk) continue;
      fx = sx;
      fy = sy;
    } else if (((sy < lowAspect || sy > highAspect) && std::abs(rec.height - pr.height) > 2) ||
               ((aspect < lowAspect || aspect > highAspect) && std::abs(rec.width - pr.width) > 2)) {
      continue;
    }
    for (int dx = -rx; dx <= rx; dx += std::max(1, rx / 3)) {
      for (int dy = -ry; dy <= ry; dy += std::max(1, ry / 3)) {
        const float score = coarseScore(j, cx, cy, fx, fy, dx, dy);
        if (score < p.acceptance - 0.15f) continue;
        best = std::max(best, score);
        if (score > best - 0.15f) candidates.push_back({j, dx, dy, score});
      }
    }
  }

  if (best >= p.acceptance) {
    int winner = n;
    float threshold = p.acceptance;
    for (const Candidate& c : candidates) {
      if (c.score < best - 0.15f) continue;
      const CharacterRecord& pr = patternTable_[c.pattern];
      const float sx = p.scale == 0 ? 1.0f : static_cast<float>(rec.width) / pr.width;
      const float sy = p.scale == 0 ? 1.0f : static_cast<float>(rec.height) / pr.height;
      const float score =
          sampler.Score(pr.fine, pr.fineCount, pr.fineDeviation, pr.fineMean, cx, cy, sx, sy, c.dx, c.dy, values);
      if (score >= threshold) {
        winner = c.pattern;
        threshold = score;
      }
    }
    rec.text.assign(1, characters_[winner]);
    rec.decided = true;
    return;
  }

  if (p.horizontalSpacing == 0 && rec.width >= 0.8 * meanPatternWidth_ && rec.height >= 0.5 * meanPatternWidth_) {
    // Touching glyphs, read left to right; the text grows with each piece.
    rec.text.clear();
    int left = rec.x;
    float remaining = static_cast<float>(rec.width);
    const int r = static_cast<int>(0.2 * meanPatternWidth_);
    const int step = std::max(1, r / 3);
    while (r < remaining) {
      float pieceBest = 0;
      int winner = -1;
      for (int j = 0; j < patterns; ++j) {
        const CharacterRecord& pr = patternTable_[j];
        if (pr.width - 1.5f * r > remaining) continue;
        const float g = static_cast<float>(rec.height) / pr.height;
        const float px = (pr.width - 1) / 2.0f + left - (w - 1) / 2.0f;
        for (int dx = -2 * r; dx <= 2 * r; dx += step) {
          if (pr.width - r > remaining - dx) continue;
          for (int dy = -r; dy <= r; dy += step) {
            const float score = coarseScore(j, px, cy, g, g, dx, dy);
            if (score >= pieceBest) {
              pieceBest = score;
              winner = j;
            }
          }
        }
      }
      if (winner < 0 || pieceBest < p.acceptance) break;
      rec.text.push_back(characters_[winner]);
      rec.decided = true;
      const CharacterRecord& pr = patternTable_[winner];
      const float advance = pr.width * (static_cast<float>(rec.height) / pr.height) + 1.5f;
      remaining = static_cast<float>(static_cast<int>(remaining - advance));
      left = static_cast<int>(left + advance);
    }
    if (!rec.text.empty()) return;
  }
  rec.text.assign(1, characters_[n]);
  rec.decided = false;
}

void CMatchOCR::Draw(const frame::RunArgs& a, const TRectangularRegion& region) const {
  const TColor colour = GetDrawColor(a.ctx, 1);
  const double thickness = GetDrawThickness(a.ctx, 1);
  const double s = std::sin(region.angle * kDegToRad), c = std::cos(region.angle * kDegToRad);
  const int w = static_cast<int>(region.width), h = static_cast<int>(region.height);
  const auto place = [&](double lx, double ly, double* x, double* y) {
    *x = static_cast<int>(region.cx + c * -lx - s * ly);
    *y = static_cast<int>(region.cy + s * -lx + c * ly);
  };
  for (const CharacterRecord& r : inputTable_) {
    if (!r.decided || !r.boxed) continue;  // separators and copied spaces have no box
    double x, y;
    place((w / 2.0 - r.x) - r.width / 2.0, r.y - (h - r.height) / 2.0, &x, &y);
    DrawRectangle(a.ctx, x, y, r.width, r.height, region.angle, thickness, colour);
    const int lineStart = r.line < inputLines_.count() ? inputLines_.starts[r.line] : 0;
    for (size_t k = 0; k < r.text.size(); ++k) {
      const double lx = (w / 2.0 - r.x) - (static_cast<double>(k) / r.text.size()) * r.width;
      place(lx, lineStart - h / 2.0 + 3, &x, &y);
      DrawString(a.ctx, 0, &r.text[k], x, y, 0, region.angle, colour);
    }
  }
}

}  // namespace kelmar
