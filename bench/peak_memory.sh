#!/usr/bin/env bash
# Peak memory of `vandrel render` on shader files of about 60 MB (bench/large_shader.cpp) with
# THREADS rendering threads (default 16): the file is read and parsed once per render and shared,
# so the peak grows with the trees the threads build, not with threads × file size.
#
#   bench/peak_memory.sh [THREADS]
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
threads="${1:-16}"
install_missing_packages
BUILD_TARGET=vandrel_cli build_tree release Release >/dev/null
BUILD_TARGET=vandrel_large_shader build_tree release Release -DVANDREL_BENCH=ON >/dev/null
bin="$VANDREL_ROOT/build/release/bin"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for kind in tree pad custom; do
  "$bin/vandrel_large_shader" "$kind" "$work/$kind.xrb"
  /usr/bin/time -f '%M %e' -o "$work/time.txt" "$bin/vandrel" render "$work/$kind.xrb" \
    --size 128 --samples 1 --threads "$threads" -o "$work/$kind.png"
  read -r kilobytes seconds <"$work/time.txt"
  printf '%-6s %4d MB file, %2d threads: peak %5d MB, %5.2f s\n' "$kind" \
    $(($(stat -c %s "$work/$kind.xrb") >> 20)) "$threads" $((kilobytes >> 10)) "$seconds"
done
