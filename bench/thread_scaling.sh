#!/usr/bin/env bash
# Wall time of a 1024 × 1024 render of the "Fractal Noise" sample with 4 samples per pixel on one
# thread and on THREADS threads (default 2), alternating, REPEATS times (default 5); prints the
# medians and their ratio (target for 2 threads: at least 1.9). With SCENE, the same for a scene
# file instead of the preview scene, at 512 × 512 with 4 samples; "scene" writes one here: a mesh
# of 20 000 triangles, three shapes, the "Noisy Bricks" and "Cellular Stone" samples and "Glass"
# as reflectance, a shadowed point light.
#
# Each round also runs THREADS one-thread renders at once, as separate processes: they share
# nothing but the machine, so THREADS times one render's time over theirs is the most that this
# machine gives for this work, whatever the renderer does. On a virtual machine whose cores share
# a physical core's units with each other or with neighbours, that ceiling is below THREADS, and
# the render's speed-up is judged against it ("of the machine's").
#
#   bench/thread_scaling.sh [THREADS] [REPEATS] [scene | SCENE.json]
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
threads="${1:-2}"
repeats="${2:-5}"
scene="${3:-}"
install_missing_packages
BUILD_TARGET=vandrel_cli build_tree release Release >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

samples="$VANDREL_ROOT/resources/samples"
what=("$samples/Fractal Noise.xrb")
size=1024 count=4
scene_file="$scene"
if [[ "$scene" == scene ]]; then
  python3 - "$work" <<'PYTHON'
import math, sys
work = sys.argv[1]
# A torus of 100 x 100 quads, normals included.
columns, rows, big, small = 100, 100, 1.0, 0.35
lines, faces = [], []
for j in range(rows):
    phi = 2 * math.pi * j / rows
    for i in range(columns):
        theta = 2 * math.pi * i / columns
        n = (math.cos(theta) * math.cos(phi), math.sin(phi), math.sin(theta) * math.cos(phi))
        c = (big * math.cos(theta), 0.0, big * math.sin(theta))
        p = tuple(c[k] + small * n[k] for k in range(3))
        lines.append("v %.6f %.6f %.6f\nvn %.6f %.6f %.6f\n" % (p + n))
for j in range(rows):
    for i in range(columns):
        a, b = j * columns + i, j * columns + (i + 1) % columns
        c, d = ((j + 1) % rows) * columns + (i + 1) % columns, ((j + 1) % rows) * columns + i
        faces += ["f %d//%d %d//%d %d//%d\n" % (a + 1, a + 1, d + 1, d + 1, c + 1, c + 1),
                  "f %d//%d %d//%d %d//%d\n" % (a + 1, a + 1, c + 1, c + 1, b + 1, b + 1)]
open(f"{work}/torus.obj", "w").write("".join(lines + faces))
PYTHON
  cat >"$work/scene.json" <<JSON
{
  "format": "vandrel-scene", "version": 1,
  "camera": {"position": [0, 1.2, 5], "target": [0, -0.2, 0], "fov": 40},
  "lights": [{"type": "point", "position": [-4, 6, 5], "color": [0.9, 0.88, 0.85]},
             {"type": "directional", "direction": [-1, -0.4, -0.6], "color": [0.25, 0.27, 0.3]}],
  "objects": [
    {"shape": "ground", "transform": {"translate": [0, -1, 0]},
     "material": {"color": {"shader": "$samples/Cellular Stone.xrb"}}},
    {"mesh": "torus.obj", "transform": {"translate": [-1.1, -0.3, 0], "rotate": [60, 0, 0]},
     "material": {"color": {"shader": "$samples/Fractal Noise.xrb"}}},
    {"shape": "cube", "transform": {"translate": [1.2, -0.4, -0.5], "rotate": [0, 30, 0],
                                    "scale": 0.6},
     "material": {"color": {"shader": "$samples/Noisy Bricks.xrb"}}},
    {"shape": "sphere", "transform": {"translate": [0.2, -0.3, 1], "scale": 0.7},
     "material": {"reflectance": {"shader": "$samples/Glass.xrb"}}}
  ]
}
JSON
  scene_file="$work/scene.json"
fi
if [[ -n "$scene_file" ]]; then
  what=(--scene "$scene_file") size=512 count=4
fi

now_ns() { date +%s%N; }
seconds_since() { awk -v ns="$(($(now_ns) - $1))" 'BEGIN { printf "%.3f", ns / 1e9 }'; }
render() {  # THREADS OUTPUT
  "$VANDREL_ROOT/build/release/bin/vandrel" render "${what[@]}" --size "$size" --samples "$count" \
    --threads "$1" -o "$2" >/dev/null 2>&1 || { echo "failed: a render with $1 threads" >&2; exit 1; }
}
timed_render() {
  local start
  start="$(now_ns)"
  render "$1" "$work/out.png"
  seconds_since "$start"
}
timed_side_by_side() {
  local start pids=() k
  start="$(now_ns)"
  for ((k = 0; k < threads; ++k)); do
    render 1 "$work/side$k.png" &
    pids+=($!)
  done
  for k in "${pids[@]}"; do wait "$k" || exit 1; done
  seconds_since "$start"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

one=() many=() side=() ratio=() ceiling=() share=()
for ((i = 0; i < repeats; ++i)); do
  # Each round's own ratios: the machine's state drifts over minutes, less within one round.
  # Odd rounds run backwards, so that a drift within a round favours neither side.
  if ((i % 2 == 0)); then
    a="$(timed_render 1)" b="$(timed_render "$threads")" c="$(timed_side_by_side)"
  else
    c="$(timed_side_by_side)" b="$(timed_render "$threads")" a="$(timed_render 1)"
  fi
  # A failed render has said so on stderr from its subshell; stop here rather than divide by it.
  [[ -n "$a" && -n "$b" && -n "$c" ]] || exit 1
  one+=("$a") many+=("$b") side+=("$c")
  ratio+=("$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", a / b }')")
  ceiling+=("$(awk -v a="$a" -v c="$c" -v n="$threads" 'BEGIN { printf "%.3f", n * a / c }')")
  # The render's share of the ceiling needs no one-thread time: the processes side by side do
  # THREADS renders' work in c, the render one render's in b.
  share+=("$(awk -v b="$b" -v c="$c" -v n="$threads" 'BEGIN { printf "%.3f", c / (n * b) }')")
done
med() { printf '%s\n' "$@" | median; }
echo "1 thread: $(med "${one[@]}") s   ${threads} threads: $(med "${many[@]}") s   ${threads} one-thread processes at once: $(med "${side[@]}") s   (wall, medians of ${repeats})"
echo "per round, speed-up with ${threads} threads: ${ratio[*]}"
echo "per round, the machine's ceiling: ${ceiling[*]}"
awk -v render="$(med "${ratio[@]}")" -v machine="$(med "${ceiling[@]}")" \
  -v share="$(med "${share[@]}")" -v n="$threads" 'BEGIN {
  printf "speed-up with %d threads: %.2f (median of the rounds; target for 2: at least 1.9)\n", n, render
  printf "the machine'"'"'s ceiling, %d processes side by side: %.2f\n", n, machine
  printf "the render'"'"'s speed-up is %.0f %% of the machine'"'"'s (median of the rounds)\n", 100 * share
}'
