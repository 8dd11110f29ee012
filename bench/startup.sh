#!/usr/bin/env bash
# Wall time of `vandrel eval` on a sample: the command starts, loads the plug-in as a host does,
# shades one sample through its callbacks and exits. Prints the median and the fastest of RUNS
# runs (default 50); target: under 50 ms.
#
#   bench/startup.sh [RUNS]
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
runs="${1:-50}"
install_missing_packages
BUILD_TARGET=vandrel_cli build_tree release Release >/dev/null
vandrel="$VANDREL_ROOT/build/release/bin/vandrel"
shader="$VANDREL_ROOT/resources/samples/Sine Gradient.xrb"
"$vandrel" eval "$shader" >/dev/null  # warms the file cache

for ((i = 0; i < runs; ++i)); do
  start="$(date +%s%N)"
  "$vandrel" eval "$shader" >/dev/null
  echo $(($(date +%s%N) - start))
done | sort -n | awk -v n="$runs" '
  { t[NR] = $1 / 1e6 }
  END { printf "vandrel eval: median %.1f ms, fastest %.1f ms over %d runs (target: under 50 ms)\n",
        t[int((n + 1) / 2)], t[1], n }'
