# Copied into a page below 4 GB before use: the far call's return address must fit 32 bits.
# void compat_trampoline(uint32_t entry, uint32_t stack_top, uint32_t argument, uint64_t fs_base)
        .section .rodata
        .globl compat_trampoline_start, compat_trampoline_end
        .p2align 4
compat_trampoline_start:
        push %rbx
        push %rbp
        push %r12
        push %r13
        push %r14
        push %r15
        mov %rsp, saved_rsp(%rip)
        mov %rcx, saved_fs(%rip)
        mov %edi, far_target(%rip)
        movl $0x23, far_target+4(%rip)   # the 32-bit user code segment
        mov $0x2b, %eax                   # flat 32-bit data
        mov %eax, %ds
        mov %eax, %es
        mov %esi, %esp
        push %rdx
        lcall *far_target(%rip)
        mov saved_rsp(%rip), %rsp
        # The C library's thread pointer, before anything can use it.
        mov $158, %eax                    # arch_prctl
        mov $0x1002, %edi                 # ARCH_SET_FS
        mov saved_fs(%rip), %rsi
        syscall
        pop %r15
        pop %r14
        pop %r13
        pop %r12
        pop %rbp
        pop %rbx
        ret
        .p2align 3
far_target: .long 0, 0
saved_rsp: .quad 0
saved_fs: .quad 0
compat_trampoline_end:
        .section .note.GNU-stack,"",@progbits
