#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, skipping what is already there.
# Safe to run again; does nothing when everything is present.
set -euo pipefail

packages=(
  cmake ninja-build g++ g++-multilib
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev valgrind
  libcli11-dev nlohmann-json3-dev libc6-dbg:i386 libxml2-utils zip python3-markdown
  wine wine32:i386
)
want_i386=0
for p in "${packages[@]}"; do [[ $p == *:i386 ]] && want_i386=1; done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
install_missing() {
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  if [ "$want_i386" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  echo "installing: ${missing[*]}"
  # A mirror in the middle of a sync fails one index now and then: try again, then go on with
  # what was fetched (the install below says clearly if a package is really unavailable).
  for attempt in 1 2 3; do
    $SUDO apt-get update -qq && break
    echo "apt-get update failed (attempt $attempt); retrying" >&2
    sleep 10
  done
  if ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    # When one architecture's security index failed to download, the other's libraries are a
    # version ahead and the i386 ones cannot match them: install from the main archive alone.
    echo "installing again from the main archive only (without the security suite)" >&2
    local parts
    parts=$(mktemp -d)
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -e "$f" ] && grep -v 'security' "$f" >"$parts/$(basename "$f").list" || true
    done
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -e "$f" ] && awk 'BEGIN { RS = ""; ORS = "\n\n" } !/security/' "$f" >"$parts/$(basename "$f")" || true
    done
    local only_main=(-o "Dir::Etc::SourceParts=$parts" -o Dir::Etc::SourceList=/dev/null)
    $SUDO apt-get update -qq "${only_main[@]}" || true
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${only_main[@]}" \
      "${missing[@]}" >/dev/null
    rm -rf "$parts"
  fi
}
[ ${#missing[@]} -eq 0 ] || install_missing
bash "$(dirname "$0")/enable-i386.sh"
