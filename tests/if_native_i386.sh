#!/usr/bin/env bash
# Runs a command only where 32-bit x86 programs run on the CPU itself. Under qemu's user-mode
# emulator (registered by scripts/enable-i386.sh on kernels without 32-bit support) tools such as
# valgrind, which translate machine code themselves, cannot work: the test is skipped (status 77).
if bash "$(dirname "$0")/../scripts/i386-emulated.sh"; then
  echo "skipped: 32-bit programs run under qemu-i386 here, and $(basename "$1") cannot run under it"
  exit 77
fi
exec "$@"
