// The maker library that the GPU filter service module calls for bounded
// wide-text copies and memory moves, as named functions.
#pragma once

#include <cstddef>

namespace selvane64 {

// Copies at most count characters of src (fewer at its NUL) into dst, whose
// highest index is capacity, and terminates it. Nothing is written past
// dst[capacity]; a negative capacity or a null dst writes nothing.
void CopyText(int capacity, char16_t* dst, int count, const char16_t* src);

// Copies bytes from src to dst; the ranges may overlap.
void Move(const void* src, void* dst, size_t bytes);

}  // namespace selvane64
