/*
 * Chimora.dll (installed as Chimora.vxm): the seven host exports and the
 * utilities. Every export is undecorated and uses the Windows standard
 * calling convention (WINAPI), except _SplitString: cdecl, variable arguments.
 *
 * Strings are narrow, in the ANSI code page (932 on a Japanese system).
 * Utilities write to caller buffers they are not told the size of (except
 * GetLongPathNameQv and GetProductName) and check nothing: each contract
 * states what the caller provides. Lengths are in bytes, terminator not
 * counted; a routine that produces a string returns its length.
 *
 * The DLL is 32-bit (x86) only. Link with Chimora.lib (MSVC, clang-cl) or
 * libChimora.dll.a (mingw), or use the CMake package (find_package(Chimora));
 * the program then loads Chimora.dll.
 */
#ifndef CHIMORA_H
#define CHIMORA_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------- host
 * The host's entry points, ordinals 1 to 7. SetParentWindow comes before
 * StartModule and Setting; all of them run on the host's GUI thread. */

/* Always 1: tells the host that this library is one of its modules. */
int WINAPI QueryVTAModule(void);
/* Hands over the host's main window, which owns the minute timer and the
 * settings dialog. */
void WINAPI SetParentWindow(HWND window);
/* The stored enable setting as it is; nonzero means enabled. */
int WINAPI IsModuleEnable(void);
/* Copies the module title into title (at least 80 bytes) and returns its
 * length; 0 when it cannot be loaded or title is null. */
int WINAPI GetTitleName(char* title);
/* Runs the settings dialog over the host window; returns 1 after OK, 0 after
 * Cancel or close. The timer is re-armed after OK when enabled, unless the
 * host called StopModule while the dialog was open. While the dialog is
 * open, a further call opens none, changes nothing and returns 0. */
int WINAPI Setting(void);
/* Arms the minute timer on the window handed over; 1 when armed, 0 when the
 * module is disabled or no window has been handed over. */
int WINAPI StartModule(void);
/* Kills the minute timer, on the window it was armed on; nonzero when a
 * timer was removed. Call it before FreeLibrary. */
int WINAPI StopModule(void);

/* ---------------------------------------------------------------- strings
 * Copy and parsing. Only IsMultiByteChar, lstrxcpy and StringArgCopy heed
 * double-byte characters; the trim copies and _SplitString compare bytes. */

/* 1 when a double-byte character starts at p: a lead byte of the ANSI code
 * page followed by a byte from 0x01 to 0xFE; otherwise 0. */
int WINAPI IsMultiByteChar(const char* p);
/* Copies src into dest (count + 1 bytes) up to the byte stop (its low byte),
 * the end or count bytes; a lead byte never stops it. Returns the length. */
int WINAPI lstrxcpy(char* dest, const char* src, int stop, int count);
/* Copies src without its trailing spaces, at most limit + 1 bytes, into dest
 * (limit + 2 bytes). Returns the copied length. */
int WINAPI lstrcpyspc(char* dest, const char* src, int limit);
/* As lstrcpyspc, but drops trailing '0' digits instead of spaces. */
int WINAPI lstrcpyzc(char* dest, const char* src, int limit);
/* Copies the argument at the start of src, quotes kept, into dest (count + 1
 * bytes): up to a space outside quotes, the end or count bytes. Returns its length. */
int WINAPI StringArgCopy(char* dest, const char* src, int count);
/* Splits src at the byte delim into count buffers (char*, limit + 1 bytes each)
 * given after count; longer fields are cut, buffers not reached are left alone. */
void __cdecl _SplitString(const char* src, int delim, int limit, int count, ...);
/* Reads "x y" (decimal numbers, one separator byte apart) into pt; a field
 * takes at most 8 bytes, fields past the end read as 0. */
void WINAPI GetPointData(const char* text, POINT* pt);
/* Reads "left top right bottom" into rc, as GetPointData does. */
void WINAPI GetRectData(const char* text, RECT* rc);

/* ---------------------------------------------------------------- paths
 * Paths of at most 260 bytes with the terminator (MAX_PATH). Scans for a
 * backslash, colon or period step over double-byte characters; scans for a
 * space or double quote compare bytes. The double quote is the "separate
 * symbol": a path holding one counts as enclosed in quotes. */

/* Upper-cases path in place and returns its drive number (1 for A to 26 for
 * Z); -1 when its second byte is no colon. */
int WINAPI GetDriveNumber(char* path);
/* Copies path up to and including its last backslash into out (path's length
 * + 1 bytes; may be path) and returns the length. No backslash: the first byte. */
int WINAPI GetPathName(const char* path, char* out);
/* Copies what follows the last backslash or colon of path into out and
 * returns its length. Without either: all but the first byte. */
int WINAPI GetFileName(const char* path, char* out);
/* Copies path up to, not including, its last period into out (may be path)
 * and returns the length; 0 without a period. */
int WINAPI GetPathNameOnly(const char* path, char* out);
/* Copies what follows the last period of path into out and returns its
 * length. Without a period: all but the first byte. */
int WINAPI GetFileNameExt(const char* path, char* out);
/* Copies name up to, not including, its last period into out (may be name)
 * and returns the length; 0 without a period. */
int WINAPI GetFileNameOnly(const char* name, char* out);
/* Splits command at its first space: the program into file, the rest after
 * that space into params (empty without a space). Quotes are not read. */
void WINAPI GetFileParam(const char* command, char* file, char* params);
/* Splits "D:\dir\name.ext" into drive (3 bytes), dir ("\dir\"), name and ext
 * (no period; a period before the last backslash is none). Returns ext. */
char* WINAPI SplitPath(const char* path, char* drive, char* dir, char* name, char* ext);
/* Puts the program of command, unquoted, into first (260 bytes) and what follows
 * it and one separator byte into rest (skipped when rest is NULL). */
void WINAPI SeparatePath(const char* command, char* first, char* rest);
/* Encloses path (at most 257 bytes) in double quotes into out (may be path),
 * unless it holds one already. Returns out. */
char* WINAPI SetSeparateSymbol(const char* path, char* out);
/* Copies a quoted path (at most 258 bytes) without its first and last bytes
 * into out (may be path), any other path unchanged. Returns out. */
char* WINAPI DelSeparateSymbol(const char* path, char* out);
/* Expands path to the long names the file system reports into out (outSize
 * bytes, cut to fit); a component not found gives an empty name. Returns the length. */
int WINAPI GetLongPathNameQv(const char* path, char* out, int outSize);

/* ---------------------------------------------------------------- dates
 * Digit texts; each digit counts by its low four bits. Day ranges and DLTime
 * read wall-clock time nine hours ahead of UTC, whatever the local zone. */

/* Reads the 10-byte text "YYYY?MM?DD" (any separators) into date[0..2] as
 * year, month, day. Returns text + 10. */
const char* WINAPI GetStrToDate(const char* text, int* date);
/* Reads the 8-byte text "hh?mm?ss" into time[0..2] as hour, minute, second.
 * Returns text + 8. */
const char* WINAPI GetStrToTime(const char* text, int* time);
/* Seconds since 1970-01-01 00:00:00 UTC of the 14 digits "YYYYMMDDhhmmss";
 * every year divisible by 4 is a leap year. x87 extended, returned in ST0;
 * MSVC's long double is a double, read from ST0: exact, as results are whole. */
long double WINAPI DLTime(const char* text);
/* 1 when now lies between 00:00:00 of day first and 23:59:59 of day last
 * ("YYYYMMDD" each), both included; otherwise 0. */
int WINAPI CheckDateArea(const char* first, const char* last);

/* ---------------------------------------------------------------- command line
 * Arguments separated by spaces; a space inside double quotes separates nothing. */

/* The number of arguments in command; 0 for the empty string. A space in the
 * last position starts no argument. */
int WINAPI GetCountArgument(const char* command);
/* Copies argument index (0 is the first) of command, quotes kept, into out
 * (260 bytes), cut to 259 bytes; empty when there is none. Returns 1. */
int WINAPI GetArgumentFileName(const char* command, int index, char* out);
/* Splits an open-file dialog's multiple selection into dir and names (260 bytes
 * each, names NUL-separated, NUL-closed). Returns the count; 0 if 260 bytes hold no NUL. */
int WINAPI GetMultiSelectFileInfo(const char* buffer, char* dir, char* names);
/* The number of names in a list of NUL-terminated names closed by a second
 * NUL; reads at most 260 bytes. 0 for an empty list. */
int WINAPI GetMultiFileCount(const char* list);
/* Copies at most maxLen bytes of the ProductName of path's version resource into
 * out (maxLen + 1 bytes), returns 1; else the bare file name, returns 0. */
int WINAPI GetProductName(const char* path, char* out, int maxLen);

#ifdef __cplusplus
}
#endif

#endif /* CHIMORA_H */
