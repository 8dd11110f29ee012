#!/usr/bin/env bash
# Remakes the pictures of the README and the help (resources/help/pictures/) with the project's
# own commands: the first journey's screenshots of the studio and the editor at their default
# sizes, and a render of every bundled sample. Needs a Release build (scripts/setup.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$root/build/release/bin"
out="$root/resources/help/pictures"
shots="$(mktemp -d)"
trap 'rm -rf "$shots"' EXIT
mkdir -p "$out/gallery"

VANDREL_SCREENSHOTS="$shots" QT_QPA_PLATFORM=offscreen \
  "$bin/vandrel_tests" --gtest_filter='Journey.OneBuildsACheckerAndSavesIt' >/dev/null
for step in studio placed size linked studio-after; do
  cp "$shots/journey-1-$step.png" "$out/first-shader-$step.png"
done

for sample in "$root"/resources/samples/*.xrb; do
  name="$(basename "$sample" .xrb)"
  "$bin/vandrel" render "$sample" --size 128 --samples 4 \
    -o "$out/gallery/${name// /_}.png" >/dev/null
done
echo "$out"
