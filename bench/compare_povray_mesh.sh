#!/usr/bin/env bash
# Renders a mesh sphere of about one million triangles (made here: 1000 x 500 quads) with the
# "Fractal Noise" sample, the preview scene's lights, 1024 x 1024, one sample per pixel, one thread,
# once with Vandrel (`vandrel render --mesh`, the mesh as binary PLY) and once with POV-Ray 3.7
# reading the same mesh as `mesh2` with the same vertex normals, and prints both CPU times and
# their ratio; then the CPU and wall time that reading the mesh and building its BVH add (a 1 x 1
# render with and without the mesh), from the binary PLY and from the same mesh as OBJ text.
# Installs POV-Ray when it is missing (run as root); not part of CI.
#
#   bench/compare_povray_mesh.sh [COLUMNS ROWS]
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
columns="${1:-1000}"
rows="${2:-500}"
size=1024

if ! command -v povray >/dev/null; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq povray >/dev/null
fi
install_missing_packages
BUILD_TARGET=vandrel_cli build_tree release Release >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
vandrel="$VANDREL_ROOT/build/release/bin/vandrel"
shader="$VANDREL_ROOT/resources/samples/Fractal Noise.xrb"

# The sphere of radius 1 as OBJ (positions and normals) and as POV-Ray's mesh2 (z mirrored: POV-Ray
# is left-handed). The poles are rows of their own, so the mesh is a plain grid of quads.
python3 - "$columns" "$rows" "$work" <<'PYTHON'
import math, struct, sys
columns, rows, work = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
points = []
for j in range(rows + 1):
    phi = math.pi * (j / rows - 0.5)
    for i in range(columns):
        theta = 2 * math.pi * i / columns
        points.append((math.sin(theta) * math.cos(phi), math.sin(phi),
                       math.cos(theta) * math.cos(phi)))
faces = []
for j in range(rows):
    for i in range(columns):
        a, b = j * columns + i, j * columns + (i + 1) % columns
        c, d = b + columns, a + columns
        faces.append((a, b, c))
        faces.append((a, c, d))
with open(f"{work}/sphere.obj", "w") as obj:
    obj.write("".join(f"v {x:.7f} {y:.7f} {z:.7f}\nvn {x:.7f} {y:.7f} {z:.7f}\n"
                      for x, y, z in points))
    obj.write("".join(f"f {a+1}//{a+1} {b+1}//{b+1} {c+1}//{c+1}\n" for a, b, c in faces))
# The same mesh as binary PLY: what a user with a large model would hand over.
with open(f"{work}/sphere.ply", "wb") as ply:
    ply.write((f"ply\nformat binary_little_endian 1.0\nelement vertex {len(points)}\n"
               "property float x\nproperty float y\nproperty float z\n"
               "property float nx\nproperty float ny\nproperty float nz\n"
               f"element face {len(faces)}\nproperty list uchar int vertex_indices\n"
               "end_header\n").encode())
    ply.write(b"".join(struct.pack("<6f", x, y, z, x, y, z) for x, y, z in points))
    ply.write(b"".join(struct.pack("<B3i", 3, a, b, c) for a, b, c in faces))
with open(f"{work}/mesh.inc", "w") as inc:
    vectors = ",\n".join(f"<{x:.7f},{y:.7f},{-z:.7f}>" for x, y, z in points)
    inc.write(f"mesh2 {{\n vertex_vectors {{ {len(points)},\n{vectors} }}\n")
    inc.write(f" normal_vectors {{ {len(points)},\n{vectors} }}\n")
    inc.write(f" face_indices {{ {len(faces)},\n" +
              ",\n".join(f"<{a},{b},{c}>" for a, b, c in faces) + " }\n}\n")
print(f"mesh: {len(points)} vertices, {len(faces)} triangles", file=sys.stderr)
PYTHON

cat >"$work/mesh.pov" <<'POV'
#version 3.7;
global_settings { assumed_gamma 1.0 ambient_light rgb 1 }
background { rgb <0.55, 0.6, 0.68> }
camera { perspective location <0, 0.6, -5> look_at <0, -0.2, 0> right x up y angle 38 }
light_source { <-4, 6, -5> rgb <0.9, 0.88, 0.85> }
light_source { <1, 0.4, -0.6> * 1000 rgb <0.25, 0.27, 0.3> parallel point_at <0, 0, 0> }
object {
  #include "mesh.inc"
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
POV

# CPU seconds (user + system) and wall seconds of one command.
times_of() {
  local TIMEFORMAT='%U %S %R' times
  times="$({ time "$@" >/dev/null 2>&1; } 2>&1)" || { echo "failed: $*" >&2; exit 1; }
  awk '{ printf "%.3f %.3f\n", $1 + $2, $3 }' <<<"$times"
}

read -r vandrel_cpu _ < <(times_of "$vandrel" render "$shader" --mesh "$work/sphere.ply" \
  --size "$size" --samples 1 --threads 1 -o "$work/vandrel.png")
read -r povray_cpu _ < <(cd "$work" && times_of povray +Imesh.pov +Opovray.png +FN +W"$size" \
  +H"$size" -A -D -V +WT1)
read -r with_cpu with_wall < <(times_of "$vandrel" render "$shader" --mesh "$work/sphere.ply" \
  --size 1 --samples 1 --threads 1 -o "$work/one.png")
read -r obj_cpu obj_wall < <(times_of "$vandrel" render "$shader" --mesh "$work/sphere.obj" \
  --size 1 --samples 1 --threads 1 -o "$work/one.png")
read -r without_cpu without_wall < <(times_of "$vandrel" render "$shader" --size 1 --samples 1 \
  --threads 1 -o "$work/one.png")

echo "Vandrel: ${vandrel_cpu} s CPU   POV-Ray: ${povray_cpu} s CPU   (${size}x${size}, 1 thread)"
awk -v v="$vandrel_cpu" -v p="$povray_cpu" \
  'BEGIN { printf "Vandrel / POV-Ray CPU time: %.2f (target: at most 0.50)\n", v / p }'
awk -v c="$with_cpu" -v c0="$without_cpu" -v w="$with_wall" -v w0="$without_wall" \
  'BEGIN { printf "mesh load + BVH build (binary PLY): %.3f s CPU, %.3f s wall (target: under 1 s)\n",
           c - c0, w - w0 }'
awk -v c="$obj_cpu" -v c0="$without_cpu" -v w="$obj_wall" -v w0="$without_wall" \
  'BEGIN { printf "mesh load + BVH build (OBJ text): %.3f s CPU, %.3f s wall\n", c - c0, w - w0 }'
