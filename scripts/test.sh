#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and runs every test: in Release,
# again with AddressSanitizer and UndefinedBehaviorSanitizer (halting on the first error), the
# threaded paths with ThreadSanitizer, and a bounded fuzzing run.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing_packages
jobs="$(nproc)"

# Formatting is part of the build: every tracked source file as clang-format writes it.
git -C "$VANDREL_ROOT" ls-files -z '*.cpp' '*.h' |
  (cd "$VANDREL_ROOT" && xargs -0 clang-format --dry-run -Werror)

build_tree release Release
ctest --test-dir "$VANDREL_ROOT/build/release" --output-on-failure -j "$jobs"

# The sanitizer trees keep line tables only and optimise lightly: reports still name file and
# line, and the two builds take far less of CI's time.
sanitizer_flags=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG")
build_tree asan RelWithDebInfo -DVANDREL_SANITIZE=ON "${sanitizer_flags[@]}"
# The runtime's bookkeeping of dynamic TLS breaks on the image module's thread-local storage and
# its leak checker then crashes at exit; leaks are still looked for everywhere else.
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:intercept_tls_get_addr=0 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir "$VANDREL_ROOT/build/asan" --output-on-failure -j "$jobs"

# The threaded paths under ThreadSanitizer.
build_tree tsan RelWithDebInfo -DVANDREL_TSAN=ON "${sanitizer_flags[@]}" -DVANDREL_TEST_PATTERN='/tests/host/threads_test|/tests/editor/preview_|/tests/renderer/studio_test|/tests/renderer/render_test'
TSAN_OPTIONS="halt_on_error=1 suppressions=$VANDREL_ROOT/scripts/tsan.supp" ctest --test-dir "$VANDREL_ROOT/build/tsan" --output-on-failure

# Hostile streams: a bounded fuzzing run of every stream reader.
bash "$VANDREL_ROOT/scripts/fuzz.sh"
