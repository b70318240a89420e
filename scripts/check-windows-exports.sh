#!/usr/bin/env bash
# Checks that the cross-built Swellkit.dll exports exactly the nine public
# members of CWaveGenerator (constructor and destructor in each of their ABI
# variants) and nothing else, and that it carries its resources.
set -euo pipefail
dll=${1:?usage: check-windows-exports.sh path/to/Swellkit.dll}
objdump=i686-w64-mingw32-objdump

expected=$(sort <<'NAMES'
_ZN14CWaveGeneratorC1EP16IDirect3DDevice9ii
_ZN14CWaveGeneratorC2EP16IDirect3DDevice9ii
_ZN14CWaveGeneratorD0Ev
_ZN14CWaveGeneratorD1Ev
_ZN14CWaveGeneratorD2Ev
_ZN14CWaveGenerator6UpdateEm
_ZNK14CWaveGenerator12GetHeightMapEv
_ZNK14CWaveGenerator12GetNormalMapEv
_ZNK14CWaveGenerator8GetSpeedEv
_ZN14CWaveGenerator8SetSpeedEf
_ZN14CWaveGenerator12OnLostDeviceEv
_ZN14CWaveGenerator15OnRestoreDeviceEv
NAMES
)
actual=$($objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^\s*\[ *[0-9]*\] //p' | sort)

if [ "$actual" != "$expected" ]; then
  echo "check-windows-exports: $dll exports differ from the nine members:" >&2
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  exit 1
fi
if ! $objdump -h "$dll" | grep -q '\.rsrc'; then
  echo "check-windows-exports: $dll has no resource section" >&2
  exit 1
fi
echo "check-windows-exports: $(basename "$dll") exports exactly the nine members ($(echo "$actual" | wc -l) symbols) and carries its resources"
