/* The guest image: one flat block at a fixed low address, header first. */
ENTRY(guest_entry)
SECTIONS
{
  . = 0x20000000;
  .header : { KEEP(*(.guest_header)) }
  .text : { *(.text .text.*) }
  .rodata : { *(.rodata .rodata.*) }
  .data : { *(.data .data.*) }
  . = ALIGN(16);
  guest_image_data_end = .;
  .bss : { *(.bss .bss.* COMMON) }
  . = ALIGN(4096);
  guest_image_end = .;
  /DISCARD/ : { *(.note*) *(.comment) *(.eh_frame*) *(.gnu.hash) *(.dynsym) *(.dynstr) *(.dynamic) *(.interp) }
}
