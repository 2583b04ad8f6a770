#!/usr/bin/env bash
# What the release files export and import, read with the platform's own binary tools.
#   check_release_files.sh linux   Vek_Random.usr Vek_Random_Array.usr
#   check_release_files.sh windows Vek_Random.usr Vek_Random_Array.usr usrhost.exe
set -euo pipefail
platform=$1; shift
expected="CallBack Create CreateLayout Destroy GetChunkLen GetImplementation GetModuleInfo GetParamInfo GetSDKVersion InitModule LayoutHasChanged MouseDown MouseDownMultiProc MouseMove MouseMoveMultiProc MouseUp MouseUpMultiProc Paint Process Resize SetEventAddress"
do_nothing="CreateLayout LayoutHasChanged MouseDown MouseDownMultiProc MouseMove MouseMoveMultiProc MouseUp MouseUpMultiProc Paint Resize"
fail=0
say() { echo "FAIL: $*"; fail=1; }

check_exports() {  # file, "name address" lines
  local file=$1 table=$2 base process_shared=0
  [[ $(basename "$file") == Vek_Random_Array.usr ]] && process_shared=1
  names=$(awk '{print $1}' <<<"$table" | sort | tr '\n' ' ' | sed 's/ $//')
  [[ "$names" == "$expected" ]] || say "$file exports [$names], expected [$expected]"
  base=$(awk '$1=="CreateLayout"{print $2}' <<<"$table")
  for n in $do_nothing; do
    a=$(awk -v n="$n" '$1==n{print $2}' <<<"$table")
    [[ "$a" == "$base" ]] || say "$file: $n at $a, CreateLayout at $base"
  done
  p=$(awk '$1=="Process"{print $2}' <<<"$table")
  if [[ $process_shared == 1 ]]; then
    [[ "$p" == "$base" ]] || say "$file: Process must be the do-nothing function"
  else
    [[ "$p" != "$base" ]] || say "$file: Process must do work"
  fi
}

case $platform in
  linux)
    for f in "$@"; do
      table=$(nm -D --defined-only "$f" | awk '{print $3, $1}')
      check_exports "$f" "$table"
      soname=$(readelf -d "$f" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
      [[ "$soname" == "$(basename "$f")" ]] || say "$f: SONAME '$soname'"
      readelf -h "$f" | grep -q 'ELF32' || say "$f is not a 32-bit ELF"
    done ;;
  windows)
    objdump=i686-w64-mingw32-objdump
    for f in "$@"; do
      dump=$($objdump -p "$f")
      imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u)
      for dll in $imports; do
        case $dll in
          kernel32.dll|msvcrt.dll|user32.dll|advapi32.dll|ws2_32.dll|shell32.dll|ole32.dll|api-ms-win-*) ;;
          *) say "$f imports $dll, which is not a Windows system DLL" ;;
        esac
      done
      [[ $f == *.usr ]] || continue
      name=$(sed -n 's/^Name\s\+[0-9a-f]\+\s\+//p' <<<"$dump")
      [[ "$name" == "$(basename "$f")" ]] || say "$f: export table name '$name'"
      # "[ n] +base[ m] RVA Export RVA" rows, in ordinal order, joined with the name table.
      rvas=$(sed -n 's/^\s*\[\s*\([0-9]\+\)\] +base\[\s*[0-9]\+\]\s\+\([0-9a-f]\+\) Export RVA/\1 \2/p' <<<"$dump")
      ords=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^\s*\[\s*\([0-9]\+\)\] \(\S\+\)$/\1 \2/p')
      table=$(join <(sort -k1,1 <<<"$ords") <(sort -k1,1 <<<"$rvas") | awk '{print $2, $3}')
      check_exports "$f" "$table"
    done ;;
esac
[[ $fail == 0 ]] && echo "release files: exports and imports as expected"
exit $fail
