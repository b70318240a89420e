#!/usr/bin/env bash
# The Windows build at run time: builds it twice and compares the bytes, then
# runs the Windows host under Wine (its own Xvfb and Wine prefix) on the three
# device classes Wine's Direct3D offers, and compares the no-pixel-shader
# normal map with the one the Linux build makes for the same seed and frames
# on msvcrt's rand() sequence.
#
#   scripts/check-windows-runtime.sh        (scripts/test.sh runs it)
#
# Where Wine cannot be installed or cannot run 32-bit programs, one line says
# why and the check stops there with success; once Wine runs, every failure
# fails it. SWK_BUILD_DIR and SWK_JOBS as in scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SWK_BUILD_DIR:-$root/build}
jobs=${SWK_JOBS:-$(nproc)}
frames=30
say() { echo "check-windows-runtime: $*"; }
fail() {
  say "FAILED: $*" >&2
  exit 1
}

launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
windows_build() {
  cmake -G Ninja -S "$root" -B "$1" -DCMAKE_BUILD_TYPE=Release $launcher \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
  cmake --build "$1" -j "$jobs" >/dev/null
}

# Reproducible: a second tree elsewhere gives the same bytes.
win=$build-windows
windows_build "$win"
windows_build "$win-again"
binaries=(generator/Swellkit.dll platform/engine_support/Brantholm.dll examples/swellkit_host.exe)
for f in "${binaries[@]}"; do
  cmp -s "$win/$f" "$win-again/$f" || fail "two builds of $(basename "$f") differ"
done
say "two builds in different folders give the same bytes (${binaries[*]##*/})"

# The Linux side of the comparison.
[ -f "$build/build.ninja" ] || cmake -G Ninja -S "$root" -B "$build" $launcher >/dev/null
cmake --build "$build" -j "$jobs" --target swellkit_host >/dev/null
reference=$build/windows-runtime/linux
rm -rf "$reference" && mkdir -p "$reference"
SWK_D3D9_PS_VERSION=none SWK_VK_QUIET=1 "$build/examples/swellkit_host" --rand msvcrt $frames \
  "$reference" >"$reference/output.txt" || fail "the Linux host failed: $(tail -1 "$reference/output.txt")"

# Wine, if it can be had.
bash "$root/scripts/install-deps.sh" --wine || true
if ! command -v wine >/dev/null || ! dpkg-query -W wine32:i386 >/dev/null 2>&1; then
  say "skipped at run time: 32-bit Wine is not installed and could not be (see install-deps above)"
  exit 0
fi
# 32-bit programs: natively, or through qemu-i386 where the kernel has no IA32
# emulation. Under qemu 32-bit Wine starts, but on a two-core machine making its
# prefix ran past Wine's own wait for the boot ("boot event wait timed out",
# then kernel32.dll not loaded) and one of its programs crashed in qemu, so it
# runs only on request: SWK_WINE_UNDER_QEMU=1 (registers qemu-i386 with
# binfmt_misc if missing).
binfmt=/proc/sys/fs/binfmt_misc
how="natively"
limit=300 # seconds for one Wine program
if grep -qs enabled $binfmt/qemu-i386 || ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  if [ -z "${SWK_WINE_UNDER_QEMU:-}" ]; then
    say "skipped at run time: this kernel cannot run 32-bit programs itself (no IA32 emulation), and 32-bit Wine under qemu-i386 cannot make its prefix in time (SWK_WINE_UNDER_QEMU=1 tries anyway)"
    exit 0
  fi
  if [ ! -e $binfmt/qemu-i386 ] && [ -x /usr/bin/qemu-i386-static ] && [ "$(id -u)" -eq 0 ]; then
    [ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt 2>/dev/null || true
    [ -e $binfmt/register ] && echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >$binfmt/register 2>/dev/null || true
  fi
  if ! grep -qs enabled $binfmt/qemu-i386 || ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    say "skipped at run time: this kernel cannot run 32-bit programs (no IA32 emulation) and qemu-i386 could not be registered with binfmt_misc"
    exit 0
  fi
  how="under qemu-i386"
  limit=3600
  # Wine places its own mappings at fixed addresses all over the low 4 GiB:
  # qemu must hold the guest's whole address space from the start.
  export QEMU_RESERVED_VA=0xffff0000
fi
# The 64-bit server serves 32-bit Wine too, and runs natively.
server=/usr/lib/wine/wineserver64
[ -x $server ] || server=/usr/lib/wine/wineserver32
export WINESERVER=$server

# Everything below is started here and stopped by process id.
pids=()
prefix=""
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  # Wine's own programs on our prefix (services, wineboot) detach from us;
  # they are the processes whose environment names the prefix.
  [ -n "$prefix" ] || return 0
  for p in /proc/[0-9]*; do
    [ "${p#/proc/}" = $$ ] && continue
    tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" &&
      kill "${p#/proc/}" 2>/dev/null || true
  done
}
trap cleanup EXIT

display=
for n in $(seq 90 140); do
  if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then
    display=$n
    break
  fi
done
[ -n "$display" ] || fail "no free X display between :90 and :140"
Xvfb ":$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  [ -e /tmp/.X11-unix/X$display ] && break
  sleep 0.1
done
[ -e /tmp/.X11-unix/X$display ] || fail "Xvfb did not start on :$display"

prefix=$win/wine-prefix
export DISPLAY=:$display WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no installer dialogs for .NET or the HTML engine
mkdir -p "$WINEPREFIX"
"$WINESERVER" -f -p >/dev/null 2>&1 &
pids+=($!)
# A Wine program that comes before our server is listening starts another one,
# which finds ours holding the lock and leaves again.
timeout $limit wine wineboot.exe -i >/dev/null 2>&1 || fail "the Wine prefix could not be made in $WINEPREFIX"

say "32-bit Wine $how, display :$display, prefix $WINEPREFIX"
run=$win/windows-runtime
rm -rf "$run" && mkdir -p "$run"
cp "$win/generator/Swellkit.dll" "$win/platform/engine_support/Brantholm.dll" \
  "$win/examples/swellkit_host.exe" "$run/"

# MaxShaderModelPS: unset gives pixel shader 3.0, 1 gives 1.4, 0 none.
key='HKCU\Software\Wine\Direct3D'
for class in 3.0 1.4 none; do
  case $class in
  3.0) wine reg delete "$key" /v MaxShaderModelPS /f >/dev/null 2>&1 || true ;;
  1.4) wine reg add "$key" /v MaxShaderModelPS /t REG_DWORD /d 1 /f >/dev/null 2>&1 ;;
  none) wine reg add "$key" /v MaxShaderModelPS /t REG_DWORD /d 0 /f >/dev/null 2>&1 ;;
  esac
  out=$run/$class
  mkdir -p "$out"
  (cd "$run" && timeout $limit wine swellkit_host.exe $frames "Z:${out//\//\\}") \
    >"$out/output.txt" 2>&1 || fail "pixel shader $class: the host failed: $(tail -2 "$out/output.txt" | tr '\n' ' ')"
  output=$out/output.txt
  grep -q '^device lost and restored' "$output" || fail "pixel shader $class: no restoration in $output"
  grep -q 'references in the watch' "$output" || fail "pixel shader $class: no release check in $output"
  if [ $class = none ]; then
    cmp -s "$out/normals.texels" "$reference/normals.texels" ||
      fail "pixel shader none: the normal map differs from the Linux build's ($out, $reference)"
    say "pixel shader none: $frames frames, loss and restoration, nothing left; normal map equal to Linux's bit for bit"
  elif grep -q '^message box:' "$output"; then
    # Wine's D3DX cannot compile effect text (sampler_state, global initialisers).
    message=$(grep -m1 '^message box:' "$output" | cut -c1-160)
    grep -qiE 'sampler_state|initiali[sz]er|fx_2_0|not (yet )?implemented|syntax error' <<<"$message" ||
      fail "pixel shader $class: an effect compiler message that is not Wine's known limit: $message"
    say "pixel shader $class: $frames frames, loss and restoration, nothing left; effects not compiled, Wine's known effect-compiler limit ($message)"
  else
    grep '^normal map:' "$output" | grep -qv uniform || fail "pixel shader $class: the normal map is flat"
    say "pixel shader $class: $frames frames, loss and restoration, nothing left; the maps are water"
  fi
done
