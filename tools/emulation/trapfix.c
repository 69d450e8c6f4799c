/* Preloaded into the 32-bit processes that qemu-i386 runs (qemu up to 10.0). qemu hands signal handlers
 * a trap number of -1, so Wine reads every access violation as an illegal instruction and its own pointer
 * probing crashes. This wraps Wine's fault handlers and fills in the trap number that the kernel would
 * have given, from the signal and its si_code. Built freestanding: no 32-bit C library is needed to link;
 * dlsym comes from the process's own libc at load time. */

#define SIGILL 4
#define SIGTRAP 5
#define SIGBUS 7
#define SIGFPE 8
#define SIGSEGV 11
#define SA_SIGINFO 4
#define SI_KERNEL 0x80
#define TRAP_BRKPT 1
#define FPE_INTDIV 1

/* i386 Linux: the x86 trap numbers, and where the ucontext keeps them (gregs[12] and gregs[13]). */
enum {
    kTrapDivide = 0,
    kTrapDebug = 1,
    kTrapBreakpoint = 3,
    kTrapInvalidOpcode = 6,
    kTrapProtection = 13,
    kTrapPageFault = 14,
    kTrapFloatingPoint = 16
};
enum { kGregsOffset = 20, kTrapNo = 12, kErr = 13 };

typedef void (*Handler)(int, void*, void*);
struct SigAction { /* glibc's i386 struct sigaction */
    Handler handler;
    unsigned long mask[32];
    int flags;
    void (*restorer)(void);
};

extern void* dlsym(void* handle, const char* name);
#define RTLD_NEXT ((void*)-1)

static Handler wrapped[32];

static int TrapNumber(int sig, int code) {
    switch (sig) {
        case SIGSEGV:
            return code == SI_KERNEL ? kTrapProtection : kTrapPageFault;
        case SIGBUS:
            return kTrapProtection;
        case SIGILL:
            return kTrapInvalidOpcode;
        case SIGFPE:
            return code == FPE_INTDIV ? kTrapDivide : kTrapFloatingPoint;
        default:
            return code == TRAP_BRKPT ? kTrapBreakpoint : kTrapDebug;
    }
}

static void FixTrap(int sig, void* info, void* context) {
    int* gregs = (int*)((char*)context + kGregsOffset);
    if (gregs[kTrapNo] == -1) {
        gregs[kTrapNo] = TrapNumber(sig, ((int*)info)[2]);
        if (gregs[kErr] == -1) gregs[kErr] = 0;
    }
    wrapped[sig](sig, info, context);
}

static int IsFault(int sig) {
    return sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE || sig == SIGTRAP;
}

int sigaction(int sig, const struct SigAction* act, struct SigAction* old) {
    static int (*next)(int, const struct SigAction*, struct SigAction*);
    struct SigAction copy;
    Handler previous;
    int result;
    if (!next) next = (int (*)(int, const struct SigAction*, struct SigAction*))dlsym(RTLD_NEXT, "sigaction");
    if (sig <= 0 || sig >= 32 || !IsFault(sig)) return next(sig, act, old);
    previous = wrapped[sig];
    if (act && (act->flags & SA_SIGINFO)) {
        copy = *act;
        wrapped[sig] = act->handler;
        copy.handler = FixTrap;
        act = &copy;
    }
    result = next(sig, act, old);
    if (old && old->handler == FixTrap) old->handler = previous;
    return result;
}
