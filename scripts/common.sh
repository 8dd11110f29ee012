# Shared by the set-up and test scripts: installs the Debian packages the project needs, only the
# missing ones, and configures and builds one build folder.
set -euo pipefail

VANDREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VANDREL_PACKAGES=(
  cmake ninja-build g++ clang clang-format
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  libopenimageio-dev openimageio-tools libopencv-core-dev libpng-dev
  qt6-base-dev fonts-dejavu-core
  libassimp-dev libembree-dev nlohmann-json3-dev
)

install_missing_packages() {
  local missing=()
  for package in "${VANDREL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# build_tree FOLDER BUILD_TYPE [CMAKE_OPTIONS...]; BUILD_TARGET, when set, builds that target only.
build_tree() {
  local folder="$VANDREL_ROOT/build/$1" type="$2"
  shift 2
  cmake -S "$VANDREL_ROOT" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
  cmake --build "$folder" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
}
