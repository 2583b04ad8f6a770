#!/usr/bin/env bash
# The plug-ins against plain code, workload by workload, measured on the CPU: the Windows release
# DLLs through the compatibility-mode runner (on any x86_64 Linux), and where 32-bit programs run
# natively (not under qemu) also the Linux plug-ins through the same driver built for linux-x86,
# then the host stand-in's own timings on linux-x86 and under wine. Ratios are plain time ÷
# plug-in time (above 1: the plug-in is faster), each from one run; timings are noisy on a busy
# machine, so repeat and compare ranges.
#   bash scripts/bench.sh [--rounds N]
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEDEBUG=-all
rounds=200
if [[ ${1:-} == --rounds && -n ${2:-} ]]; then
  rounds=$2
elif [[ $# -gt 0 ]]; then
  echo "usage: bash scripts/bench.sh [--rounds N]" >&2
  exit 2
fi

build() {  # preset, targets...
  local preset=$1; shift
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target "$@" >/dev/null
}
native_i386() { ! bash scripts/i386-emulated.sh && bash scripts/enable-i386.sh >/dev/null 2>&1; }

build windows-x86 Vek_Random Vek_Random_Array
build native release_runner
status=0
runner_table=$(build/native/tools/release_runner/release_runner bench build/windows-x86/modules --rounds "$rounds") || status=$?
if [[ $status == 77 ]]; then
  # The runner has said why on stderr: no 32-bit code runs on the CPU here, so nothing can be timed.
  exit 0
elif [[ $status != 0 ]]; then
  exit "$status"
fi

if ! native_i386; then
  echo "$runner_table"
  echo
  echo "32-bit programs run under qemu here (or not at all): no linux-x86 or wine figures, an emulator's timings mean nothing."
  exit 0
fi

build linux-x86 Vek_Random Vek_Random_Array release_runner usrhost
linux_table=$(build/linux-x86/tools/release_runner/release_runner bench build/linux-x86/modules --rounds "$rounds")
# One line per workload: the runner's figures, then the linux-x86 build's ratio from the same run.
paste -d'|' <(echo "$runner_table") <(echo "$linux_table") |
  awk -F'|' 'NR == 1 { printf "%s %14s\n", $1, "linux-x86"; next }
             { n = split($2, f, " "); printf "%s %13s\n", $1, f[n] }'

echo
echo "usrhost bench, linux-x86 (native):"
build/linux-x86/tools/usrhost/usrhost bench build/linux-x86/modules/Vek_Random_Array.usr
build/linux-x86/tools/usrhost/usrhost bench build/linux-x86/modules/Vek_Random.usr
if command -v wine >/dev/null; then
  build windows-x86 usrhost
  echo
  echo "usrhost bench, windows-x86 (wine):"
  (cd build/windows-x86 && wine tools/usrhost/usrhost.exe bench modules/Vek_Random_Array.usr &&
     wine tools/usrhost/usrhost.exe bench modules/Vek_Random.usr)
fi
