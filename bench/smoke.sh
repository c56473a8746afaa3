#!/usr/bin/env bash
# CI smoke run: every benchmark once, at its first (smallest) size and for a
# single iteration, so that the benchmarks keep compiling and running while
# the run stays short on a loaded machine. Timings come from full runs.
#   smoke.sh <vision_bench>
set -euo pipefail
bench=$1
# First instance of each family (name before the first '/'), regex-escaped.
names=$("$bench" --benchmark_list_tests | awk -F/ '!seen[$1]++' | sed 's/[][\\.*^$()+?{}|]/\\&/g' | paste -sd'|')
exec "$bench" --benchmark_filter="^(${names})\$" --benchmark_min_time=0.000001
