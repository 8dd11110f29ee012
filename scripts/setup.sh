#!/usr/bin/env bash
# Installs what is missing, builds in Release and runs the main job on the bundled default.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing_packages
build_tree release Release
"$VANDREL_ROOT/build/release/bin/vandrel" catalogue
