// Checks of a shipped Windows image, the module or the tray program, as the
// user gets it: header fields, the import table against a list of what
// Windows XP SP3 has, size and sections. Shared by their tests.
#ifndef CHIMORA_PE_IMAGE_H
#define CHIMORA_PE_IMAGE_H

#include <windows.h>

#include <set>
#include <string>
#include <vector>

// Every function an image may import from one library; an ordinal import
// is written "#n".
struct AllowedImports {
    const char* library;
    std::set<std::string> functions;
};

// The file's bytes; empty when it cannot be read.
std::vector<BYTE> ImageFileBytes(const std::string& path);

// The file's header asks for ASLR with the relocations it needs, NX, no
// exception handlers (NO_SEH), OS and subsystem version 5.01 and the GUI
// subsystem.
void ExpectXPLoadableHardenedHeader(const std::string& path);

// Each import of the image mapped at base (a loaded module, or an image
// mapped without resolving its imports) is on the list; the image imports
// something.
void ExpectOnlyAllowedImports(HMODULE base, const AllowedImports* allowed, size_t count);

// The file holds at most 32 KiB, no debug sections, no symbols and no
// debug directory.
void ExpectSmallAndStripped(const std::string& path);

#endif
