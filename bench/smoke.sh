#!/usr/bin/env bash
# CI smoke run: every benchmark once, at its first (smallest) size and for a
# single iteration, so that the benchmarks keep compiling and running while
# the run stays short on a loaded machine. Timings come from full runs.
#   smoke.sh <vision_bench>
set -euo pipefail
bench=$1
# The first instance of each benchmark, regex-escaped. A benchmark is its name
# up to the first argument: a part that starts with a digit or holds a ':'
# ("Arith/memcpy" of "Arith/memcpy/1920x1080x32/real_time").
names=$("$bench" --benchmark_list_tests | awk -F/ '{
    key = $1
    for (i = 2; i <= NF && $i !~ /^[0-9]/ && $i !~ /:/ && $i != "real_time"; ++i) key = key "/" $i
    if (!seen[key]++) print
  }' | sed 's/[][\\.*^$()+?{}|]/\\&/g' | paste -sd'|')
# Benchmarks whose size is no argument take their smallest (smoke_run.h).
export VISION_BENCH_SMOKE=1
exec "$bench" --benchmark_filter="^(${names})\$" --benchmark_min_time=0.000001
