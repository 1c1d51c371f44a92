// The two memory routines the compiler may call on its own (to clear or
// copy a structure), since no C runtime is linked. Built without the
// optimisation that would turn these very loops into calls of themselves.
#include <stddef.h>

extern "C" void* memset(void* destination, int value, size_t count)
{
    unsigned char* out = static_cast<unsigned char*>(destination);
    while (count--)
        *out++ = static_cast<unsigned char>(value);
    return destination;
}

extern "C" void* memcpy(void* destination, const void* source, size_t count)
{
    unsigned char* out = static_cast<unsigned char*>(destination);
    const unsigned char* in = static_cast<const unsigned char*>(source);
    while (count--)
        *out++ = *in++;
    return destination;
}
