#!/usr/bin/env bash
# Bakes a 2048 × 2048 map of the "Fractal Noise" sample on the UV plane (one sample per pixel) and
# prints its wall and CPU time and the CPU cost per sample, beside vandrel_bench's figure for the
# host turbulence the sample calls (Turbulence3/Default, six octaves): the difference is what the
# plug-in, the tree and the bake add to each sample. Twice: `vandrel bake` as a command (less the
# fixed cost of a 1 × 1 bake; the EXR's encoding stays in), and the bake alone in vandrel_bench
# (BakeFractalNoise, one thread, no file).
#
#   bench/bake_uv.sh [THREADS]      (default 1)
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
threads="${1:-1}"
size=2048
install_missing_packages
BUILD_TARGET=vandrel_bench build_tree release Release -DVANDREL_BENCH=ON >/dev/null
BUILD_TARGET=vandrel_cli build_tree release Release >/dev/null
bin="$VANDREL_ROOT/build/release/bin"
shader="$VANDREL_ROOT/resources/samples/Fractal Noise.xrb"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# "WALL CPU" in seconds of one bake.
timed_bake() {
  local TIMEFORMAT='%R %U %S'
  { time "$bin/vandrel" bake "$shader" --size "$1" --threads "$threads" -o "$work/map.exr" \
      >/dev/null; } 2>&1 | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}

"$bin/vandrel" bake "$shader" --size 1 -o "$work/warm.exr"  # the file cache
read -r fixed_wall fixed_cpu < <(timed_bake 1)
read -r wall cpu < <(timed_bake "$size")
# cpu_time of a benchmark in nanoseconds.
bench_ns() {
  "$bin/vandrel_bench" --benchmark_filter="$1" --benchmark_format=csv 2>/dev/null |
    awk -F, 'NR > 1 && $1 ~ /^"/ { f = $5 == "ms" ? 1e6 : $5 == "us" ? 1e3 : 1; print $4 * f }'
}
turbulence_ns="$(bench_ns '^Turbulence3/Default/6$')"
bake_ns="$(bench_ns '^BakeFractalNoise/')"

awk -v w="$wall" -v c="$cpu" -v fc="$fixed_cpu" -v n=$((size * size)) -v t="$threads" \
  -v turb="$turbulence_ns" -v s="$size" -v bake="$bake_ns" 'BEGIN {
    per = (c - fc) / n * 1e9
    printf "bake %dx%d of Fractal Noise, %d thread(s): %.2f s wall, %.2f s CPU\n", s, s, t, w, c
    printf "  per sample: %.0f ns CPU (fixed cost of a run, %.3f s CPU, taken off)\n", per, fc
    printf "  host turbulence (Turbulence3/Default/6, vandrel_bench): %.0f ns per call\n", turb
    printf "  the plug-in, its tree, the bake and the EXR add %.0f ns per sample\n", per - turb
    alone = bake / n
    printf "bake alone (vandrel_bench BakeFractalNoise/2048, 1 thread, no file): %.2f s CPU,", bake / 1e9
    printf " %.0f ns per sample, %.0f ns over the turbulence\n", alone, alone - turb
  }'
