#!/usr/bin/env bash
# Runs every test: the 32-bit Linux build (with valgrind memcheck sessions), the Windows build under
# wine, the native noise core, the same suites built with AddressSanitizer and
# UndefinedBehaviorSanitizer, and a short run of each libFuzzer target.
#   bash scripts/test.sh [PRESET...]   (only the named presets; every one when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export WINEDEBUG=-all
# Sanitizer reports fail the run instead of only printing (ASAN_OPTIONS is set per preset below).
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Where 32-bit programs run under qemu (scripts/enable-i386.sh), LeakSanitizer cannot stop the
# world it checks (qemu has no ptrace for it) and hangs at exit: the 32-bit sanitizer runs go without
# it there; the native one keeps it.
emulated=0
bash scripts/i386-emulated.sh && emulated=1
# wine's debugger cannot attach under qemu: started for a crashed helper it waits forever, and
# with it the wine server. There a crash simply ends the process.
[ "$emulated" = 1 ] && export WINEDLLOVERRIDES="winedbg.exe=d"

# Bounded: should a wine helper hang, the prefix is written by then and a fresh server will do.
wait_for_wine() {
  timeout 900 wineserver -w || { echo "(the wine server did not stop by itself; stopping it)"; wineserver -k || true; }
}

all=(linux-x86 windows-x86 native linux-x86-sanitize native-sanitize fuzz)
presets=("$@")
[ ${#presets[@]} = 0 ] && presets=("${all[@]}")
for preset in "${presets[@]}"; do
  if [[ " ${all[*]} " != *" $preset "* ]]; then
    echo "scripts/test.sh: no preset \"$preset\" (presets: ${all[*]})" >&2
    exit 2
  fi
done
for preset in "${presets[@]}"; do
  echo "=== $preset ==="
  started=$SECONDS
  if [ "$emulated" = 1 ] && [[ $preset == linux-x86-sanitize || $preset == fuzz ]]; then
    # A small quarantine too: ASan's 32-bit allocator runs out of address space sooner under qemu.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:quarantine_size_mb=16
    echo "(32-bit programs run under qemu here: no leak checking in this 32-bit sanitizer run)"
  else
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  fi
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  if [ "$preset" = windows-x86 ]; then
    # The wine prefix is brought up to date before any test's clock starts: under qemu its
    # initialisation takes many minutes, and every wine program waits for it.
    wineserver -k 2>/dev/null || true  # no server left over from an earlier run, which -w would wait for
    wineboot -i >/dev/null 2>&1 </dev/null || true
    wait_for_wine
    # Under qemu the first program after that has been seen to start the update once more: one
    # program now, waited for the same way, so that no test's clock runs while the prefix is written.
    wine cmd /c exit >/dev/null 2>&1 </dev/null || true
    wait_for_wine
    # Then one wine server for the whole suite: each test program starts faster, and none meets a
    # server that is shutting down after the previous one.
    wineserver -p || true
    wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  fi
  # Each Windows test program is one ctest entry holding a whole suite, slower still under qemu.
  test_timeout=600
  [ "$preset" = windows-x86 ] && [ "$emulated" = 1 ] && test_timeout=900
  # The fuzzers each run for a fixed time on one core: side by side they take half as long. The
  # other suites stay one test at a time, so that their hang timeouts never meet a loaded machine.
  jobs=1
  [ "$preset" = fuzz ] && jobs=2
  ctest --preset "$preset" --timeout "$test_timeout" -j "$jobs"
  if [ "$preset" = windows-x86 ]; then wineserver -k || true; fi
  echo "=== $preset: built and passed in $((SECONDS - started)) s ==="
done
echo "All test suites passed: ${presets[*]}."
