#!/usr/bin/env bash
# usrhost as a user meets it: bad options, bad files and unwritable outputs give one line on
# stderr naming the problem and a documented exit status, and never touch an existing file.
#   cli_test.sh BUILD_DIR [EMULATOR...]   (run from anywhere; EMULATOR is e.g. wine)
set -uo pipefail
build=$(cd "$1" && pwd); shift
emulator=("$@")
tool="$build/tools/usrhost/usrhost"
[ -x "$tool.exe" ] && tool="$tool.exe"
modules="$build/modules"
broken="$build/broken"
golden_dir="$(cd "$(dirname "$0")" && pwd)/golden"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0 passed=0

usrhost() { "${emulator[@]}" "$tool" "$@"; }

# expect STATUS "TEXT" COMMAND... : the exit status, TEXT somewhere in the output, and for an
# input error (2) exactly one line on stderr (warnings aside), starting "usrhost: ".
expect() {
  local want=$1 text=$2; shift 2
  local err="$scratch/stderr" out="$scratch/stdout" status
  "$@" >"$out" 2>"$err" </dev/null
  status=$?
  local lines why=""
  lines=$(tr -d '\r' <"$err" | grep -v '^usrhost: warning: ' | grep -c .)
  if [ "$status" != "$want" ]; then
    why="exit status $status, expected $want"
  elif [ "$want" = 2 ] && [ "$lines" != 1 ]; then
    why="$lines lines on stderr, expected one"
  elif [ "$want" = 2 ] && ! grep -q '^usrhost: ' "$err"; then
    why="stderr does not start with 'usrhost: '"
  elif [ -n "$text" ] && ! grep -qF -- "$text" "$err" "$out"; then
    why="no '$text' in the output"
  fi
  if [ -n "$why" ]; then
    failures=$((failures + 1))
    echo "FAIL: $*"
    echo "      $why"
    sed 's/^/      stderr: /' "$err" | head -5
  else
    passed=$((passed + 1))
  fi
}

# unchanged FILE COMMAND...: the command fails and FILE keeps its bytes.
unchanged() {
  local file=$1; shift
  printf 'keep me\n' >"$file"
  "$@" >/dev/null 2>&1 </dev/null
  if [ "$(cat "$file")" != "keep me" ] || ls "$file".tmp-* >/dev/null 2>&1; then
    failures=$((failures + 1))
    echo "FAIL: $* changed $file or left a temporary file"
  else
    passed=$((passed + 1))
  fi
}

cd "$modules" || exit 1
# A file name without a folder is the file in the current folder.
expect 0 "" usrhost info Vek_Random.usr
expect 0 "0.76807380" usrhost run Vek_Random.usr -s Input=3
expect 0 "Integer Out" usrhost run Vek_Random_Array.usr -s "Array Size=4"

# Files that are no module library: one line, input error.
printf 'not a library\n' >"$scratch/text.usr"
mkdir -p "$scratch/folder.usr"
for f in "$scratch/missing.usr" "$scratch/text.usr" "$scratch/folder.usr"; do
  expect 2 "cannot load" usrhost validate "$f"
  expect 2 "cannot load" usrhost info "$f"
done

# Bad option values.
expect 2 "--seed" usrhost validate Vek_Random.usr --seed abc
expect 2 "--seed" usrhost validate Vek_Random.usr --seed 4294967296
expect 2 "--timeout" usrhost validate Vek_Random.usr --timeout 0
expect 2 "--bogus" usrhost run Vek_Random.usr --bogus
expect 2 "neither a preset" usrhost run Vek_Random.usr --fp-env sometimes
expect 2 "is an output" usrhost run Vek_Random.usr -s Output=3
expect 2 "not a button" usrhost run Vek_Random.usr -p Input
expect 2 "did you mean \"Octaves\"" usrhost run Vek_Random.usr -s Octave=3
expect 0 "outside its declared range" usrhost run Vek_Random.usr -s Octaves=40
expect 2 "nothing to draw" usrhost plot Vek_Random.usr -s "Output Min=nan" -o "$scratch/nan.svg"

# Session files: a byte-order mark and CRLF are fine; anything that is not text is not.
printf '\xef\xbb\xbfset Input=3\r\ncycle\r\ndump\r\n' >"$scratch/crlf.session"
expect 0 "0.76807380" usrhost run Vek_Random.usr --session "$scratch/crlf.session"
printf 'set Input=3\ncycle\n\xff\xfe dump\n' >"$scratch/binary.session"
expect 2 "binary.session:3:" usrhost run Vek_Random.usr --session "$scratch/binary.session"
printf 'set Input=3\nstep 4\n' >"$scratch/typo.session"
expect 2 "typo.session:2:" usrhost record Vek_Random.usr "$scratch/typo.session" -o "$scratch/g.json"
printf 'set Nope=3\n' >"$scratch/unknown.session"
expect 2 "unknown.session:1:" usrhost run Vek_Random.usr --session "$scratch/unknown.session"

# Golden files of the wrong shape.
golden="$golden_dir/Vek_Random.golden.json"
printf '{"module":"Vek Random","sessions":{}}' >"$scratch/not-list.json"
printf '{"module":"Vek Random","sessions":[]}' >"$scratch/empty.json"
printf '{"module":"Vek Random","sessions":[{"actions":["dump"],"dumps":[{"Output":1.5}]}]}' >"$scratch/types.json"
printf '{"module":"Vek Random",\n "sessions": [,]}' >"$scratch/broken.json"
printf '{"module":"Vek Random",\n "sessions": 29E9995}' >"$scratch/overflow.json"
expect 2 "not a list" usrhost compare Vek_Random.usr "$scratch/not-list.json"
expect 2 "empty" usrhost compare Vek_Random.usr "$scratch/empty.json"
expect 2 "8 hex digits" usrhost compare Vek_Random.usr "$scratch/types.json"
expect 2 "broken.json:2:" usrhost compare Vek_Random.usr "$scratch/broken.json"
expect 2 "overflow.json:2:14: not JSON: number overflow" usrhost compare Vek_Random.usr "$scratch/overflow.json"
expect 2 "cannot read" usrhost compare Vek_Random.usr "$scratch/folder.usr"
expect 0 "identical" usrhost compare Vek_Random.usr "$golden"

# Unwritable outputs fail before any work, and failures leave existing files alone.
expect 2 "cannot write" usrhost plot Vek_Random.usr -o /nonexistent/x.svg
expect 2 "cannot write" usrhost record Vek_Random.usr "$scratch/crlf.session" -o /nonexistent/g.json
expect 2 "cannot write" usrhost validate Vek_Random.usr --check info.versions --json /nonexistent/r.json
unchanged "$scratch/keep.svg" usrhost plot Vek_Random.usr -s Nope=1 -o "$scratch/keep.svg"
unchanged "$scratch/keep.json" usrhost record Vek_Random.usr "$scratch/typo.session" -o "$scratch/keep.json"
unchanged "$scratch/keep.csv" usrhost run Vek_Random.usr -s Octave=1 -o "$scratch/keep.csv"
# "-" is standard output, not a file named "-".
cd "$scratch" || exit 1
expect 0 "<svg" usrhost plot "$modules/Vek_Random.usr" --sweep Input=0:1:0.5 -o -
[ -e "$scratch/-" ] && { failures=$((failures + 1)); echo "FAIL: -o - wrote a file named -"; }
cd "$modules" || exit 1

# Outputs: a link is written through, a device is written to, a folder fails before any work.
# (wine shows a Unix link to Windows programs as the file itself, so only natively.)
ln -sf "$scratch/through.csv" "$scratch/link.csv" 2>/dev/null
if [ -L "$scratch/link.csv" ] && [ ${#emulator[@]} = 0 ]; then
  expect 0 "" usrhost run Vek_Random.usr -f csv -o "$scratch/link.csv"
  { [ -L "$scratch/link.csv" ] && grep -q '^at,' "$scratch/through.csv"; } ||
    { failures=$((failures + 1)); echo "FAIL: -o LINK did not write through the link"; }
fi
if [ ${#emulator[@]} = 0 ]; then
  expect 0 "" usrhost run Vek_Random.usr -o /dev/null
  [ -c /dev/null ] || { failures=$((failures + 1)); echo "FAIL: -o /dev/null replaced the device"; }
else
  expect 0 "" usrhost run Vek_Random.usr -o NUL
fi
for command in "run Vek_Random.usr --sweep Input=0:1:0.5 -o" "plot Vek_Random.usr -o" \
               "record Vek_Random.usr $scratch/crlf.session -o" "validate Vek_Random.usr --level 2 -q --json"; do
  # shellcheck disable=SC2086
  expect 2 "it is a folder" usrhost $command "$scratch/folder.usr"
  grep -q "passed\|identical" "$scratch/stdout" && { failures=$((failures + 1)); echo "FAIL: $command FOLDER worked first"; }
done
expect 0 "" usrhost validate Vek_Random.usr --check info.versions --json -
python3 -c 'import json,sys; json.load(open(sys.argv[1]))' "$scratch/stdout" 2>/dev/null ||
  { failures=$((failures + 1)); echo "FAIL: validate --json - is not JSON alone"; }
expect 0 "" usrhost run Vek_Random.usr --sweep Input=0:1:0.5 -f json
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["snapshots"][1]["Input"] == 0.5' "$scratch/stdout" 2>/dev/null ||
  { failures=$((failures + 1)); echo "FAIL: run -f json of a sweep does not give the swept value as a number"; }
# CSV on standard output has the same CRLF line ends as CSV written to a file.
expect 0 "" usrhost run Vek_Random.usr -f csv
[ "$(head -1 "$scratch/stdout" | od -An -c | tr -d ' \n')" = 'at,Output\r\n' ] ||
  { failures=$((failures + 1)); echo "FAIL: CSV on standard output: $(head -1 "$scratch/stdout" | od -An -c)"; }
# An interrupted command leaves no temporary file, and the target as it was.
if [ ${#emulator[@]} = 0 ]; then
  printf 'keep me\n' >"$scratch/slow.csv"
  usrhost run Vek_Random.usr --sweep Input=0:100000:0.01 -f csv -o "$scratch/slow.csv" >/dev/null 2>&1 &
  sleep 0.5; kill -TERM $! 2>/dev/null; wait $! 2>/dev/null
  { [ "$(cat "$scratch/slow.csv")" = "keep me" ] && ! ls "$scratch"/slow.csv.tmp-* >/dev/null 2>&1; } ||
    { failures=$((failures + 1)); echo "FAIL: an interrupted run changed its target or left a temporary file"; }
fi

# Traps and misuse: status 3 and one "usrhost: " line in every command, the target unchanged.
# expect_misuse TEXT COMMAND...
expect_misuse() {
  local text=$1; shift
  expect 3 "$text" "$@"
  local lines
  lines=$(tr -d '\r' <"$scratch/stderr" | grep -v '^usrhost: warning: ' | grep -c .)
  if [ "$lines" != 1 ] || ! grep -q '^usrhost: ' "$scratch/stderr"; then
    failures=$((failures + 1)); echo "FAIL: $* : $lines lines on stderr, expected one 'usrhost: ' line"
    sed 's/^/      stderr: /' "$scratch/stderr" | head -5
  fi
}
printf 'set Input=nan\ncycle\ndump\n' >"$scratch/nan.session"
printf 'set Input=1\ncycle\ndump\n' >"$scratch/one.session"
if [ -e "$broken/broken_traps_on_nan.usr" ]; then
  traps="$broken/broken_traps_on_nan.usr"
  expect_misuse "(a trap" usrhost run "$traps" --fp-env traps -s Input=nan -o "$scratch/keep.txt"
  unchanged "$scratch/keep.txt" usrhost run "$traps" --fp-env traps -s Input=nan -o "$scratch/keep.txt"
  expect_misuse "(a trap" usrhost record "$traps" --fp-env traps "$scratch/nan.session" -o "$scratch/keep.txt"
  unchanged "$scratch/keep.txt" usrhost record "$traps" --fp-env traps "$scratch/nan.session" -o "$scratch/keep.txt"
fi
if [ -e "$broken/broken_foreign_handle.usr" ]; then
  foreign="$broken/broken_foreign_handle.usr"
  expect_misuse "unknown handle" usrhost run "$foreign" --sweep Input=0:1:0.25
  grep -q "(5 times)" "$scratch/stderr" || { failures=$((failures + 1)); echo "FAIL: repeated misuse not counted"; }
  unchanged "$scratch/keep.txt" usrhost run "$foreign" -o "$scratch/keep.txt"
  expect_misuse "unknown handle" usrhost plot "$foreign" -o "$scratch/keep.svg"
  expect_misuse "unknown handle" usrhost record "$foreign" "$scratch/one.session" -o "$scratch/keep.json"
  printf '{"module":"Broken","sessions":[{"actions":["cycle","dump"],"dumps":[{}]}]}' >"$scratch/broken-golden.json"
  expect_misuse "unknown handle" usrhost compare "$foreign" "$scratch/broken-golden.json"
  expect_misuse "unknown handle" usrhost compare "$foreign" "$scratch/broken-golden.json" --fp-env all
fi
if [ -e "$broken/broken_leaves_mxcsr.usr" ]; then
  # No --fp-env is the default environment, checked.
  expect_misuse "floating-point environment" usrhost run "$broken/broken_leaves_mxcsr.usr"
  expect_misuse "floating-point environment" usrhost plot "$broken/broken_leaves_mxcsr.usr" -o "$scratch/keep.svg"
  expect_misuse "floating-point environment" usrhost record "$broken/broken_leaves_mxcsr.usr" "$scratch/one.session" -o "$scratch/keep.json"
  expect_misuse "floating-point environment" usrhost bench "$broken/broken_leaves_mxcsr.usr" --fp-env default --seconds 0.01
fi
# bench says which baseline each ratio is against, and which way it reads; a module it does not
# know gets what it has, without made-up rows.
expect 0 "above 1 the plug-in is faster" usrhost bench Vek_Random.usr --seconds 0.01
grep -q 'reference' "$scratch/stdout" || { failures=$((failures + 1)); echo "FAIL: bench has no reference baseline"; }
if [ -e "$broken/broken_nan_output.usr" ]; then
  expect 0 "is not a Vek module" usrhost bench "$broken/broken_nan_output.usr" --seconds 0.01
  grep -q 'octaves' "$scratch/stdout" && { failures=$((failures + 1)); echo "FAIL: bench made up rows for a foreign module"; }
fi

# Golden files: the bits are compared (hex in either case), another module's file is an input
# error, and record does not write over its own input.
tr 'a-f' 'A-F' <"$golden" | sed 's/"MODULE"/"module"/; s/"SESSIONS"/"sessions"/' >"$scratch/upper.json"
sed -i 's/"Vek RANDOM"/"Vek Random"/; s/"NAME"/"name"/g; s/"ACTIONS"/"actions"/g; s/"DUMPS"/"dumps"/g' "$scratch/upper.json"
python3 - "$golden" "$scratch/upper.json" <<'PY'
import json, sys
doc = json.load(open(sys.argv[1]))
def up(v):
    if isinstance(v, str): return v.upper()
    if isinstance(v, list): return [up(e) for e in v]
    return {k: up(e) for k, e in v.items()}
for s in doc["sessions"]: s["dumps"] = [up(d) for d in s["dumps"]]
json.dump(doc, open(sys.argv[2], "w"))
PY
expect 0 "identical" usrhost compare Vek_Random.usr "$scratch/upper.json"
expect 2 "not of \"Vek Random Array\"" usrhost compare Vek_Random_Array.usr "$golden"
cp "$scratch/one.session" "$scratch/self.session"
expect 2 "name of its own" usrhost record Vek_Random.usr "$scratch/self.session" -o "$scratch/self.session"
grep -q '^set Input=1' "$scratch/self.session" || { failures=$((failures + 1)); echo "FAIL: record wrote over its input"; }

# Input limits: an endless session file stops with a clear error.
if [ -e /dev/zero ] && [ ${#emulator[@]} = 0 ]; then
  expect 2 "larger than" usrhost run Vek_Random.usr --session /dev/zero
fi
head -c 70000 /dev/zero | tr '\0' 'x' >"$scratch/long.session"
expect 2 "long.session:1: longer than" usrhost run Vek_Random.usr --session "$scratch/long.session"

# Text: file names and arguments are Unicode, text written is UTF-8, load errors are whole.
mkdir -p "$scratch/Größe ✓"
cp Vek_Random.usr "$scratch/Größe ✓/"
expect 0 "0.76807380" usrhost run "$scratch/Größe ✓/Vek_Random.usr" -s Input=3
expect 0 "" usrhost plot Vek_Random.usr --title "Größe ✓" -o "$scratch/Größe ✓/t.svg"
grep -q "Größe ✓" "$scratch/Größe ✓/t.svg" || { failures=$((failures + 1)); echo "FAIL: --title not written as UTF-8"; }
expect 2 "text.usr" usrhost info "$scratch/text.usr"
grep -q '%1' "$scratch/stderr" && { failures=$((failures + 1)); echo "FAIL: an unfilled placeholder in a load error"; }
expect 0 " nan" usrhost run Vek_Random.usr -s "Output Min=nan" -s "Output Max=nan"
grep -q -- "-nan" "$scratch/stdout" && { failures=$((failures + 1)); echo "FAIL: NaN spelt -nan"; }

# Messages: every session error names file:line; names, options and commands get suggestions.
printf 'set Octave=3\ncycle\ndump\n' >"$scratch/near.session"
expect 2 "near.session:1: no parameter \"Octave\" in \"Vek Random\"; did you mean \"Octaves\"" \
  usrhost record Vek_Random.usr "$scratch/near.session" -o "$scratch/g.json"
expect 2 "not an output" usrhost plot Vek_Random.usr --show Input -o "$scratch/s.svg"
expect 0 "" usrhost plot --show Output Vek_Random.usr -o "$scratch/s.svg"
expect 2 "did you mean run?" usrhost runn
expect 2 "did you mean --format?" usrhost run Vek_Random.usr --frmat csv
expect 2 "usrhost run --help" usrhost run Vek_Random.usr --frmat csv
expect 0 "Usage: usrhost [OPTIONS] SUBCOMMAND" usrhost help
expect 0 "Usage: usrhost run" usrhost help run
# A List takes its choice's text; a comma decimal says what the decimal mark is.
expect 0 "Integer Out" usrhost run Vek_Random_Array.usr -s "Mode=update on click" -s "Array Size=2"
expect 2 "its choices: \"Automatic Update\" (0), \"Update on Click\" (1)" usrhost run Vek_Random_Array.usr -s "Mode=Never"
expect 2 "the decimal mark is '.'" usrhost run Vek_Random.usr -s Octaves=0,5
expect 0 "the decimal mark is '.'" usrhost plot Vek_Random.usr --vary Fade=0,5 -o "$scratch/v.svg"
# Limits said where they bite.
printf 'cycle 2000000000\n' >"$scratch/cycles.session"
expect 2 "from 0 to 1000000000" usrhost run Vek_Random.usr --session "$scratch/cycles.session"
printf 'dump 3\n' >"$scratch/dump.session"
expect 2 "dump.session:1: dump takes nothing" usrhost run Vek_Random.usr --session "$scratch/dump.session"
expect 2 "FROM must not be above TO" usrhost run Vek_Random.usr --sweep Input=1:0:1
expect 2 "STEP must be above 0" usrhost run Vek_Random.usr --sweep Input=0:1:0
expect 2 "more than 1000000 steps" usrhost run Vek_Random.usr --sweep Input=0:1:1e-9
expect 2 "three numbers" usrhost run Vek_Random.usr --sweep Input=0:1
expect 0 "below float32 resolution" usrhost run Vek_Random.usr --sweep Input=100000:100000.01:0.001
usrhost run --help >"$scratch/help" 2>&1
grep -q "INT:INT\|default: 0\|\[0\]" "$scratch/help" && { failures=$((failures + 1)); echo "FAIL: run --help shows parser jargon or a wrong default"; }
# plot refuses what it cannot draw as asked.
expect 2 "needs --vary" usrhost plot Vek_Random.usr --side-by-side -o "$scratch/v.svg"
expect 2 "is the swept parameter" usrhost plot Vek_Random.usr --sweep Input=0:1:0.5 --vary Input=1,2 -o "$scratch/v.svg"
expect 2 "plot writes SVG" usrhost plot Vek_Random.usr -o "$scratch/v.png"

# Seeds the host rounds or that give poor tables are warned about; good ones are not.
expect 0 "arrives as 2147483648" usrhost run Vek_Random.usr -s "Random Seed=2147483647"
expect 0 "ends in 24 zero bits" usrhost run Vek_Random_Array.usr -s "Random Seed=16777216"
expect 0 "" usrhost run Vek_Random.usr -s "Random Seed=16777215"
grep -q "warning" "$scratch/stderr" && { failures=$((failures + 1)); echo "FAIL: a good seed was warned about"; }

# A library without every entry point: the check that says so fails, the tool does not crash.
if [ -e "$broken/broken_missing_entry_points.usr" ]; then
  expect 1 "" usrhost validate "$broken/broken_missing_entry_points.usr" --check load.entry-points
  grep -q "GetModuleInfo" "$scratch/stdout" || { failures=$((failures + 1)); echo "FAIL: missing entry points not named"; }
  # Said once; what needs the entry points is skipped.
  expect 1 "1 failed" usrhost validate "$broken/broken_missing_entry_points.usr"
  [ "$(grep -c FAIL "$scratch/stdout")" = 1 ] || { failures=$((failures + 1)); echo "FAIL: missing entry points reported more than once"; }
fi
# validate: a crash names the entry point; a failure names the inputs behind it, keeps the options
# in its reproduce line, and saves its session for run --session.
# (A sanitizer build stops the child itself at the fault, naming it in its own report instead.)
if [ -e "$broken/broken_crash_in_callback.usr" ] && [ ${#emulator[@]} = 0 ] && [[ $build != *sanitize* ]]; then
  expect 1 "in its entry point CallBack" usrhost validate "$broken/broken_crash_in_callback.usr" --check run.determinism
fi
if [ -e "$broken/broken_nan_output.usr" ]; then
  mkdir -p "$scratch/failing"
  expect 1 "is nan at snapshot" usrhost validate "$broken/broken_nan_output.usr" --check run.finite-outputs --seed 1 \
    --timeout 30 --save-failing "$scratch/failing"
  grep -q "with Input=" "$scratch/stdout" || { failures=$((failures + 1)); echo "FAIL: the inputs behind a NaN are not shown"; }
  grep -q "reproduce: .*--timeout 30" "$scratch/stdout" || { failures=$((failures + 1)); echo "FAIL: reproduce drops --timeout"; }
  expect 0 "nan" usrhost run "$broken/broken_nan_output.usr" --session "$scratch/failing/run.finite-outputs.session"
fi

echo "$passed passed, $failures failed"
[ "$failures" = 0 ]
