#!/usr/bin/env bash
# Installs what is missing, builds in Release and runs the main job on the bundled default.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing_packages
build_tree release Release
mkdir -p "$VANDREL_ROOT/out" && "$VANDREL_ROOT/build/release/bin/vandrel" render "$VANDREL_ROOT/resources/samples/Sine Gradient.xrb" -o "$VANDREL_ROOT/out/sine_gradient.png" && echo "$VANDREL_ROOT/out/sine_gradient.png"
