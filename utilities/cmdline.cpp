// Command-line arguments, the open-file dialog's multiple selection and the
// product name of a file's version resource.
#include "../include/chimora.h"

// String tables asked for the product name, first answer wins: Japanese
// before English, the system's code page before Unicode.
static const char* const ProductNameKeys[] = {
    "\\StringFileInfo\\041103A4\\ProductName",
    "\\StringFileInfo\\041104B0\\ProductName",
    "\\StringFileInfo\\040904E4\\ProductName",
    "\\StringFileInfo\\040904B0\\ProductName",
};

// The position where the argument that starts at pos ends: a space outside
// double quotes, or the terminator. A lead byte is never a space or a
// quote, but the byte after it is compared like any other.
static int ArgumentEnd(const char* command, int pos)
{
    int quoted = 0;

    for (; command[pos]; pos++) {
        if (IsMultiByteChar(command + pos))
            continue;
        if (command[pos] == '"')
            quoted = !quoted;
        else if (command[pos] == ' ' && !quoted)
            break;
    }
    return pos;
}

int WINAPI GetCountArgument(const char* command)
{
    int count, pos;

    if (!command[0])
        return 0;
    count = 1;
    pos = ArgumentEnd(command, 0);
    // A space in the last position separates nothing.
    while (command[pos] && command[pos + 1]) {
        count++;
        pos = ArgumentEnd(command, pos + 1);
    }
    return count;
}

int WINAPI GetArgumentFileName(const char* command, int index, char* out)
{
    int pos = 0, i;

    if (index < 0 || index >= GetCountArgument(command)) {
        out[0] = 0;
        return 1;
    }
    // Step over whole arguments, so one that out cannot hold does not shift
    // the ones after it.
    for (i = 0; i < index; i++)
        pos = ArgumentEnd(command, pos) + 1;
    StringArgCopy(out, command + pos, MAX_PATH - 1);
    return 1;
}

int WINAPI GetMultiFileCount(const char* list)
{
    int count = 0, i;

    if (!list[0])
        return 0;
    for (i = 0; i < MAX_PATH; i++) {
        if (list[i])
            continue;
        count++;
        if (i + 1 < MAX_PATH && !list[i + 1])
            break;
    }
    return count;
}

int WINAPI GetMultiSelectFileInfo(const char* buffer, char* dir, char* names)
{
    int first, last, i;

    for (first = 0; first < MAX_PATH && buffer[first]; first++)
        ;
    if (first == MAX_PATH)
        return 0;

    // A second NUL closes the buffer: nothing, or one full path. The pair
    // may begin at the window's last byte, so this may read byte 260.
    if (!buffer[first + 1]) {
        if (first == 0) {
            dir[0] = 0;
            names[0] = 0;
            return 0;
        }
        GetPathName(buffer, dir);
        i = GetFileName(buffer, names);
        names[i + 1] = 0;
        return 1;
    }

    // The directory, then the names. Only names whose NUL lies within the
    // first 260 bytes are taken; the list gets its closing NUL here.
    lstrcpyA(dir, buffer);
    last = first;
    for (i = first + 1; i < MAX_PATH; i++) {
        if (buffer[i])
            continue;
        if (!buffer[i - 1])
            break;
        last = i;
    }
    CopyMemory(names, buffer + first + 1, last - first);
    names[last - first] = 0;
    return GetMultiFileCount(names);
}

// At most maxLen bytes of text, terminated, into out; nothing when maxLen is
// negative, as out then holds no byte.
static void CopyLimited(char* out, const char* text, int maxLen)
{
    int n;

    if (maxLen < 0)
        return;
    for (n = 0; n < maxLen && text[n]; n++)
        out[n] = text[n];
    out[n] = 0;
}

int WINAPI GetProductName(const char* path, char* out, int maxLen)
{
    char name[MAX_PATH];
    DWORD size, unused;
    void* block;
    char* value;
    UINT valueLen;
    int found = 0, i;

    size = GetFileVersionInfoSizeA(path, &unused);
    if (size) {
        block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
        if (block) {
            if (GetFileVersionInfoA(path, 0, size, block))
                for (i = 0; i < 4 && !found; i++)
                    found = VerQueryValueA(block, ProductNameKeys[i], (void**)&value, &valueLen);
            // The value lives in the block: copy it before the block goes.
            if (found)
                CopyLimited(out, value, maxLen);
            HeapFree(GetProcessHeap(), 0, block);
        }
    }
    if (found)
        return 1;

    // The file's bare name stands in. A path too long for a file name of
    // MAX_PATH bytes leaves it empty.
    name[0] = 0;
    if (lstrlenA(path) < MAX_PATH) {
        GetFileName(path, name);
        GetFileNameOnly(name, name);
    }
    CopyLimited(out, name, maxLen);
    return 0;
}
