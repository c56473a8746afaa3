// Outputs and drawings of the searches (methods 3 to 8).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "detector.h"

namespace kestan {
namespace {

using frame::RunArgs;

double* NumberOut(const RunArgs& a, const frame::ParamName& n, int i) {
  double* p = nullptr;
  return n.ok && GetNumber(a.ctx, 63, n.c_str(), i, &p) ? p : nullptr;
}

TRectangle* RectangleOut(const RunArgs& a, const frame::ParamName& n, int i) {
  TRectangle* p = nullptr;
  return n.ok && GetRectangle(a.ctx, 63, n.c_str(), i, &p) ? p : nullptr;
}

// One object: the same saved descriptors, whether from one file or data
// object listed twice or from two copies of it.
bool SameSaved(const DescriptorStore& a, const DescriptorStore& b) {
  if (std::memcmp(&a.header, &b.header, sizeof a.header) != 0 || a.saved.count != b.saved.count) return false;
  for (const gpu::CListElem *x = a.saved.head, *y = b.saved.head; x && y; x = x->next, y = y->next) {
    if (std::memcmp(&static_cast<const gpu::CResultListElem*>(x)->key, &static_cast<const gpu::CResultListElem*>(y)->key,
                    sizeof(gpu::KeypointRecord)) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

MatchSettings CFeatureDetector::Settings() const {
  return MatchSettings{similarityMethod,  maxDifference,   minCorrelation, filtrationPasses,
                       distanceCoefficient, angleDifference, matchesRequired};
}

void CFeatureDetector::DrawMatches(const RunArgs& a, const DescriptorStore& store) {
  const TColor colour = GetDrawColor(a.ctx, 2);
  const double thickness = GetDrawThickness(a.ctx, 1);
  for (const gpu::CListElem* e = store.matches.head; e; e = e->next) {
    const gpu::KeypointRecord& k = static_cast<const CMatchListElem*>(e)->keypoint->key;
    const double s = k.scale * 0.3;
    DrawLine(a.ctx, k.x - s, k.y, k.x + s, k.y, thickness, colour);
    DrawLine(a.ctx, k.x, k.y - s, k.x, k.y + s, thickness, colour);
    DrawCircle(a.ctx, k.x, k.y, s, thickness, colour);
  }
}

// The rectangle, its centre as text beside its lower edge and the label
// beside that, turned with the rectangle.
void CFeatureDetector::DrawFound(const RunArgs& a, const TRectangle& r, const char16_t* label) {
  const TColor colour = GetDrawColor(a.ctx, 2);
  DrawRectangle(a.ctx, r.cx, r.cy, r.width, r.height, r.angle, 2 * GetDrawThickness(a.ctx, 2), colour);
  char narrow[100];
  std::snprintf(narrow, sizeof narrow, "[%.f, %.f]", r.cx, r.cy);
  char16_t text[100] = {};
  for (int i = 0; i < 99 && narrow[i]; ++i) text[i] = static_cast<unsigned char>(narrow[i]);
  int w = 0, h = 0;
  GetTextWD(a.ctx, 99, text, &w, &h);
  const double turn = r.angle * 0.017453292519943295, c = std::cos(turn), s = std::sin(turn);
  auto at = [&](double u, double v) { return TPoint{r.cx + c * u - s * v, r.cy + s * u + c * v}; };
  const TPoint t = at(-r.width / 2, r.height / 2 + h);
  DrawString(a.ctx, 99, text, t.x, t.y, 0.0, turn, colour);
  if (label) {
    const TPoint l = at(-r.width / 2 + w + 8, r.height / 2 + h);
    DrawString(a.ctx, 63, label, l.x, l.y, 0.0, turn, colour);
  }
}

void CFeatureDetector::WriteMatches(const RunArgs& a) {
  const frame::ParamName countName = frame::OutputName(a, 0), secondName = frame::OutputName(a, 1);
  if (drawOutputs && drawingContent == 0) DrawKeypoints(a);

  if (method == kKeypointMatch || method == kKeypointMatchData) {
    const bool found = MatchKeypoints(descriptors, feature.results, Settings());
    const int n = found ? descriptors.matches.count : 0;
    if (double* count = NumberOut(a, countName, 0)) *count = n;
    const TColor colour = GetDrawColor(a.ctx, 2);
    const double thickness = GetDrawThickness(a.ctx, 1);
    int i = 0;
    for (const gpu::CListElem* e = found ? descriptors.matches.head : nullptr; e; e = e->next, ++i) {
      const gpu::KeypointRecord& k = static_cast<const CMatchListElem*>(e)->keypoint->key;
      if (drawOutputs) {
        const double r = k.scale * 0.6;
        DrawCircle(a.ctx, k.x, k.y, r, thickness, colour);
        if (orientationMode != 0) {
          DrawLine(a.ctx, k.x, k.y, k.x + r * std::cos(k.orientation), k.y + r * std::sin(k.orientation), thickness,
                   colour);
        }
      }
      TCoordinateSystem* cs = nullptr;
      if (secondName.ok && GetCoordinateSystem(a.ctx, 63, secondName.c_str(), i, &cs) && cs) {
        *cs = TCoordinateSystem{k.x, k.y, k.orientation};
      }
    }
    if (secondName.ok) SetObjectMaxIndex(a.ctx, 63, secondName.c_str(), n - 1);
    return;
  }

  if (double* count = NumberOut(a, countName, 0)) *count = feature.results.count;
  const frame::ParamName rectName = frame::OutputName(a, 2);
  double* matches = NumberOut(a, secondName, 0);
  TRectangle* rect = RectangleOut(a, rectName, 0);
  if (!MatchObject(messageMaxIndex, message, descriptors, feature.results, Settings(), rectangle, false, true,
                   nullptr)) {
    // Not found: nothing of an earlier run's find stays.
    if (matches) *matches = 0;
    if (rect) *rect = TRectangle{};
    return;
  }
  if (matches) *matches = descriptors.matches.count;
  if (rect) *rect = rectangle;
  if (!drawOutputs) return;
  if (drawingContent != 2) DrawMatches(a, descriptors);
  if (rect) DrawFound(a, rectangle, nullptr);
}

void CMultipleFeatureDetector::WriteMatches(const RunArgs& a) {
  const frame::ParamName countName = frame::OutputName(a, 0), matchesName = frame::OutputName(a, 1),
                         rectName = frame::OutputName(a, 2);
  if (drawOutputs && drawingContent == 0) DrawKeypoints(a);
  if (double* count = NumberOut(a, countName, 0)) *count = feature.results.count;

  handedOver.DeleteAll();
  int j = 1;
  for (gpu::CListElem* e = objects.head; e; e = e->next, ++j) {
    auto* o = static_cast<CMultipleListElem*>(e);
    // The keypoints are withheld below, once the find is known to be no repeat.
    o->found = MatchObject(messageMaxIndex, message, o->descriptors, feature.results, Settings(), o->foundRectangle,
                           false, true, nullptr);
    // The same object listed again, found within a quarter of its diagonal of
    // an earlier find of it, is that find again. Another object may well lie
    // there (a logo on a label).
    const TRectangle& r = o->foundRectangle;
    for (gpu::CListElem* f = objects.head; o->found && f != e; f = f->next) {
      const auto* earlier = static_cast<const CMultipleListElem*>(f);
      if (earlier->found && SameSaved(earlier->descriptors, o->descriptors) &&
          std::hypot(earlier->foundRectangle.cx - r.cx, earlier->foundRectangle.cy - r.cy) <
              0.25 * std::hypot(r.width, r.height)) {
        o->found = false;
      }
    }
    // A repeat keeps its keypoints on offer to the objects after it.
    if (j != objects.count) WithholdMatched(feature.results, o->found, &handedOver);
  }
  // Entry i belongs to object i; an object not found has 0 matches and a
  // zero rectangle there, as the single-object search leaves them.
  int i = 0;
  for (gpu::CListElem* e = objects.head; e; e = e->next, ++i) {
    auto* o = static_cast<CMultipleListElem*>(e);
    double* m = NumberOut(a, matchesName, i);
    TRectangle* rect = RectangleOut(a, rectName, i);
    if (!o->found) {
      if (m) *m = 0;
      if (rect) *rect = TRectangle{};
      continue;
    }
    if (m) *m = o->descriptors.matches.count;
    if (rect) *rect = o->foundRectangle;
    if (drawOutputs) {
      if (drawingContent != 2) DrawMatches(a, o->descriptors);
      if (rect) DrawFound(a, o->foundRectangle, o->label);
    }
  }
  if (i == 0) {
    if (double* m = NumberOut(a, matchesName, 0)) *m = 0;
    if (TRectangle* rect = RectangleOut(a, rectName, 0)) *rect = TRectangle{};
    i = 1;
  }
  if (matchesName.ok) SetObjectMaxIndex(a.ctx, 63, matchesName.c_str(), i - 1);
  if (rectName.ok) SetObjectMaxIndex(a.ctx, 63, rectName.c_str(), i - 1);
  // The keypoints handed between objects were needed for the drawing only.
  handedOver.DeleteAll();
}

}  // namespace kestan
