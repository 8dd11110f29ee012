#!/usr/bin/env bash
# Bakes the component reference's pictures: every shader SHADER_FOLDER/c<ID>.xrb (written by
# vandrel_make_help) to PICTURE_FOLDER/c<ID>.png, 48 x 48 on the UV plane, one bake per core at a
# time. Every picture is made: a bake that fails is named and fails the build.
#
#   scripts/bake_help_pictures.sh VANDREL SHADER_FOLDER PICTURE_FOLDER
set -euo pipefail

if (($# != 3)); then
  echo "usage: $0 VANDREL SHADER_FOLDER PICTURE_FOLDER" >&2
  exit 1
fi
vandrel="$1" shaders="$2" pictures="$3"
mkdir -p "$pictures"
rm -f "$pictures"/c*.png
export vandrel pictures
find "$shaders" -maxdepth 1 -name 'c*.xrb' -print0 |
  xargs -0 -r -n 8 -P "$(nproc)" bash -c '
    status=0
    for shader; do
      name="$(basename "$shader" .xrb)"
      if ! "$vandrel" bake "$shader" --size 48 --threads 1 -o "$pictures/$name.png"; then
        echo "bake_help_pictures: the picture of component ${name#c} failed" >&2
        status=1
      fi
    done
    exit $status' _
