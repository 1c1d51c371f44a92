/* The part of the C runtime's string.h the package test's programs use; msvcrt.dll has it. */
#ifndef CHIMORA_TEST_STRING_H
#define CHIMORA_TEST_STRING_H
#ifdef __cplusplus
extern "C" {
#endif
typedef __SIZE_TYPE__ size_t;
int __cdecl strcmp(const char* a, const char* b);
size_t __cdecl strlen(const char* s);
#ifdef __cplusplus
}
#endif
#endif
