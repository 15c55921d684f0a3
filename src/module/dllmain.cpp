// Library entry point. All state is static and initialised from the image,
// so there is nothing to do on any notification.
#include <cstdint>

extern "C" int DllMain(void*, uint32_t, void*) { return 1; }
