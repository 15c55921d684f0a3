// Library entry point. All state is static and initialised from the image,
// so there is nothing to do on any notification. Built without a C runtime
// (the release), this is the image's entry itself: nothing but it runs in
// the host's process when the module loads. The loader calls it as
// stdcall, which only 32-bit x86 tells apart.
#include <stdint.h>

#ifdef ORVALINDE_NO_CRT
extern "C" int __stdcall DllMainCRTStartup(void*, uint32_t, void*) { return 1; }
#else
extern "C" int __stdcall DllMain(void*, uint32_t, void*) { return 1; }
#endif
