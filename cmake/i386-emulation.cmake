# Where the kernel cannot run 32-bit programs, scripts/enable-i386.sh has them run under qemu's
# user-mode emulator; some tests then trim what the emulator makes slow or unreliable.
set(VEK_I386_EMULATED OFF)
if(EXISTS /proc/sys/fs/binfmt_misc/qemu-i386)
  file(STRINGS /proc/sys/fs/binfmt_misc/qemu-i386 binfmt_state LIMIT_COUNT 1)
  if(binfmt_state STREQUAL "enabled")
    set(VEK_I386_EMULATED ON)
  endif()
endif()
