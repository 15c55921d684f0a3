// What a compiler may call on its own for block copies and fills, for the
// build without a C runtime. Compiled with -fno-builtin, so that these loops
// are not themselves turned into calls to the functions they define.
#include <stddef.h>

extern "C" {

void* memset(void* destination, int value, size_t size) {
    unsigned char* d = static_cast<unsigned char*>(destination);
    while (size-- != 0) *d++ = static_cast<unsigned char>(value);
    return destination;
}

void* memcpy(void* destination, const void* source, size_t size) {
    unsigned char* d = static_cast<unsigned char*>(destination);
    const unsigned char* s = static_cast<const unsigned char*>(source);
    while (size-- != 0) *d++ = *s++;
    return destination;
}

void* memmove(void* destination, const void* source, size_t size) {
    unsigned char* d = static_cast<unsigned char*>(destination);
    const unsigned char* s = static_cast<const unsigned char*>(source);
    if (d < s) {
        while (size-- != 0) *d++ = *s++;
    } else {
        while (size-- != 0) d[size] = s[size];
    }
    return destination;
}

int memcmp(const void* a, const void* b, size_t size) {
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (; size != 0; --size, ++x, ++y)
        if (*x != *y) return *x < *y ? -1 : 1;
    return 0;
}

}  // extern "C"
