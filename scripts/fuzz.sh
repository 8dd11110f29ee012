#!/usr/bin/env bash
# Builds the fuzz targets with clang (ASan + UBSan) and runs each for a bounded time; any finding
# fails. FUZZ_SECONDS sets the time per target (default 60).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
seconds="${FUZZ_SECONDS:-60}"
# Only the fuzz target: clang does not put the sanitizer runtimes into shared libraries, so the
# plug-in and the shared core, linked with --no-undefined, cannot be built this way.
CC=clang CXX=clang++ BUILD_TARGET=stream_fuzz build_tree fuzz RelWithDebInfo -DVANDREL_FUZZ=ON -DVANDREL_TESTS=OFF
corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
cp "$VANDREL_ROOT"/tests/fuzz/corpus/* "$corpus/"
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  "$VANDREL_ROOT/build/fuzz/bin/stream_fuzz" -max_total_time="$seconds" -max_len=65536 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$corpus"
