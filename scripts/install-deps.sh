#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, benchmark and
# cross-build. Idempotent and quiet when everything is already present; README,
# .ci/run and developers all call this one script.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  glslang-dev glslang-tools spirv-tools
  libvulkan-dev mesa-vulkan-drivers vulkan-tools vulkan-validationlayers
  g++-mingw-w64-i686 g++-mingw-w64-i686-posix binutils-mingw-w64-i686
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
