#!/usr/bin/env bash
# Every usrhost command that README.md and docs/ show in a shell block runs as written, from the
# folder that holds the plug-ins, and exits 0. The files the examples name are made first.
#   doc_commands_test.sh SOURCE_DIR BUILD_DIR [EMULATOR...]
set -uo pipefail
source_dir=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
shift 2
emulator=("$@")
tool="$build/tools/usrhost/usrhost"
[ -x "$tool.exe" ] && tool="$tool.exe"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/modules/"*.usr "$work/"
cp "$work/Vek_Random.usr" "$work/Some_Module.usr"
printf 'set Input=2.5\ncycle\ndump\nset Octaves=3\ncycle 2\ndump\n' >"$work/my-session.txt"
cp "$work/my-session.txt" "$work/a.session"
printf 'set Fade=0.5\nset Input=-7.25\ncycle\ndump\n' >"$work/b.session"
cd "$work" || exit 1

# What a few documented commands must print, not only that they succeed: COMMAND<TAB>TEXT.
declare -A shows=(
  ["usrhost run Vek_Random.usr -s Input=3"]="0.76807380"
  ["usrhost info Vek_Random_Array.usr"]="\"Float Out\""
  ["usrhost compare Vek_Random.usr golden.json"]="identical"
  ["usrhost bench Vek_Random.usr"]="above 1 the plug-in is faster"
  ["usrhost run Vek_Random_Array.usr"]="Integer Out"
)

failures=0 passed=0
declare -A seen=()
while IFS= read -r line; do
  command=${line%%#*}            # the comment after the command
  # Quoted arguments as a shell reads them.
  eval "args=(${command#usrhost })"
  [ "${args[0]}" = bench ] && args+=(--seconds 0.05)  # the same command, a shorter budget
  key=$(echo "$command" | sed 's/ *$//')
  [ -n "${shows[$key]:-}" ] && seen[$key]=1
  if "${emulator[@]}" "$tool" "${args[@]}" >"$work/out" 2>"$work/err" </dev/null; then
    if [ -n "${shows[$key]:-}" ] && ! grep -qF -- "${shows[$key]}" "$work/out"; then
      failures=$((failures + 1))
      echo "FAIL: $command printed no '${shows[$key]}'"
      continue
    fi
    passed=$((passed + 1))
  else
    failures=$((failures + 1))
    echo "FAIL ($?): $command"
    sed 's/^/      /' "$work/err" | head -3
  fi
done < <(for f in "$source_dir/README.md" "$source_dir"/docs/*.md; do
           awk '/^```sh/{on=1; next} /^```/{on=0} on && /^usrhost /' "$f"
         done | sort -u | sort -t' ' -k2,2 -s | awk '{ if ($2 == "compare") later[n++] = $0; else print } END { for (i = 0; i < n; i++) print later[i] }')

# A reworded doc line must not silently drop the check of what it prints.
for key in "${!shows[@]}"; do
  if [ -z "${seen[$key]:-}" ]; then
    failures=$((failures + 1))
    echo "FAIL: no documented command reads '$key' any more: update the expected output above"
  fi
done

echo "$passed passed, $failures failed"
[ "$failures" = 0 ] && [ "$passed" -gt 0 ]
