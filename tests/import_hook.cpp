#include "import_hook.h"

static void* At(HMODULE module, DWORD rva)
{
    return reinterpret_cast<BYTE*>(module) + rva;
}

void** FindImportSlot(HMODULE module, const char* library, const char* name, WORD ordinal)
{
    const IMAGE_DOS_HEADER* dos = static_cast<const IMAGE_DOS_HEADER*>(At(module, 0));
    const IMAGE_NT_HEADERS32* nt = static_cast<const IMAGE_NT_HEADERS32*>(At(module, dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];

    if (dir.VirtualAddress == 0)
        return NULL;
    for (const IMAGE_IMPORT_DESCRIPTOR* d = static_cast<const IMAGE_IMPORT_DESCRIPTOR*>(At(module, dir.VirtualAddress));
         d->Name != 0; d++) {
        if (lstrcmpiA(static_cast<const char*>(At(module, d->Name)), library) != 0)
            continue;
        // The lookup table keeps the names and ordinals; the address table
        // beside it holds the bound addresses.
        const IMAGE_THUNK_DATA32* lookup = static_cast<const IMAGE_THUNK_DATA32*>(
            At(module, d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        void** slots = static_cast<void**>(At(module, d->FirstThunk));
        for (int i = 0; lookup[i].u1.AddressOfData != 0; i++) {
            DWORD entry = lookup[i].u1.AddressOfData;
            if (entry & IMAGE_ORDINAL_FLAG32) {
                if (!name && IMAGE_ORDINAL32(entry) == ordinal)
                    return &slots[i];
            } else if (name) {
                const IMAGE_IMPORT_BY_NAME* byName = static_cast<const IMAGE_IMPORT_BY_NAME*>(At(module, entry));
                if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), name) == 0)
                    return &slots[i];
            }
        }
    }
    return NULL;
}

ImportHook::ImportHook() : original(NULL), slot(NULL) {}

ImportHook::~ImportHook() { Remove(); }

static void WriteSlot(void** slot, void* value)
{
    DWORD protection;
    VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
    *slot = value;
    VirtualProtect(slot, sizeof(*slot), protection, &protection);
}

bool ImportHook::Install(HMODULE module, const char* library, const char* name, WORD ordinal,
                         void* replacement)
{
    Remove();
    slot = FindImportSlot(module, library, name, ordinal);
    if (!slot)
        return false;
    original = *slot;
    WriteSlot(slot, replacement);
    return true;
}

void ImportHook::Remove()
{
    if (slot)
        WriteSlot(slot, original);
    slot = NULL;
}

void ImportHook::Abandon()
{
    slot = NULL;
}
