// The image's load configuration (IMAGE_LOAD_CONFIG_DIRECTORY64, up to the
// long-jump table), which makes the Control Flow Guard tables reachable from
// the image. The runtime we link does not supply one. The linker fills the
// __guard_* symbols; GuardFlags needs the absolute __guard_flags, which only
// assembly can place in a 32-bit field.
    .section .rdata,"dr"
    .p2align 3
    .globl _load_config_used
_load_config_used:
    .long 0xC0                          // Size
    .long 0                             // TimeDateStamp
    .short 0, 0                         // MajorVersion, MinorVersion
    .long 0, 0                          // GlobalFlagsClear, GlobalFlagsSet
    .long 0                             // CriticalSectionDefaultTimeout
    .quad 0, 0                          // DeCommitFreeBlockThreshold, DeCommitTotalFreeThreshold
    .quad 0                             // LockPrefixTable
    .quad 0, 0, 0                       // MaximumAllocationSize, VirtualMemoryThreshold, ProcessAffinityMask
    .long 0                             // ProcessHeapFlags
    .short 0, 0                         // CSDVersion, DependentLoadFlags
    .quad 0                             // EditList
    .quad 0                             // SecurityCookie
    .quad 0, 0                          // SEHandlerTable, SEHandlerCount (x86 only)
    .quad __guard_check_icall_fptr      // GuardCFCheckFunctionPointer
    .quad __guard_dispatch_icall_fptr   // GuardCFDispatchFunctionPointer
    .quad __guard_fids_table            // GuardCFFunctionTable
    .quad __guard_fids_count            // GuardCFFunctionCount
    .long __guard_flags                 // GuardFlags
    .short 0, 0                         // CodeIntegrity: Flags, Catalog
    .long 0, 0                          //   CatalogOffset, Reserved
    .quad __guard_iat_table             // GuardAddressTakenIatEntryTable
    .quad __guard_iat_count             // GuardAddressTakenIatEntryCount
    .quad __guard_longjmp_table         // GuardLongJumpTargetTable
    .quad __guard_longjmp_count         // GuardLongJumpTargetCount
_load_config_end:
    .if _load_config_end - _load_config_used - 0xC0
    .error "the load configuration is not 0xC0 bytes"
    .endif

// The check and dispatch the loader replaces with its own when the process
// enforces the guard; until then a check passes and a dispatch jumps.
    .section .00cfg,"dr"
    .p2align 3
    .globl __guard_check_icall_fptr
__guard_check_icall_fptr:
    .quad guard_check_icall_nop
    .globl __guard_dispatch_icall_fptr
__guard_dispatch_icall_fptr:
    .quad guard_dispatch_icall_nop

    .text
#ifdef __aarch64__
    .p2align 2
guard_check_icall_nop:
    ret
    .p2align 2
guard_dispatch_icall_nop:  // the target is in x15
    br x15
#else
    .p2align 4
guard_check_icall_nop:
    ret
    .p2align 4
guard_dispatch_icall_nop:  // the target is in rax
    jmp *%rax
#endif
