#!/usr/bin/env bash
# Start-up times of the stand-in host, median and fastest of RUNS runs (default 50) each:
# - `vandrel eval` on a sample: the command starts, loads the plug-in as a host does, shades one
#   sample through its callbacks and exits (target: under 50 ms);
# - `vandrel render` of a 16 × 16 image of the same sample to PNG;
# - the plug-in's load alone: dlopen of libvandrel.so, its libraries and its start-up code, in a
#   host process that links none of them (Python's ctypes), timed inside that process.
#
#   bench/startup.sh [RUNS]
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
runs="${1:-50}"
install_missing_packages
BUILD_TARGET=vandrel_cli build_tree release Release >/dev/null
bin="$VANDREL_ROOT/build/release/bin"
vandrel="$bin/vandrel"
shader="$VANDREL_ROOT/resources/samples/Sine Gradient.xrb"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# Reads nanoseconds, one a line; prints "LABEL: median M ms, fastest F ms over N runs".
summary() {
  sort -n | awk -v n="$runs" -v label="$1" '
    { t[NR] = $1 / 1e6 }
    END { printf "%s: median %.1f ms, fastest %.1f ms over %d runs\n", label,
          t[int((n + 1) / 2)], t[1], n }'
}

# Wall time of a command, in nanoseconds, RUNS times.
timed() {
  "$@" >/dev/null  # warms the file cache
  for ((i = 0; i < runs; ++i)); do
    start="$(date +%s%N)"
    "$@" >/dev/null
    echo $(($(date +%s%N) - start))
  done
}

timed "$vandrel" eval "$shader" | summary "vandrel eval (target: under 50 ms)"
timed "$vandrel" render "$shader" --size 16x16 --samples 1 -o "$scratch/small.png" |
  summary "vandrel render 16x16"
load='import ctypes, sys, time
start = time.perf_counter_ns()
ctypes.CDLL(sys.argv[1])
print(time.perf_counter_ns() - start)'
python3 -c "$load" "$bin/libvandrel.so" >/dev/null
for ((i = 0; i < runs; ++i)); do python3 -c "$load" "$bin/libvandrel.so"; done |
  summary "plug-in load (dlopen of libvandrel.so)"
