// Path and file-name utilities for narrow strings of the ANSI code page.
// Scans for a backslash, colon or period step over double-byte characters.
#ifndef CHIMORA_PATHS_H
#define CHIMORA_PATHS_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Copies the directory part of path, up to and including its last backslash,
// into out and returns its length. Without a backslash: the first byte.
// out holds path's length + 1 and may be path itself.
int WINAPI GetPathName(const char* path, char* out);

// Copies what follows the last backslash or colon of path into out and
// returns its length. Without either: all but the first byte.
int WINAPI GetFileName(const char* path, char* out);

// Copies name up to, not including, its last period into out and returns
// its length (0 without a period). out may be name itself.
int WINAPI GetFileNameOnly(const char* name, char* out);

#ifdef __cplusplus
}
#endif

#endif
