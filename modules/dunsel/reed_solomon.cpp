// Reed-Solomon correction of the interleaved ECC 200 blocks: syndromes, the
// error locator from the largest solvable system of syndromes, its roots
// among the block's positions, and the error values from a second system.
#include <algorithm>
#include <vector>

#include "dm_codewords.h"

namespace dunsel {

namespace {

constexpr int kMaxT = 34;  // half the largest block's error correction, with room

// Solves the n x n system a x = b (a row-major, n x (n + 1) with b as the last
// column) in place; the pivot is the first row with a non-zero entry in the
// column. False when the system is singular.
bool Solve(const GaloisField& gf, std::vector<uint8_t>& a, int n, uint8_t* x) {
  const int w = n + 1;
  auto at = [&](int r, int c) -> uint8_t& { return a[static_cast<size_t>(r) * w + c]; };
  for (int c = 0; c < n; ++c) {
    int p = c;
    while (p < n && at(p, c) == 0) ++p;
    if (p == n) return false;
    if (p != c)
      for (int k = 0; k < w; ++k) std::swap(at(p, k), at(c, k));
    const uint8_t pivot = at(c, c);
    for (int k = c; k < w; ++k) at(c, k) = gf.div(at(c, k), pivot);
    for (int r = 0; r < n; ++r) {
      if (r == c || at(r, c) == 0) continue;
      const uint8_t f = at(r, c);
      for (int k = c; k < w; ++k) at(r, k) = gf.add(at(r, k), gf.mul(f, at(c, k)));
    }
  }
  for (int r = 0; r < n; ++r) x[r] = at(r, n);
  return true;
}

// Corrects one block in place; nu receives the number of errors found.
bool CorrectBlock(const GaloisField& gf, std::vector<uint8_t>& block, int t, int& nu) {
  nu = 0;
  const int len = static_cast<int>(block.size());
  uint8_t s[2 * kMaxT + 1] = {};
  bool clean = true;
  for (int i = 1; i <= 2 * t; ++i) {
    const uint8_t m = gf.power(i);
    uint8_t v = 0;
    for (uint8_t cw : block) v = gf.add(gf.mul(v, m), cw);
    s[i] = v;
    clean = clean && v == 0;
  }
  if (clean) return true;

  std::vector<uint8_t> a;
  uint8_t sol[kMaxT] = {};
  for (nu = t; nu >= 1; --nu) {
    a.assign(static_cast<size_t>(nu) * (nu + 1), 0);
    for (int r = 0; r < nu; ++r) {
      for (int c = 0; c < nu; ++c) a[static_cast<size_t>(r) * (nu + 1) + c] = s[r + c + 1];
      a[static_cast<size_t>(r) * (nu + 1) + nu] = s[nu + r + 1];
    }
    if (Solve(gf, a, nu, sol)) break;
  }
  if (nu < 1) return false;
  // sol[c] is the locator coefficient of x^(nu - c).
  uint8_t lambda[kMaxT + 1] = {1};
  for (int c = 0; c < nu; ++c) lambda[nu - c] = sol[c];

  // A codeword at index k carries the power len - 1 - k; it is in error when
  // the locator vanishes at the inverse of 2^(len - 1 - k).
  int where[kMaxT] = {}, found = 0;
  for (int k = 0; k < len; ++k) {
    const uint8_t inv = gf.power(-(len - 1 - k));
    uint8_t v = 0;
    for (int d = nu; d >= 0; --d) v = gf.add(gf.mul(v, inv), lambda[d]);
    if (v == 0) {
      if (found == nu) return false;
      where[found++] = k;
    }
  }
  if (found != nu) return false;

  // Error values: sum over l of Y_l X_l^i = S_i for i = 1 .. nu.
  a.assign(static_cast<size_t>(nu) * (nu + 1), 0);
  for (int i = 0; i < nu; ++i) {
    for (int l = 0; l < nu; ++l) a[static_cast<size_t>(i) * (nu + 1) + l] = gf.power((len - 1 - where[l]) * (i + 1));
    a[static_cast<size_t>(i) * (nu + 1) + nu] = s[i + 1];
  }
  uint8_t y[kMaxT] = {};
  if (!Solve(gf, a, nu, y)) return false;
  for (int l = 0; l < nu; ++l) block[static_cast<size_t>(where[l])] ^= y[l];
  return true;
}

}  // namespace

bool CorrectReedSolomon(const GaloisField& gf, std::vector<uint8_t>& codewords, const DmSize& size,
                        float& unusedErrorCorrection) {
  unusedErrorCorrection = 1.0f;
  const int blocks = size.blocks;
  if (blocks < 1) return true;
  const int ec = size.ecCodewords;
  if (static_cast<int>(codewords.size()) < size.totalCodewords) return false;
  const int t = ec / (2 * blocks);
  if (t > kMaxT) return false;
  std::vector<uint8_t> block;
  std::vector<int> index;
  for (int b = 0; b < blocks; ++b) {
    // Codeword i of the whole sequence belongs to block i mod blocks; in the
    // ten-block size this also turns the error correction part by eight.
    index.clear();
    for (int i = b; i < size.totalCodewords; i += blocks) index.push_back(i);
    block.resize(index.size());
    for (size_t i = 0; i < index.size(); ++i) block[i] = codewords[static_cast<size_t>(index[i])];
    int nu = 0;
    if (!CorrectBlock(gf, block, t, nu)) return false;
    unusedErrorCorrection -= 2.0f * static_cast<float>(nu) / static_cast<float>(ec);
    for (size_t i = 0; i < index.size(); ++i) codewords[static_cast<size_t>(index[i])] = block[i];
  }
  return true;
}

}  // namespace dunsel
