# Where the kernel cannot run 32-bit programs, scripts/enable-i386.sh has them run under qemu's
# user-mode emulator; some tests then trim what the emulator makes slow or unreliable.
execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/i386-emulated.sh RESULT_VARIABLE not_emulated)
if(not_emulated EQUAL 0)
  set(VEK_I386_EMULATED ON)
else()
  set(VEK_I386_EMULATED OFF)
endif()
