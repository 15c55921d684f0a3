// The image's load configuration (IMAGE_LOAD_CONFIG_DIRECTORY64, or the
// 32-bit layout on x86, up to the long-jump table), which makes the Control
// Flow Guard tables reachable from the image. The runtime we link does not
// supply one. The linker fills the __guard_* symbols; GuardFlags needs the
// absolute __guard_flags, which only assembly can place in a 32-bit field.
// x86 has no handler table: the image is marked as having no handlers.
#ifdef __i386__
#define SYMBOL(name) _##name          // C names carry an underscore on x86
#define POINTER .long
#define SIZE 0x78
#define ALIGN 2
#else
#define SYMBOL(name) name
#define POINTER .quad
#define SIZE 0xC0
#define ALIGN 3
#endif
    .section .rdata,"dr"
    .p2align ALIGN
    .globl SYMBOL(_load_config_used)
SYMBOL(_load_config_used):
    .long SIZE                          // Size
    .long 0                             // TimeDateStamp
    .short 0, 0                         // MajorVersion, MinorVersion
    .long 0, 0                          // GlobalFlagsClear, GlobalFlagsSet
    .long 0                             // CriticalSectionDefaultTimeout
    POINTER 0, 0                        // DeCommitFreeBlockThreshold, DeCommitTotalFreeThreshold
    POINTER 0                           // LockPrefixTable
    POINTER 0, 0                        // MaximumAllocationSize, VirtualMemoryThreshold
#ifdef __i386__
    .long 0, 0                          // ProcessHeapFlags, ProcessAffinityMask
#else
    .quad 0                             // ProcessAffinityMask
    .long 0                             // ProcessHeapFlags
#endif
    .short 0, 0                         // CSDVersion, DependentLoadFlags
    POINTER 0                           // EditList
    POINTER 0                           // SecurityCookie
    POINTER 0, 0                        // SEHandlerTable, SEHandlerCount
    POINTER SYMBOL(__guard_check_icall_fptr)     // GuardCFCheckFunctionPointer
    POINTER SYMBOL(__guard_dispatch_icall_fptr)  // GuardCFDispatchFunctionPointer
    POINTER SYMBOL(__guard_fids_table)           // GuardCFFunctionTable
    POINTER SYMBOL(__guard_fids_count)           // GuardCFFunctionCount
    .long SYMBOL(__guard_flags)                  // GuardFlags
    .short 0, 0                         // CodeIntegrity: Flags, Catalog
    .long 0, 0                          //   CatalogOffset, Reserved
    POINTER SYMBOL(__guard_iat_table)            // GuardAddressTakenIatEntryTable
    POINTER SYMBOL(__guard_iat_count)            // GuardAddressTakenIatEntryCount
    POINTER SYMBOL(__guard_longjmp_table)        // GuardLongJumpTargetTable
    POINTER SYMBOL(__guard_longjmp_count)        // GuardLongJumpTargetCount
load_config_end:
    .if load_config_end - SYMBOL(_load_config_used) - SIZE
    .error "the load configuration is not the size it states"
    .endif

// The check and dispatch the loader replaces with its own when the process
// enforces the guard; until then a check passes and a dispatch jumps.
    .section .00cfg,"dr"
    .p2align ALIGN
    .globl SYMBOL(__guard_check_icall_fptr)
SYMBOL(__guard_check_icall_fptr):
    POINTER guard_check_icall_nop
    .globl SYMBOL(__guard_dispatch_icall_fptr)
SYMBOL(__guard_dispatch_icall_fptr):
    POINTER guard_dispatch_icall_nop

    .text
#ifdef __aarch64__
    .p2align 2
guard_check_icall_nop:
    ret
    .p2align 2
guard_dispatch_icall_nop:  // the target is in x15
    br x15
#elif defined(__i386__)
    .p2align 4
guard_check_icall_nop:     // the target is in ecx, and stays there
    ret
    .p2align 4
guard_dispatch_icall_nop:  // x86 checks and calls; it never dispatches
    jmp *%ecx
#else
    .p2align 4
guard_check_icall_nop:
    ret
    .p2align 4
guard_dispatch_icall_nop:  // the target is in rax
    jmp *%rax
#endif
