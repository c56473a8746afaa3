// Row kernels carry the pixel work of hot loops. A function marked
// VISION_ROW_KERNEL is compiled for the baseline and for AVX2, and the loader
// picks the one the machine runs; both give the same bits (AVX2 brings no
// fused multiply-add).
#pragma once

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VISION_ROW_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define VISION_ROW_KERNEL
#endif
