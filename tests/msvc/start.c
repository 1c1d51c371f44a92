/*
 * The entry point of the package test's MSVC-ABI programs, which link no C
 * runtime library: runs main, flushes msvcrt's streams and exits with
 * main's result.
 */
#include <stdio.h>
#include <windows.h>

int main(void);

/* The compiler refers to this mark in every object that uses floating point;
 * the C runtime library defines it. */
int _fltused;

void __cdecl mainCRTStartup(void)
{
    int result = main();
    _flushall();
    ExitProcess((unsigned int)result);
}
