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
// ANSI code page and the next byte lies in 0x01..0xFE. A terminator at p
// answers 0 without reading on; a terminator after p answers 0.
int WINAPI IsMultiByteChar(const char* p);

// Copies src into dest up to the stop byte (low byte of stop), the end, or
// count bytes; a lead byte of a double-byte character never stops the copy.
// dest holds count + 1 bytes. Returns the copied length.
int WINAPI lstrxcpy(char* dest, const char* src, int stop, int count);

// Copies src without its trailing spaces, at most limit + 1 bytes, into dest
// (limit + 2 bytes). Returns the copied length.
int WINAPI lstrcpyspc(char* dest, const char* src, int limit);

// As lstrcpyspc, but drops trailing '0' digits instead of spaces.
int WINAPI lstrcpyzc(char* dest, const char* src, int limit);

// Copies the command-line argument at the start of src into dest (count + 1
// bytes): up to a space outside double quotes, the end, or count bytes.
// The quotes are kept. Returns the copied length.
int WINAPI StringArgCopy(char* dest, const char* src, int count);

// Splits src at the delimiter byte (low byte of delim) into up to count
// buffers given after count, each of limit + 1 bytes; longer fields are cut.
// Buffers the source does not reach are left alone. Compares bytes only.
void __cdecl _SplitString(const char* src, int delim, int limit, int count, ...);

// Reads "x y" (decimal numbers, one byte apart) into pt. A field takes at
// most 8 bytes; fields past the end of text read as 0.
void WINAPI GetPointData(const char* text, POINT* pt);

// Reads "left top right bottom" into rc, as GetPointData does.
void WINAPI GetRectData(const char* text, RECT* rc);

#ifdef __cplusplus
}
#endif

#endif
