/* The part of the C runtime's stdio.h the package test's programs use; msvcrt.dll has it. */
#ifndef CHIMORA_TEST_STDIO_H
#define CHIMORA_TEST_STDIO_H
#ifdef __cplusplus
extern "C" {
#endif
int __cdecl printf(const char* format, ...);
int __cdecl _flushall(void);
#ifdef __cplusplus
}
#endif
#endif
