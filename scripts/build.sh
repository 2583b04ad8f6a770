#!/usr/bin/env bash
# Builds both plug-ins for 32-bit Linux and Windows (and the native noise core), then drives each
# plug-in in the host stand-in with its default settings and prints what it outputs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export WINEDEBUG=-all

for preset in linux-x86 windows-x86 native; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

show() {  # label, usrhost command, module dir
  local label=$1 host=$2 dir=$3
  echo
  echo "=== $label: Vek_Random_Array, default settings, \"Calculate Array\" pressed ==="
  $host run "$dir/Vek_Random_Array.usr" --press "Calculate Array"
  echo
  echo "=== $label: Vek_Random, default settings, \"Input\" swept from 0 to 3 ==="
  $host run "$dir/Vek_Random.usr" --sweep "Input=0:3:0.25"
}

show "Linux x86" build/linux-x86/tools/usrhost/usrhost build/linux-x86/modules
# Under wine the tool and the plug-ins are the Windows release files.
(cd build/windows-x86 && show "Windows x86 (wine)" "wine tools/usrhost/usrhost.exe" modules)
echo
echo "Release plug-ins: build/windows-x86/modules/Vek_Random_Array.usr, build/windows-x86/modules/Vek_Random.usr"
