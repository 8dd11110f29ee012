#!/usr/bin/env bash
# Renders a 1024 × 1024 sphere with six octaves of fractal noise and diffuse lighting twice, once
# with Vandrel (the "Fractal Noise" sample through the stand-in host) and once with POV-Ray 3.7
# (`bozo turbulence 0.5 octaves 6`), on one thread, one sample per pixel, and prints both CPU times
# and their ratio. With REPEATS the pair runs that many times, side by side, and the medians are
# printed: on a shared machine one pair says little. Installs POV-Ray when it is missing (run as
# root); not part of CI.
#
#   bench/compare_povray.sh [THREADS] [REPEATS]
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
threads="${1:-1}"
repeats="${2:-1}"
size=1024

if ! command -v povray >/dev/null; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq povray >/dev/null
fi
install_missing_packages
BUILD_TARGET=vandrel_cli build_tree release Release >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The same scene as the host's material preview: camera, sphere, checkered ground, a key point
# light with shadows, a directional fill light and ambient light. POV-Ray is left-handed, so z is
# mirrored.
cat >"$work/sphere.pov" <<'EOF'
#version 3.7;
global_settings { assumed_gamma 1.0 ambient_light rgb 1 }
background { rgb <0.55, 0.6, 0.68> }
camera { perspective location <0, 0.6, -5> look_at <0, -0.2, 0> right x up y angle 38 }
light_source { <-4, 6, -5> rgb <0.9, 0.88, 0.85> }
light_source { <1, 0.4, -0.6> * 1000 rgb <0.25, 0.27, 0.3> parallel point_at <0, 0, 0> }
sphere {
  <0, 0, 0>, 1
  pigment {
    bozo turbulence 0.5 octaves 6
    color_map { [0 rgb <0.05, 0.1, 0.2>] [1 rgb <0.35, 0.55, 0.95>] }
    scale 0.4
  }
  finish { ambient 0.1 diffuse 0.9 phong 0.1 phong_size 3 }
}
plane {
  y, -1
  pigment { checker rgb 0.9 rgb 0.35 }
  finish { ambient 0.1 diffuse 0.9 }
}
EOF

# CPU seconds (user + system) of one command.
cpu_seconds() {
  local TIMEFORMAT='%U %S' times
  times="$({ time "$@" >/dev/null 2>&1; } 2>&1)" || { echo "failed: $*" >&2; exit 1; }
  awk '{ printf "%.3f", $1 + $2 }' <<<"$times"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

vandrel_times=() povray_times=()
for ((i = 0; i < repeats; ++i)); do
  vandrel_times+=("$(cpu_seconds "$VANDREL_ROOT/build/release/bin/vandrel" render \
    "$VANDREL_ROOT/resources/samples/Fractal Noise.xrb" --size "$size" --samples 1 \
    --threads "$threads" -o "$work/vandrel.png")")
  povray_times+=("$(cd "$work" && cpu_seconds povray +Isphere.pov +Opovray.png +FN +W"$size" \
    +H"$size" -A -D -V +WT"$threads")")
done
vandrel_cpu="$(printf '%s\n' "${vandrel_times[@]}" | median)"
povray_cpu="$(printf '%s\n' "${povray_times[@]}" | median)"

echo "Vandrel: ${vandrel_cpu} s CPU   POV-Ray: ${povray_cpu} s CPU   (${size}x${size}," \
  "${threads} thread(s), median of ${repeats})"
awk -v v="$vandrel_cpu" -v p="$povray_cpu" \
  'BEGIN { printf "Vandrel / POV-Ray CPU time: %.2f (target: at most 0.30)\n", v / p }'
