#!/usr/bin/env bash
# What the release files export and import, read with the platform's own binary tools. A plug-in
# is a guest in the host's process, so each must also stay small, import only what the allow-list
# in data/ names (Windows) or need nothing but the C library (Linux), declare Windows XP in its
# header, and bring no thread-local storage of its own.
#   check_release_files.sh linux   Vek_Random.usr Vek_Random_Array.usr
#   check_release_files.sh windows Vek_Random.usr Vek_Random_Array.usr usrhost.exe
#   check_release_files.sh linux --sanitized ...   a sanitizer build: its runtimes are allowed, no size budget
#   check_release_files.sh linux --process-does-nothing Vek_Random_Array.usr ...
#     a module without a cycle (its build says so): its Process is the do-nothing function
# Give the built files, not stripped ones: their symbols name where an unwanted import comes from.
set -euo pipefail
platform=$1; shift
sanitized=0
[[ ${1:-} == --sanitized ]] && { sanitized=1; shift; }
process_does_nothing=" "
while [[ ${1:-} == --process-does-nothing ]]; do process_does_nothing+="$2 "; shift 2; done
here=$(cd "$(dirname "$0")" && pwd)
allow_list=$here/data/windows-plugin-imports.txt
size_budget=49152  # bytes, each stripped plug-in file
# The entry points, from the one list the build and the stand-in also read.
entry_list=$here/../host/entry_point_list.hpp
expected=$(sed -n 's/^ *USR_\(ENTRY\|DOES_NOTHING\)(\([A-Za-z]*\)).*/\2/p' "$entry_list" | sort | tr '\n' ' ' | sed 's/ $//')
do_nothing=$(sed -n 's/^ *USR_DOES_NOTHING(\([A-Za-z]*\)).*/\1/p' "$entry_list" | tr '\n' ' ')
written=$(sed -n '/#define/,$p' "$entry_list" | grep -o 'USR_\(ENTRY\|DOES_NOTHING\)([A-Za-z]*)' | wc -l)
[[ $(wc -w <<<"$expected") == "$written" ]] || { echo "FAIL: read $(wc -w <<<"$expected") of $written entry points from $entry_list"; exit 1; }
first_do_nothing=${do_nothing%% *}
fail=0
say() { echo "FAIL: $*"; fail=1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

check_exports() {  # file, "name address" lines
  local file=$1 table=$2 base process_shared=0
  [[ "$process_does_nothing" == *" $(basename "$file") "* ]] && process_shared=1
  names=$(awk '{print $1}' <<<"$table" | sort | tr '\n' ' ' | sed 's/ $//')
  [[ "$names" == "$expected" ]] || say "$file exports [$names], expected [$expected]"
  base=$(awk -v n="$first_do_nothing" '$1==n{print $2}' <<<"$table")
  for n in $do_nothing; do
    a=$(awk -v n="$n" '$1==n{print $2}' <<<"$table")
    [[ "$a" == "$base" ]] || say "$file: $n at $a, $first_do_nothing at $base"
  done
  p=$(awk '$1=="Process"{print $2}' <<<"$table")
  if [[ $process_shared == 1 ]]; then
    [[ "$p" == "$base" ]] || say "$file: Process must be the do-nothing function"
  else
    [[ "$p" != "$base" ]] || say "$file: Process must do work"
  fi
}

check_size() {  # file, strip program
  local file=$1 strip=$2 copy=$scratch/stripped size
  ((sanitized)) && return
  "$strip" -o "$copy" "$file"
  size=$(stat -c %s "$copy")
  ((size <= size_budget)) || say "$file is $size bytes stripped, over the budget of $size_budget"
  echo "$(basename "$file"): $size bytes stripped"
}

# --- Windows: PE files read with objdump, words read at file offsets ---
objdump=i686-w64-mingw32-objdump

u32_at() {  # file, offset: the little-endian 32-bit word there, in decimal
  od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '
}

va_to_offset() {  # section table (objdump -h), address: the file offset holding it, empty if none
  local idx name size vma lma off rest
  while read -r idx name size vma lma off rest; do
    [[ $idx =~ ^[0-9]+$ && -n "$off" ]] || continue
    if (($2 >= 16#$vma && $2 < 16#$vma + 16#$size && 16#$off > 0)); then
      echo $((16#$off + $2 - 16#$vma))
      return
    fi
  done <<<"$1"
}

# Functions whose code uses an import: callers of the import's address, and of the import's
# jump stub when the one user is that stub.
users_of_import() {  # disassembly, import address, import name
  local users
  users=$(awk -v addr="0x$2" '/^[0-9a-f]+ <.*>:$/ {fn = $0; sub(/^[0-9a-f]+ </, "", fn); sub(/>:$/, "", fn); next}
                             index($0, addr) && fn !~ /^(\.|$)/ {print fn}' <<<"$1" | sort -u)
  if [[ "$users" == "$3" || "$users" == "$3@"* ]]; then
    users=$(awk -v stub="<$users>" '/^[0-9a-f]+ <.*>:$/ {fn = $0; sub(/^[0-9a-f]+ </, "", fn); sub(/>:$/, "", fn); next}
                                   index($0, stub) && fn !~ /^(\.|$)/ {print fn}' <<<"$1" | sort -u)
  fi
  paste -sd'|' <<<"$users" | sed 's/|/; /g'
}

check_imports() {  # file, objdump -p output
  local file=$1 dump=$2 disassembly="" symbols="" dll name address users count=0
  while read -r dll name; do
    count=$((count + 1))
    grep -qixF "$dll $name" <(grep -v '^\s*\(#\|$\)' "$allow_list") && continue
    [[ -n "$disassembly" ]] || disassembly=$($objdump -d -C "$file")
    [[ -n "$symbols" ]] || symbols=$(i686-w64-mingw32-nm "$file")
    address=$(awk -v n="$name" '$2 == "I" && ($3 == "__imp__" n || index($3, "__imp__" n "@") == 1) {print $1; exit}' <<<"$symbols")
    users=""
    [[ -n "$address" ]] && users=$(users_of_import "$disassembly" "$address" "$name")
    say "$file imports $dll $name, which $(basename "$allow_list") does not allow${users:+; used by: $users}"
  done < <(awk '/^[ \t]*DLL Name: / {dll = $3; next}
                /^\t[0-9a-f]+\t +[0-9]+ +[^ ]+$/ && dll != "" {print dll, $NF}
                /^$/ {dll = ""}' <<<"$dump")
  echo "$(basename "$file"): $count imports"
}

check_os_version() {  # file, objdump -p output
  local field value
  for field in MajorOSystemVersion:5 MinorOSystemVersion:1 MajorSubsystemVersion:5 MinorSubsystemVersion:1; do
    value=$(awk -v f="${field%%:*}" '$1 == f {print $2 + 0; exit}' <<<"$2")
    [[ "$value" == "${field#*:}" ]] || say "$1: $field expected (Windows XP), header says ${value:-nothing}"
  done
}

# The C runtime's TLS directory is allowed; any TLS callback but its own is not.
check_tls() {  # file, objdump -p output
  local file=$1 dump=$2 rva base sections symbols dir callbacks va name
  rva=$(awk '$1 == "Entry" && $2 == "9" {print $3; exit}' <<<"$dump")
  [[ -n "$rva" && $((16#$rva)) != 0 ]] || return 0
  base=$(awk '$1 == "ImageBase" {print $2; exit}' <<<"$dump")
  sections=$($objdump -h "$file")
  dir=$(va_to_offset "$sections" $((16#$base + 16#$rva)))
  [[ -n "$dir" ]] || { say "$file: TLS directory outside every section"; return; }
  callbacks=$(va_to_offset "$sections" "$(u32_at "$file" $((dir + 12)))")
  [[ -n "$callbacks" ]] || return 0
  symbols=$(i686-w64-mingw32-nm "$file")
  while :; do
    va=$(u32_at "$file" "$callbacks")
    [[ -n "$va" && "$va" != 0 ]] || break
    name=$(awk -v a="$(printf '%08x' "$va")" '$1 == a && $2 ~ /[tT]/ && $3 !~ /^\./ {print $3; exit}' <<<"$symbols")
    case $name in
      ___dyn_tls_init@12|___dyn_tls_dtor@12) ;;  # the C runtime's own
      *) say "$file has a TLS callback at $(printf '0x%08x' "$va") (${name:-unknown}) that is not the C runtime's" ;;
    esac
    callbacks=$((callbacks + 4))
  done
}

# --- Linux ---
allowed_needed="libc.so.6 libm.so.6"
((sanitized)) && allowed_needed+=" libasan.so.* libubsan.so.*"

check_needed() {  # file
  local file=$1 lib allowed tag symbols patterns
  read -ra patterns <<<"$allowed_needed"
  for lib in $(readelf -d "$file" | sed -n 's/.*(NEEDED).*Shared library: \[\(.*\)\]/\1/p'); do
    for allowed in "${patterns[@]}"; do
      # shellcheck disable=SC2053  # a pattern
      [[ $lib == $allowed ]] && continue 2
    done
    case $lib in
      libstdc++*) tag='GLIBCXX_\|CXXABI_' ;;
      libgcc_s*) tag='GCC_' ;;
      *) tag='' ;;
    esac
    symbols=""
    [[ -n "$tag" ]] && symbols=$(nm -D --undefined-only "$file" | awk '{print $2}' | grep "@\($tag\)" | c++filt | paste -sd'|' | sed 's/|/; /g')
    say "$file needs $lib; only $allowed_needed are allowed${symbols:+; for: $symbols}"
  done
}

case $platform in
  linux)
    for f in "$@"; do
      table=$(nm -D --defined-only "$f" | awk '{print $3, $1}')
      check_exports "$f" "$table"
      soname=$(readelf -d "$f" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
      [[ "$soname" == "$(basename "$f")" ]] || say "$f: SONAME '$soname'"
      readelf -h "$f" | grep -q 'ELF32' || say "$f is not a 32-bit ELF"
      check_needed "$f"
      readelf -lW "$f" | grep -q '^\s*TLS\s' && say "$f has thread-local storage"
      check_size "$f" strip
    done ;;
  windows)
    for f in "$@"; do
      dump=$($objdump -p "$f")
      imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u)
      for dll in $imports; do
        case $dll in
          kernel32.dll|msvcrt.dll|user32.dll|advapi32.dll|ws2_32.dll|shell32.dll|ole32.dll|api-ms-win-*) ;;
          *) say "$f imports $dll, which is not a Windows system DLL" ;;
        esac
      done
      [[ $f == *.usr ]] || continue  # usrhost.exe may import what it needs from the system
      name=$(sed -n 's/^Name\s\+[0-9a-f]\+\s\+//p' <<<"$dump")
      [[ "$name" == "$(basename "$f")" ]] || say "$f: export table name '$name'"
      # "[ n] +base[ m] RVA Export RVA" rows, in ordinal order, joined with the name table.
      rvas=$(sed -n 's/^\s*\[\s*\([0-9]\+\)\] +base\[\s*[0-9]\+\]\s\+\([0-9a-f]\+\) Export RVA/\1 \2/p' <<<"$dump")
      ords=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^\s*\[\s*\([0-9]\+\)\] \(\S\+\)$/\1 \2/p')
      table=$(join <(sort -k1,1 <<<"$ords") <(sort -k1,1 <<<"$rvas") | awk '{print $2, $3}')
      check_exports "$f" "$table"
      check_imports "$f" "$dump"
      check_os_version "$f" "$dump"
      check_tls "$f" "$dump"
      check_size "$f" i686-w64-mingw32-strip
    done ;;
esac
[[ $fail == 0 ]] && echo "release files: exports, imports, size and headers as expected"
exit $fail
