// String copy and parsing utilities, code-page aware.
#ifndef CHIMORA_STRINGS_H
#define CHIMORA_STRINGS_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Takes the lead-byte set of the ANSI code page. Called once at load.
void InitLeadByteSet(void);

// 1 when a double-byte character starts at p: p holds a lead byte of the
// ANSI code page and the next byte lies in 0x01..0xFE. A terminator after
// p answers 0 without p itself being examined.
int WINAPI IsMultiByteChar(const char* p);

#ifdef __cplusplus
}
#endif

#endif
