// Path and file-name utilities for narrow strings of the ANSI code page.
// Scans for a backslash, colon or period step over double-byte characters;
// scans for a space or double quote compare single bytes. The double quote
// is the separate symbol: a string holding one counts as enclosed in quotes.
#ifndef CHIMORA_PATHS_H
#define CHIMORA_PATHS_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Upper-cases path in place and returns its drive number, 1 for A to 26 for
// Z, read from the OEM form of its first byte; -1 when byte 2 is no colon.
int WINAPI GetDriveNumber(char* path);

// Copies the directory part of path, up to and including its last backslash,
// into out and returns its length. Without a backslash: the first byte.
// out holds path's length + 1 and may be path itself.
int WINAPI GetPathName(const char* path, char* out);

// Copies what follows the last backslash or colon of path into out and
// returns its length. Without either: all but the first byte.
int WINAPI GetFileName(const char* path, char* out);

// Copies path up to, not including, its last period into out and returns
// its length (0 without a period). out may be path itself.
int WINAPI GetPathNameOnly(const char* path, char* out);

// Copies what follows the last period of path into out and returns its
// length. Without a period: all but the first byte.
int WINAPI GetFileNameExt(const char* path, char* out);

// Copies name up to, not including, its last period into out and returns
// its length (0 without a period). out may be name itself.
int WINAPI GetFileNameOnly(const char* name, char* out);

// Splits command at its first space: the program into file, what follows
// that one space into params (empty without a space). Quotes are not read.
void WINAPI GetFileParam(const char* command, char* file, char* params);

// Splits "D:\dir\name.ext" into drive (3 bytes: "D:"), dir ("\dir\"), name
// and ext (without the period). A period before the last backslash is no
// extension. Returns ext.
char* WINAPI SplitPath(const char* path, char* drive, char* dir, char* name, char* ext);

// Splits command into its program (first; unquoted, at most 259 bytes) and
// what follows the program and one separator byte (rest, when not null).
void WINAPI SeparatePath(const char* command, char* first, char* rest);

// Encloses path (at most 257 bytes) in double quotes into out, unless it
// holds a double quote already. Returns out; out may be path itself.
char* WINAPI SetSeparateSymbol(const char* path, char* out);

// Copies a quoted path without its first and last bytes into out (at most
// 258 bytes), any other path unchanged. Returns out; out may be path itself.
char* WINAPI DelSeparateSymbol(const char* path, char* out);

// Expands path (at most 259 bytes read) component by component to the long
// names the file system reports, into out of outSize bytes, cut to fit.
// A component not found contributes an empty name. Returns out's length;
// 0 when no work area can be had.
int WINAPI GetLongPathNameQv(const char* path, char* out, int outSize);

#ifdef __cplusplus
}
#endif

#endif
