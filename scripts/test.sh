#!/usr/bin/env bash
# Runs every test: the 32-bit Linux build (with valgrind memcheck sessions), the Windows build under
# wine, the native noise core, the same suites built with AddressSanitizer and
# UndefinedBehaviorSanitizer, and a short run of each libFuzzer target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export WINEDEBUG=-all
# Sanitizer reports fail the run instead of only printing.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

presets=(linux-x86 windows-x86 native linux-x86-sanitize native-sanitize fuzz)
for preset in "${presets[@]}"; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" --timeout 600
done
echo "All test suites passed."
