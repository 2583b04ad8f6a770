#!/usr/bin/env bash
# Makes the downloadable releases: one zip per platform with both plug-ins, usrhost, the user
# guide with its pictures and an install note, named with the project's version (the CMake
# project version, which usrhost --version reports). Builds what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export WINEDEBUG=-all
for preset in linux-x86 windows-x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target Vek_Random Vek_Random_Array usrhost
done
# The CMake project version, read where it is written (usrhost --version reports the same).
version=$(sed -n "s/^project(VekRandom VERSION \([0-9.]*\).*/\1/p" CMakeLists.txt)
[ -n "$version" ] || { echo "release.sh: no project version in CMakeLists.txt" >&2; exit 1; }
bash scripts/make-docs.sh >/dev/null
mkdir -p build/release

package() {  # platform, build dir, tool file, strip program, line end (lf or crlf), install note
  local platform=$1 dir=$2 tool=$3 strip=$4 eol=$5 note=$6
  local name="vek-random-$version-$platform"
  local stage="build/release/$name"
  rm -rf "$stage" "build/release/$name.zip"
  mkdir -p "$stage/docs/pictures"
  cp "$dir/modules/Vek_Random_Array.usr" "$dir/modules/Vek_Random.usr" "$dir/tools/usrhost/$tool" "$stage/"
  # The builds keep debug information; the release files do not need it.
  "$strip" "$stage"/*.usr "$stage/$tool"
  cp docs/guide.md docs/usrhost.md "$stage/docs/"
  cp docs/pictures/*.svg "$stage/docs/pictures/"
  # The same pages as HTML, for a double-click to open in a browser.
  bash scripts/make-docs.sh --html "$stage/docs" >/dev/null
  cp LICENSE "$stage/LICENSE.txt"
  printf '%s\n' "$note" > "$stage/INSTALL.txt"
  if [ "$eol" = crlf ]; then  # what Windows editors expect
    sed -i 's/$/\r/' "$stage/INSTALL.txt" "$stage/LICENSE.txt"
  fi
  (cd build/release && zip -qr "$name.zip" "$name")
  echo "build/release/$name.zip"
}

package windows-x86 build/windows-x86 usrhost.exe i686-w64-mingw32-strip crlf "Vek Random $version for the 32-bit Windows host.

Install: copy Vek_Random_Array.usr and Vek_Random.usr into the host's folder for user modules and
restart the host. They need no other files.

usrhost.exe drives the plug-ins outside the host: 'usrhost.exe info Vek_Random.usr',
'usrhost.exe plot Vek_Random.usr --sweep Input=0:10:0.01 -o noise.svg',
'usrhost.exe validate Vek_Random_Array.usr'. The user guide is docs\\guide.html (open it in a web
browser); usrhost's commands, session files, validate levels and exit statuses are in
docs\\usrhost.html. Both are also there as Markdown (.md). MIT licence: LICENSE.txt."

package linux-x86 build/linux-x86 usrhost strip lf "Vek Random $version, 32-bit Linux build.

The plug-ins are the same code as the Windows release and give the same bits. usrhost drives them:
'./usrhost info Vek_Random.usr', './usrhost run Vek_Random_Array.usr --press \"Calculate Array\"',
'./usrhost validate Vek_Random.usr'. The user guide is docs/guide.html (open it in a web browser);
usrhost's commands, session files, validate levels and exit statuses are in docs/usrhost.html.
Both are also there as Markdown (.md). MIT licence: LICENSE.txt.

usrhost and the plug-ins are 32-bit programs: they need the 32-bit C runtime, and usrhost also the
32-bit C++ runtime (on Debian and Ubuntu: dpkg --add-architecture i386, then
apt-get install libc6:i386 libstdc++6:i386)."
