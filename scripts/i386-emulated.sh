#!/usr/bin/env bash
# Exits 0 where 32-bit x86 programs run under qemu's user-mode emulator (registered by
# scripts/enable-i386.sh on kernels without 32-bit support), 1 where they run on the CPU. The one
# place that tells the two apart: the test and bench scripts and the CMake build all ask it.
grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386
