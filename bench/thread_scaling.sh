#!/usr/bin/env bash
# Wall time of a 1024 × 1024 render of the "Fractal Noise" sample with 4 samples per pixel on one
# thread and on THREADS threads (default 2), alternating, REPEATS times (default 5); prints the
# medians and their ratio (target for 2 threads: at least 1.9). Needs that many idle cores: on a
# busy machine the figure says more about the neighbours than about the renderer.
#
#   bench/thread_scaling.sh [THREADS] [REPEATS]
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
threads="${1:-2}"
repeats="${2:-5}"
install_missing_packages
BUILD_TARGET=vandrel_cli build_tree release Release >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

wall_seconds() {
  local start
  start="$(date +%s%N)"
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  awk -v ns="$(($(date +%s%N) - start))" 'BEGIN { printf "%.3f", ns / 1e9 }'
}
render() {
  wall_seconds "$VANDREL_ROOT/build/release/bin/vandrel" render \
    "$VANDREL_ROOT/resources/samples/Fractal Noise.xrb" --size 1024 --samples 4 --threads "$1" \
    -o "$work/out.png"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

one=() many=()
for ((i = 0; i < repeats; ++i)); do
  one+=("$(render 1)")
  many+=("$(render "$threads")")
done
one_s="$(printf '%s\n' "${one[@]}" | median)"
many_s="$(printf '%s\n' "${many[@]}" | median)"
echo "1 thread: ${one_s} s   ${threads} threads: ${many_s} s   (wall, median of ${repeats})"
awk -v a="$one_s" -v b="$many_s" -v n="$threads" \
  'BEGIN { printf "speed-up with %d threads: %.2f (target for 2: at least 1.9)\n", n, a / b }'
