/* The smallest i386 Linux program: exits with status 0. If it cannot start, this machine cannot run
 * 32-bit code natively. */
void _start(void) {
    __asm__ volatile("movl $1, %eax\n\txorl %ebx, %ebx\n\tint $0x80");
}
