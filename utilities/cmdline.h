// Command-line arguments, the open-file dialog's multiple selection and the
// product name of a file's version resource.
#ifndef CHIMORA_CMDLINE_H
#define CHIMORA_CMDLINE_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// The number of space-separated arguments in command; a space inside double
// quotes separates nothing, nor does a space in the last position. 0 for
// the empty string.
int WINAPI GetCountArgument(const char* command);

// Copies argument number index (0 is the first) of command, quotes kept,
// into out (260 bytes), cut to 259 bytes; the empty string when there is
// no such argument. Returns 1.
int WINAPI GetArgumentFileName(const char* command, int index, char* out);

// Splits the open-file dialog's multiple-selection buffer into the
// directory (dir) and the list of file names (names, each followed by a
// NUL, one more NUL after the last), 260 bytes each. Returns the number of
// files; 0 when the first 260 bytes hold no NUL (nothing is written then).
int WINAPI GetMultiSelectFileInfo(const char* buffer, char* dir, char* names);

// The number of names in a list of NUL-terminated names closed by a second
// NUL; at most the first 260 bytes are read. 0 for an empty list.
int WINAPI GetMultiFileCount(const char* list);

// Copies at most maxLen bytes of the ProductName in path's version resource
// into out (maxLen + 1 bytes) and returns 1; without one, copies the file's
// name without directory and extension and returns 0.
int WINAPI GetProductName(const char* path, char* out, int maxLen);

#ifdef __cplusplus
}
#endif

#endif
