#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, benchmark,
# cross-build and run the Windows DLL under Wine. Idempotent and quiet when
# everything is already present; README, .ci/run and developers all call this
# one script.
#
#   scripts/install-deps.sh          everything (Wine too, if it can be had)
#   scripts/install-deps.sh --wine   only the Wine part (used by the Windows runtime check)
#
# Wine needs the i386 architecture. Where the i386 index of the security suite
# cannot be downloaded, amd64 security updates have no i386 twins and apt finds
# no solution, so every apt call, from the first one on, takes release versions
# over security ones (scripts/apt-preferences). A failed Wine install is reported
# in one line and does not stop the rest: the Windows runtime check says so too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  g++ cmake ninja-build pkg-config clang-format ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  glslang-dev glslang-tools spirv-tools
  libvulkan-dev mesa-vulkan-drivers vulkan-tools vulkan-validationlayers
  g++-mingw-w64-i686 g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  libcli11-dev libpng-dev libopenexr-dev libgif-dev nlohmann-json3-dev
  libsdl2-dev libx11-dev xvfb xauth
  libfftw3-dev libstb-dev libnoise-dev
  clang libclang-rt-14-dev
)
wine_packages=(
  wine wine32:i386 wine64 xvfb xauth libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386
  qemu-user-static # runs them where the kernel has no IA32 emulation
)

only_wine=0
[ "${1:-}" = "--wine" ] && only_wine=1

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

missing=()
[ $only_wine -eq 0 ] && mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_wine < <(missing_of "${wine_packages[@]}")
[ ${#missing[@]} -eq 0 ] && [ ${#missing_wine[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
empty_parts=$(mktemp -d)
trap 'rmdir "$empty_parts"' EXIT
apt_opts=(-o Dir::Etc::preferences="$root/scripts/apt-preferences"
  -o Dir::Etc::PreferencesParts="$empty_parts")

dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
# The i386 security index may fail to download; that failure is expected here.
$SUDO apt-get "${apt_opts[@]}" update -qq >/dev/null 2>&1 || true

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  $SUDO apt-get "${apt_opts[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ ${#missing_wine[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing_wine[*]} (the first time takes several minutes)"
  if ! log=$($SUDO apt-get "${apt_opts[@]}" install -y -qq --no-install-recommends \
    "${missing_wine[@]}" 2>&1); then
    echo "install-deps: Wine could not be installed ($(grep -m1 -E '^E:' <<<"$log" || echo 'apt failed')); the Windows runtime check will be skipped"
  fi
fi
