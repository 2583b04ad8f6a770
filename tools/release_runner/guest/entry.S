# The far-call target. The x86_64 side's trampoline has pushed the address of Shared (8 bytes),
# then its far call the return address and code selector (4 bytes each).
        .text
        .code32
        .globl guest_entry
guest_entry:
        push %ebp
        mov %esp, %ebp
        mov $7, %eax            # kThreadBlockSelector: the C runtime reads its thread block via fs
        mov %eax, %fs
        cld
        mov 12(%ebp), %eax
        and $-16, %esp
        sub $12, %esp
        push %eax
        call GuestDispatch
        mov %ebp, %esp
        pop %ebp
        lret
        .section .note.GNU-stack,"",@progbits
