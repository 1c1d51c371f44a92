/*
 * The part of the Windows headers that chimora.h and the package test's
 * MSVC-ABI programs use: this machine has no Windows SDK. The types and the
 * calling convention are those of the Windows headers for x86.
 */
#ifndef CHIMORA_TEST_WINDOWS_H
#define CHIMORA_TEST_WINDOWS_H

#define WINAPI __stdcall
#define MAX_PATH 260

typedef struct HWND__* HWND;
typedef struct tagPOINT { long x; long y; } POINT;
typedef struct tagRECT { long left; long top; long right; long bottom; } RECT;

#ifdef __cplusplus
extern "C"
#endif
__declspec(dllimport) void WINAPI ExitProcess(unsigned int code);

#endif
