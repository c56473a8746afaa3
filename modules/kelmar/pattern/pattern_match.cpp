// The run of CPatternMatch: inputs, search parameters, the model, the search
// threads, and the sorted outputs and marks.
#include "pattern/pattern_match.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <thread>

#include "frame/input_params.h"
#include "frame/module_frame.h"
#include "region_in_frame.h"

namespace kelmar {

namespace {

constexpr float kDegToRad = static_cast<float>(0.017453292519943295);

enum Input {
  kInFrame = 0,
  kInRegion = 1,
  kInPattern = 2,
  kInRotation = 3,
  kInSpeed = 4,
  kInScore = 5,
  kInMaxCount = 6,
  kInOffset = 7,
  kInShow = 8,
};

enum Output { kOutCount = 0, kOutSystem = 1, kOutRectangle = 2, kOutConfidence = 3 };

// The number of parts the search is cut into: one per processor, as the
// OpenMP runtime counts them (and as a caller may set it).
int ProcessorCount() { return std::max(1, omp_get_max_threads()); }

// A value input by position: true with *value when given as a number; its
// name for the warnings in *name.
bool ReadNumber(const frame::RunArgs& a, int i, frame::ParamName* name, double* value) {
  *name = frame::InputName(a, i);
  double* p = nullptr;
  if (!name->ok || !GetNumber(a.ctx, 63, name->c_str(), 0, &p) || !p) return false;
  if (std::isnan(*p)) return false;  // not a number: the default
  *value = *p;
  return true;
}

// An optional record input: absent or empty takes the default; present but
// unreadable is a failure (false).
template <class T, class Getter>
bool ReadRecord(const frame::RunArgs& a, int i, Getter get, T* value) {
  const frame::ParamName name = frame::InputName(a, i);
  if (!name.ok) return true;
  int maxIndex = -1;
  if (!GetObjectMaxIndex(a.ctx, 63, name.c_str(), &maxIndex) || maxIndex < 0) return true;
  T* p = nullptr;
  if (!get(a.ctx, 63, name.c_str(), 0, &p) || !p) return false;
  *value = *p;
  frame::WarnArrayInput(a.ctx, 63, name.c_str());
  return true;
}

constexpr std::u16string_view kNoFiniteOrigin = u"error: Cannot calculate a finite coordinate system origin of this offset";

// The coordinate system of a match, its origin moved by the offset from the
// pattern's corner.
TCoordinateSystem SystemOf(const MatchRecord& m, const TPoint& offset, int patternWidth, int patternHeight) {
  const float r = static_cast<float>(m.angle) * kDegToRad;
  const float c = std::cos(r), s = std::sin(r);
  const double ox = offset.x - 0.5 * patternWidth, oy = offset.y - 0.5 * patternHeight;
  return {m.x + c * ox - s * oy, m.y + c * oy + s * ox, static_cast<double>(m.angle)};
}

float CorrectReal(const frame::RunArgs& a, const frame::ParamName& name, float v, float lo, float hi) {
  const float corrected = std::clamp(v, lo, hi);
  if (corrected != v) frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), v, corrected);
  return corrected;
}

}  // namespace

struct CPatternMatch::Inputs {
  TPoint offset{0, 0};
  bool show = true;
  int drawingLevel = 0;
};

bool CPatternMatch::Run(const frame::RunArgs& a) {
  const int processors = ProcessorCount();

  const frame::ParamName patternName = frame::InputName(a, kInPattern);
  Frame* pattern = nullptr;
  int32_t stamp = 0;
  if (!patternName.ok || !GetInputFrameTimestamp(a.ctx, 63, patternName.c_str(), &pattern, &stamp) || !pattern) {
    return a.fail(u"error: Cannot get pattern frame");
  }
  patternWidth_ = GetFrameWidth(pattern);
  patternHeight_ = GetFrameDepth(pattern);
  const int longer = std::max(patternWidth_, patternHeight_);
  fineStep_ = std::clamp(static_cast<int>(2.0 / longer * 114.59155902616465), 1, 5);
  coarseStep_ = longer <= 300 ? 5 : 3;

  Frame* input = nullptr;
  if (!frame::InputFrame(a, kInFrame, &input)) return a.fail(u"error: Cannot get input frame");
  inputFrame_ = input;
  inputWidth_ = GetFrameWidth(input);
  inputHeight_ = GetFrameDepth(input);
  inputBpp_ = GetFrameBPP(input);
  // Only grey and 32-bit colour frames can be sampled.
  if (inputBpp_ != 8 && inputBpp_ != 32) return a.fail(u"error: Input frame must have 8 or 32 bits per pixel");

  frame::ParamName name;
  double value = 0;
  int rotation = 0;
  if (ReadNumber(a, kInRotation, &name, &value)) {
    rotation = frame::TruncateToInt(value);
    if (rotation > 180 || rotation < 0) {
      const int corrected = rotation > 180 ? 180 : 0;
      frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), static_cast<float>(value),
                                        static_cast<float>(corrected));
      rotation = corrected;
    }
    frame::WarnArrayInput(a.ctx, 63, name.c_str());
  }
  double phi = 0;
  TransformAngle(a.ctx, 0.0, &phi);
  upper_ = frame::TruncateToInt(rotation + phi);
  lower360_ = frame::TruncateToInt(phi + 360 - rotation);
  angleStart_ = lower360_ - lower360_ % coarseStep_ - 360;
  angleEnd_ = upper_ % coarseStep_ == 0 ? upper_ : upper_ - upper_ % coarseStep_ + coarseStep_;
  if (angleEnd_ < angleStart_) angleStart_ -= 360;
  if (angleStart_ != cachedAngleStart_ || angleEnd_ != cachedAngleEnd_ || coarseStep_ != cachedCoarseStep_ ||
      sinTable_.size() != static_cast<size_t>(angleCount())) {
    BuildAngleTables();
  }

  speed_ = 0.5f;
  if (ReadNumber(a, kInSpeed, &name, &value)) {
    speed_ = CorrectReal(a, name, static_cast<float>(value), 0.0f, 1.0f);
    frame::WarnArrayInput(a.ctx, 63, name.c_str());
  }
  minScore_ = 0.7f;
  if (ReadNumber(a, kInScore, &name, &value)) {
    minScore_ = CorrectReal(a, name, static_cast<float>(value), 0.5f, 1.0f);
    frame::WarnArrayInput(a.ctx, 63, name.c_str());
  }
  preselectThreshold_ = (0.8f - 0.25f * speed_) * minScore_;

  const int shorter = std::min(patternWidth_, patternHeight_);
  const double d = shorter < 11 ? shorter : (patternWidth_ + patternHeight_) * 0.05;
  scanStep_ = std::clamp(static_cast<int>(0.5 * d), 1, speed_ < 0.5f ? 6 : 5);

  maxResults_ = 1;
  if (ReadNumber(a, kInMaxCount, &name, &value)) {
    const int wanted = frame::TruncateToInt(value);
    maxResults_ = std::clamp(wanted, 1, kMaxResults);
    if (maxResults_ != wanted) frame::WarnIntParameterCorrected(a.ctx, 63, name.c_str(), wanted, maxResults_);
    frame::WarnArrayInput(a.ctx, 63, name.c_str());
  }
  Inputs in;
  if (!ReadRecord<TPoint>(a, kInOffset, GetPoint, &in.offset)) return false;
  if (!std::isfinite(in.offset.x) || !std::isfinite(in.offset.y)) return a.fail(kNoFiniteOrigin);
  searchRegion_ = {inputWidth_ * 0.5, inputHeight_ * 0.5, static_cast<double>(inputWidth_),
                   static_cast<double>(inputHeight_), 0.0};
  if (!ReadRecord<TRectangularRegion>(a, kInRegion, GetRectangularRegion, &searchRegion_)) return false;
  // Whole turns dropped, so that the angle's whole degrees fit an int; a
  // region far past the frame is cut to the part that holds its pixels.
  searchRegion_ = RegionPartInFrame(searchRegion_, inputWidth_, inputHeight_);
  bool* flag = nullptr;
  const frame::ParamName showName = frame::InputName(a, kInShow);
  if (showName.ok && GetFlag(a.ctx, 63, showName.c_str(), 0, &flag) && flag) {
    in.show = *flag;
    frame::WarnArrayInput(a.ctx, 63, showName.c_str());
  }
  in.drawingLevel = GetDrawingLevel(a.ctx);

  inputData_ = GetFrameDataAddr(input);
  inputStride_ = inputBpp_ == 8 ? (inputWidth_ + 3) & ~3 : 4 * static_cast<ptrdiff_t>(inputWidth_);
  const bool patternChanged = stamp != patternStamp_;
  const std::u16string_view failure = BuildModel(pattern, patternChanged, processors);
  if (patternChanged) patternStamp_ = stamp;
  if (!failure.empty()) return a.fail(failure);
  PrepareOffsets();

  searchRegion_.width -= minRotatedWidth_;
  searchRegion_.height -= minRotatedHeight_;
  lineCount_ = frame::TruncateToInt(std::max(searchRegion_.width, searchRegion_.height) / scanStep_);

  Search(processors);
  const int n = std::min(resultCount_, maxResults_);
  const frame::ParamName countName = frame::OutputName(a, kOutCount);
  if (countName.ok) {
    double* p = nullptr;
    if (GetNumber(a.ctx, 63, countName.c_str(), 0, &p) && p) *p = n;
    SetObjectMaxIndex(a.ctx, 63, countName.c_str(), 0);
  }
  if (resultCount_ == 0) return a.fail(u"Pattern not found");
  // Descending by score; equal scores keep their order.
  std::stable_sort(results_, results_ + resultCount_,
                   [](const MatchRecord& l, const MatchRecord& r) { return l.score > r.score; });
  // An offset near the double range can still carry an origin past it.
  for (int i = 0; i < n; ++i) {
    const TCoordinateSystem cs = SystemOf(results_[i], in.offset, patternWidth_, patternHeight_);
    if (!std::isfinite(cs.x) || !std::isfinite(cs.y)) {
      resultCount_ = 0;
      return a.fail(kNoFiniteOrigin);
    }
  }
  WriteOutputs(a, n, in);
  if (in.show) Draw(a, n, in);
  resultCount_ = 0;
  return true;
}

void CPatternMatch::Search(int processors) {
  resultCount_ = 0;
  // A region smaller than the turned pattern leaves nothing to search.
  if (searchRegion_.width < 1 || searchRegion_.height < 1 || lineCount_ < 1) return;

  bandLines_ = BandLineCount(lineCount_);
  bandCount_ = (lineCount_ + bandLines_ - 1) / bandLines_;
  bandTables_.assign(bandCount_, MatchTable{});
  nextBand_ = 0;
  const int workers = std::min(processors, bandCount_);
  scratch_.resize(workers);
  const int k = coarseStep_ / fineStep_;
  const int fine = 2 * k + 1;
  for (Scratch& s : scratch_) {
    s.fineOffsets.assign(static_cast<size_t>(fine) * 2 * counts_[2], 0);
    s.fineBytes.assign(static_cast<size_t>(fine) * counts_[2], 0);
    s.fineBoxes.assign(fine, OffsetBox{});
    s.fineReady.assign(fine, 0);
    s.fullBytes.assign(fullDx_.size(), 0);
    s.fullAngle = INT_MIN;
    s.lineCounter = 0;
  }

  regionBounds_ = SearchBounds(searchRegion_.width, searchRegion_.height);
  std::vector<std::thread> threads;
  threads.reserve(workers - 1);
  try {
    for (int t = 0; t + 1 < workers; ++t) {
      threads.emplace_back(&CPatternMatch::SearchBands, this, std::ref(scratch_[t]));
    }
  } catch (...) {
    // Fewer threads take the same bands: the answer is the same.
  }
  SearchBands(scratch_.back());
  for (std::thread& th : threads) th.join();

  // The bands' matches in band order, merged as one band would merge them.
  MatchTable merged;
  const int64_t nearLimit = MergeReach2();
  for (const MatchTable& t : bandTables_) {
    for (int i = 0; i < t.count; ++i) merged.Add(t.records[i], nearLimit);
  }
  resultCount_ = merged.count;
  std::copy(merged.records, merged.records + merged.count, results_);
}

void CPatternMatch::WriteOutputs(const frame::RunArgs& a, int n, const Inputs& in) {
  const frame::ParamName system = frame::OutputName(a, kOutSystem);
  if (system.ok) {
    for (int i = 0; i < n; ++i) {
      TCoordinateSystem* cs = nullptr;
      if (!GetCoordinateSystem(a.ctx, 63, system.c_str(), i, &cs) || !cs) continue;
      *cs = SystemOf(results_[i], in.offset, patternWidth_, patternHeight_);
    }
    SetObjectMaxIndex(a.ctx, 63, system.c_str(), n - 1);
  }
  const frame::ParamName rectangle = frame::OutputName(a, kOutRectangle);
  if (rectangle.ok) {
    for (int i = 0; i < n; ++i) {
      TRectangle* rc = nullptr;
      if (!GetRectangle(a.ctx, 63, rectangle.c_str(), i, &rc) || !rc) continue;
      *rc = {static_cast<double>(results_[i].x), static_cast<double>(results_[i].y),
             static_cast<double>(patternWidth_), static_cast<double>(patternHeight_),
             static_cast<double>(results_[i].angle)};
    }
    SetObjectMaxIndex(a.ctx, 63, rectangle.c_str(), n - 1);
  }
  const frame::ParamName confidence = frame::OutputName(a, kOutConfidence);
  if (confidence.ok) {
    for (int i = 0; i < n; ++i) {
      double* p = nullptr;
      if (!GetNumber(a.ctx, 63, confidence.c_str(), i, &p) || !p) continue;
      *p = static_cast<int>(results_[i].score * 100) / 100.0;
    }
    SetObjectMaxIndex(a.ctx, 63, confidence.c_str(), n - 1);
  }
}

void CPatternMatch::Draw(const frame::RunArgs& a, int n, const Inputs& in) {
  const TColor colour = GetDrawColor(a.ctx, 1);
  const double thickness = GetDrawThickness(a.ctx, 1);
  for (int i = 0; i < n; ++i) {
    const MatchRecord& m = results_[i];
    DrawRectangle(a.ctx, m.x, m.y, patternWidth_, patternHeight_, m.angle, thickness, colour);
    if (in.drawingLevel < 1) continue;
    double lx = 0, ly = 0;
    InvTransformPoint(a.ctx, m.x, m.y, &lx, &ly);
    char text[128];
    std::snprintf(text, sizeof text, "[%d, %d]", static_cast<int>(lx), static_cast<int>(ly));
    char16_t label[128] = {};
    for (int c = 0; text[c] && c < 127; ++c) label[c] = static_cast<char16_t>(text[c]);
    const float r = static_cast<float>(m.angle) * kDegToRad;
    const float c = std::cos(r), s = std::sin(r);
    const int x = static_cast<int>(m.x + s * (0.5 * patternHeight_ + 25) - c * 0.5 * patternWidth_);
    const int y = static_cast<int>(m.y - s * 0.5 * patternWidth_ - c * (0.5 * patternHeight_ + 25));
    DrawString(a.ctx, 50, label, x, y, 0.0, m.angle, colour);
  }
}

}  // namespace kelmar
