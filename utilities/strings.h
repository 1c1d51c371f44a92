// Internal declarations of the string utilities; the exports are in the
// public header.
#ifndef CHIMORA_STRINGS_H
#define CHIMORA_STRINGS_H

#include "../include/chimora.h"

#ifdef __cplusplus
extern "C" {
#endif

// Takes the lead-byte set of the ANSI code page. Called once at load.
void InitLeadByteSet(void);

#ifdef __cplusplus
}
#endif

#endif
