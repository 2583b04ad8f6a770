#!/usr/bin/env bash
# The release runner's own behaviour: a DLL whose image base is taken is relocated and gives the
# golden bits (one without relocations is refused); an import the runner lacks, a fault, a trap and a hang in 32-bit code are each
# reported by name, with the documented exit status.
#   release_runner_test.sh RUNNER WINDOWS_BUILD_DIR GOLDEN_DIR
set -uo pipefail
runner=$1 build=$2 golden=$3
faults=$build/runner_test/runner_faults.usr
fail=0
say() { echo "FAIL: $*"; fail=1; }
for f in "$build/modules/Vek_Random.usr" "$faults" "$build/broken/broken_crash_in_callback.usr"; do
  [[ -f $f ]] || { echo "FAIL: $f is missing: build the windows-x86 preset first (bash scripts/build.sh)"; exit 1; }
done

# Where this machine runs no 32-bit code in a 64-bit process, the runner says so (77) and nothing
# here can be shown: skipped, with its reason.
probe=$("$runner" call "$faults" Answer 2>&1); rc=$?
if [[ $rc == 77 ]]; then
  echo "skipped: $probe"
  exit 77
fi

# expect STATUS PATTERN ARGS...: the runner exits with STATUS and its stderr matches PATTERN.
expect() {
  local status=$1 pattern=$2; shift 2
  local err rc
  err=$("$runner" "$@" 2>&1 >/dev/null); rc=$?
  [[ $rc == "$status" ]] || say "$* exited $rc, expected $status: $err"
  grep -Eq -- "$pattern" <<<"$err" || say "$*: stderr does not match /$pattern/: $err"
}

expect 0 "image base 0x[0-9a-f]+ taken, relocated to 0x" \
  --occupy-base check "$build/modules" --golden "$golden" --fp-env default --fp-env traps
expect 2 "broken_crash_in_callback.usr: imports KERNEL32.dll AddVectoredExceptionHandler, which the runner does not provide" \
  call "$build/broken/broken_crash_in_callback.usr" Create
expect 1 "runner_faults.usr: SIGSEGV at 0x[0-9a-f]+ \(runner_faults.usr\+0x[0-9a-f]+, 32-bit code, fault address 0x10\) in Crash" \
  call "$faults" Crash
expect 1 "runner_faults.usr: SIGFPE \(invalid operation\) at 0x[0-9a-f]+ .*32-bit code.* in Trap" call "$faults" Trap
expect 1 "runner_faults.usr: Hang did not return within 1 s" --timeout 1 call "$faults" Hang
expect 2 "nowhere.usr: cannot be read" call "$build/nowhere.usr" Answer
out=$("$runner" call "$faults" Answer) || say "calling Answer failed"
grep -q "Answer returned 42" <<<"$out" || say "Answer: $out"
# It has no absolute addresses, so no relocations: it cannot move.
expect 2 "its image base is taken and it has no relocations" --occupy-base call "$faults" Answer
expect 2 "release_runner_test.sh: not a PE file" --occupy-base call "$(dirname "$0")/release_runner_test.sh" Answer
# Golden files are read as the stand-in reads them: the shape checked, each bad line named.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$golden/Vek_Random_Array.golden.json" "$scratch/"
sed 's/"cycle"/"cycle -2"/' "$golden/Vek_Random.golden.json" >"$scratch/Vek_Random.golden.json"
expect 1 "Vek_Random.golden.json: random_[a-z]+.session: action [0-9]+: cycle takes a whole count" \
  check "$build/modules" --golden "$scratch" --fp-env default
sed 's/"dumps"/"dumbs"/' "$golden/Vek_Random.golden.json" >"$scratch/Vek_Random.golden.json"
expect 1 "Vek_Random.golden.json: sessions\[0\].dumps is missing or not a list" \
  check "$build/modules" --golden "$scratch" --fp-env default
expect 2 "--fp-env: floating-point environment \"wet\" is neither a preset" bench "$build/modules" --fp-env wet
# One workload, both sides in the host's trapping environment, bits compared; then the plain side alone.
out=$("$runner" bench "$build/modules" --rounds 2 --only "Process, 1 octave" --fp-env traps) || say "bench --fp-env traps failed: $out"
[[ $(grep -c "x$" <<<"$out") == 1 ]] || say "bench --only: not exactly one timed workload: $out"
out=$("$runner" bench "$build/modules" --rounds 2 --only "array fill 2048 x 1 octave" --plain-only) ||
  say "bench --plain-only failed: $out"
grep -Eq "^array fill 2048 x 1 octave +- +[0-9.]+ ns +-$" <<<"$out" || say "bench --plain-only: $out"
out=$("$runner" bench "$build/modules" --rounds 2 --only "Process, 8 octaves" --separate) || say "bench --separate failed: $out"
grep -Eq "^Process, 8 octaves.* [0-9.]+ ns +[0-9.]+ ns +[0-9.]+x$" <<<"$out" || say "bench --separate: $out"

[[ $fail == 0 ]] && echo "release runner: relocation, missing import, fault, trap and hang reported as expected"
exit $fail
