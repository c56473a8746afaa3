// The pose of a found object: a similarity (shift, turn, scale) fitted by
// least squares to the places of agreeing pairs, and the test that the pairs
// which fit it pin the object down.
#pragma once

#include <cstddef>
#include <vector>

namespace kestan {

// One pair of a saved keypoint and a scene keypoint.
struct PosePair {
  double savedX, savedY;     // the saved keypoint, in the saved picture
  double x, y;               // the scene keypoint
  double scale;              // the pair's own size ratio
  double turn;               // the pair's own turn, degrees
  double savedOrientation;   // radians
  double centreX, centreY;   // the reference centre that the pair alone predicts
};

// scene = [a -b; b a] saved + (tx, ty).
struct SimilarityFit {
  double a = 1, b = 0, tx = 0, ty = 0;
  double Scale() const;
  double TurnDegrees() const;
  void Apply(double x, double y, double* outX, double* outY) const;
};

// The saved reference rectangle.
struct Reference {
  double cx, cy, width, height;
  double Diagonal() const;
};

// Least squares over the chosen pairs; false with fewer than two distinct
// saved places.
bool FitSimilarity(const std::vector<PosePair>& pairs, const std::vector<size_t>& chosen, SimilarityFit& out);

// Whether the chosen pairs (from distinct saved keypoints) pin the pose
// `fit` down: more than `required` of them, spread across the object in
// both directions, their saved keypoints not all turned along one axis
// (when the keypoints have `orientations`); two pairs only when each one's
// own turn and scale agree with the fit.
bool PinsDown(const std::vector<PosePair>& pairs, const std::vector<size_t>& chosen, const SimilarityFit& fit,
              const Reference& ref, int required, bool orientations);

// The largest set of pairs that fit one similarity within a few pixels and
// pin it down; empty when none does. `fit` receives its pose.
std::vector<size_t> VerifiedPairs(const std::vector<PosePair>& pairs, const Reference& ref, int required,
                                  bool orientations, SimilarityFit& fit);

}  // namespace kestan
