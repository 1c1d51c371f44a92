#include "pe_image.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

const IMAGE_NT_HEADERS32* NtHeaders(const BYTE* base)
{
    return reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
}

template <typename T> const T* At(HMODULE module, DWORD rva)
{
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + rva);
}

const AllowedImports* FindAllowed(const AllowedImports* allowed, size_t count, const char* library)
{
    for (size_t i = 0; i < count; i++)
        if (lstrcmpiA(allowed[i].library, library) == 0)
            return &allowed[i];
    return nullptr;
}

}  // namespace

std::vector<BYTE> ImageFileBytes(const std::string& path)
{
    std::vector<BYTE> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    BYTE buffer[4096];
    DWORD got;
    while (ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    CloseHandle(file);
    return bytes;
}

void ExpectXPLoadableHardenedHeader(const std::string& path)
{
    SCOPED_TRACE(path);
    std::vector<BYTE> bytes = ImageFileBytes(path);
    ASSERT_GT(bytes.size(), sizeof(IMAGE_DOS_HEADER));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LE(dos->e_lfanew + sizeof(IMAGE_NT_HEADERS32), bytes.size());
    const IMAGE_NT_HEADERS32* nt = NtHeaders(bytes.data());
    ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
    const IMAGE_OPTIONAL_HEADER32& optional = nt->OptionalHeader;

    struct Field { const char* name; DWORD got; DWORD want; };
    const Field fields[] = {
        {"DllCharacteristics: DYNAMIC_BASE, NX_COMPAT, NO_SEH", optional.DllCharacteristics,
         IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_NX_COMPAT |
             IMAGE_DLLCHARACTERISTICS_NO_SEH},
        {"MajorOperatingSystemVersion", optional.MajorOperatingSystemVersion, 5},
        {"MinorOperatingSystemVersion", optional.MinorOperatingSystemVersion, 1},
        {"MajorSubsystemVersion", optional.MajorSubsystemVersion, 5},
        {"MinorSubsystemVersion", optional.MinorSubsystemVersion, 1},
        {"Subsystem", optional.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI},
        {"relocations stripped", (DWORD)(nt->FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED), 0},
    };
    for (const Field& field : fields)
        EXPECT_EQ(field.got, field.want) << field.name;
    // ASLR moves the image only with its relocations.
    EXPECT_GT(optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size, 0u);
}

void ExpectOnlyAllowedImports(HMODULE base, const AllowedImports* allowed, size_t count)
{
    const IMAGE_DATA_DIRECTORY& dir =
        NtHeaders(reinterpret_cast<const BYTE*>(base))->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    int imported = 0;
    for (const IMAGE_IMPORT_DESCRIPTOR* d = At<IMAGE_IMPORT_DESCRIPTOR>(base, dir.VirtualAddress);
         d->Name != 0; d++) {
        const char* library = At<char>(base, d->Name);
        SCOPED_TRACE(library);
        const AllowedImports* list = FindAllowed(allowed, count, library);
        EXPECT_NE(list, nullptr) << "library not on the allow-list";
        // The name table; the address table may already be bound to the functions.
        for (const IMAGE_THUNK_DATA32* t = At<IMAGE_THUNK_DATA32>(base, d->OriginalFirstThunk);
             t->u1.AddressOfData != 0; t++, imported++) {
            std::string function = IMAGE_SNAP_BY_ORDINAL32(t->u1.Ordinal)
                ? "#" + std::to_string(IMAGE_ORDINAL32(t->u1.Ordinal))
                : std::string(At<IMAGE_IMPORT_BY_NAME>(base, t->u1.AddressOfData)->Name);
            if (list)
                EXPECT_TRUE(list->functions.count(function)) << function << " is not on the allow-list";
        }
    }
    EXPECT_GT(imported, 0);
}

void ExpectSmallAndStripped(const std::string& path)
{
    SCOPED_TRACE(path);
    std::vector<BYTE> bytes = ImageFileBytes(path);
    ASSERT_GT(bytes.size(), sizeof(IMAGE_DOS_HEADER));
    EXPECT_LE(bytes.size(), 32u * 1024) << "bytes";
    const IMAGE_NT_HEADERS32* nt = NtHeaders(bytes.data());
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    ASSERT_GT(nt->FileHeader.NumberOfSections, 0);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; i++, section++) {
        // Long section names, as debug sections have, sit in a string table
        // and show here as "/n".
        std::string name(reinterpret_cast<const char*>(section->Name),
                         strnlen(reinterpret_cast<const char*>(section->Name), IMAGE_SIZEOF_SHORT_NAME));
        EXPECT_NE(name.rfind(".debug", 0), 0u) << name;
        EXPECT_NE(name[0], '/') << name;
    }
    EXPECT_EQ(nt->FileHeader.PointerToSymbolTable, 0u) << "symbols not stripped";
    EXPECT_EQ(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DEBUG].Size, 0u);
}
