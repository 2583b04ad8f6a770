#!/usr/bin/env bash
# Makes sure this machine can run 32-bit x86 Linux programs: the i686 tests, wine32 and the i686
# fuzzers all need it. Some kernels are booted with 32-bit emulation off; there the programs run
# under qemu's user-mode emulator, registered with binfmt_misc so that every exec finds it.
# Does nothing when 32-bit programs already run.
set -euo pipefail

probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
printf 'int main(void) { return 42; }\n' > "$probe_dir/probe.c"
gcc -m32 -static -o "$probe_dir/probe" "$probe_dir/probe.c"
status=0
"$probe_dir/probe" 2>/dev/null || status=$?
[ "$status" = 42 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if ! [ -x /usr/bin/qemu-i386-static ]; then
  echo "this kernel does not run 32-bit programs; installing qemu-user-static to run them"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null
fi
binfmt=/proc/sys/fs/binfmt_misc
if ! [ -e "$binfmt/register" ]; then
  $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
fi
if ! [ -e "$binfmt/qemu-i386" ]; then
  # ELF32, little-endian, i386, executables and shared objects (PIE); F opens the emulator now,
  # so it is found whatever the program's root or environment.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" | $SUDO tee "$binfmt/register" >/dev/null
fi
[ "$(cat "$binfmt/qemu-i386" | head -1)" = enabled ] || echo 1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null
status=0
"$probe_dir/probe" 2>/dev/null || status=$?
if [ "$status" != 42 ]; then
  echo "error: 32-bit x86 programs cannot run on this machine, not even under qemu-i386" >&2
  exit 1
fi
echo "32-bit x86 programs run under qemu-i386 on this machine (the kernel's own 32-bit support is off)"
