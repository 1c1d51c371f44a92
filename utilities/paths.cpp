// Path and file-name utilities for narrow strings of the ANSI code page.
#include "../include/chimora.h"

// Size of the work string in which GetLongPathNameQv builds its result.
#define LONG_PATH_WORK 520

// The last-separator scan: position of the last byte of s equal to sep1 or
// sep2, stepping over double-byte characters so that a second byte never
// counts; -1 when there is none. The length of s goes to *len.
static int FindLastSeparator(const char* s, char sep1, char sep2, int* len)
{
    int last = -1;
    int i = 0;

    while (s[i]) {
        if (IsMultiByteChar(s + i)) {
            i += 2;
            continue;
        }
        if (s[i] == sep1 || s[i] == sep2)
            last = i;
        i++;
    }
    *len = i;
    return last;
}

// As FindLastSeparator, but a string without a separator answers 0, as
// though its first byte were one.
static int LastSeparator(const char* s, char sep1, char sep2, int* len)
{
    int last = FindLastSeparator(s, sep1, sep2, len);

    return last < 0 ? 0 : last;
}

// The first n bytes of s, terminated, into out; out may be s.
static int CopyHead(const char* s, int n, char* out)
{
    MoveMemory(out, s, n);
    out[n] = 0;
    return n;
}

// The bytes of s from position start to its end (len), terminated, into out.
static int CopyTail(const char* s, int start, int len, char* out)
{
    // With no separator in an empty string start lies past the end.
    if (start > len)
        start = len;
    MoveMemory(out, s + start, len - start + 1);
    return len - start;
}

// 1 when text holds a double quote anywhere.
static int HasSeparateSymbol(const char* text)
{
    for (; *text; text++)
        if (*text == '"')
            return 1;
    return 0;
}

int WINAPI GetDriveNumber(char* path)
{
    char work[MAX_PATH];
    int len;

    CharUpperA(path);
    len = lstrlenA(path);
    // Only the first two bytes matter; a longer path is cut to the buffer.
    if (len > MAX_PATH - 1)
        len = MAX_PATH - 1;
    ZeroMemory(work, sizeof(work));
    if (len > 0)
        CharToOemBuffA(path, work, len);
    if (work[1] != ':')
        return -1;
    return (BYTE)work[0] - 64;
}

int WINAPI GetPathName(const char* path, char* out)
{
    int len;
    int b = LastSeparator(path, '\\', '\\', &len);

    return CopyHead(path, len ? b + 1 : 0, out);
}

int WINAPI GetFileName(const char* path, char* out)
{
    int len;
    int b = LastSeparator(path, '\\', ':', &len);

    return CopyTail(path, b + 1, len, out);
}

// Everything before the last period; serves GetPathNameOnly and
// GetFileNameOnly, which differ only in what their callers pass.
static int CopyBeforeLastPeriod(const char* path, char* out)
{
    int len;

    return CopyHead(path, LastSeparator(path, '.', '.', &len), out);
}

int WINAPI GetPathNameOnly(const char* path, char* out)
{
    return CopyBeforeLastPeriod(path, out);
}

int WINAPI GetFileNameOnly(const char* name, char* out)
{
    return CopyBeforeLastPeriod(name, out);
}

int WINAPI GetFileNameExt(const char* path, char* out)
{
    int len;
    int p = LastSeparator(path, '.', '.', &len);

    return CopyTail(path, p + 1, len, out);
}

void WINAPI GetFileParam(const char* command, char* file, char* params)
{
    int i;

    for (i = 0; command[i] && command[i] != ' '; i++)
        file[i] = command[i];
    file[i] = 0;
    if (command[i])
        lstrcpyA(params, command + i + 1);
    else
        params[0] = 0;
}

char* WINAPI SplitPath(const char* path, char* drive, char* dir, char* name, char* ext)
{
    int len, b, p, start, i;

    for (i = 0; i < 2 && path[i]; i++)
        drive[i] = path[i];
    drive[i] = 0;

    b = FindLastSeparator(path, '\\', '\\', &len);
    // dir runs from byte 2 through the last backslash, the name after it;
    // without one the name follows the drive.
    if (b >= 2)
        CopyHead(path + 2, b - 1, dir);
    else
        dir[0] = 0;
    start = b + 1 > 2 ? b + 1 : 2;
    if (start > len)
        start = len;

    // Only a period inside the name starts the extension.
    p = FindLastSeparator(path, '.', '.', &len);
    if (p < start)
        p = len;
    CopyHead(path + start, p - start, name);
    CopyTail(path, p + 1, len, ext);
    return ext;
}

void WINAPI SeparatePath(const char* command, char* first, char* rest)
{
    char work[MAX_PATH];
    int len = lstrlenA(command);
    int start, stop, next, n;

    if (HasSeparateSymbol(command)) {
        // Byte 0 counts as the opening quote whatever it is.
        start = 1;
        for (stop = start; command[stop] && command[stop] != '"'; stop++)
            ;
        next = stop + 2;  // past the closing quote and one separator
    } else {
        start = 0;
        for (stop = start; command[stop] && command[stop] != ' '; stop++)
            ;
        next = stop + 1;
    }

    n = stop - start;
    if (n > MAX_PATH - 1)
        n = MAX_PATH - 1;
    CopyMemory(work, command + start, n);
    work[n] = 0;

    // rest first: first may share its buffer with command.
    if (rest) {
        if (next <= len)
            MoveMemory(rest, command + next, len - next + 1);
        else
            rest[0] = 0;
    }
    lstrcpyA(first, work);
}

char* WINAPI SetSeparateSymbol(const char* path, char* out)
{
    char work[MAX_PATH];
    int len = lstrlenA(path);

    if (HasSeparateSymbol(path)) {
        MoveMemory(out, path, len + 1);
        return out;
    }
    // Two quotes and the terminator must fit beside the path.
    if (len > MAX_PATH - 3)
        len = MAX_PATH - 3;
    work[0] = '"';
    CopyMemory(work + 1, path, len);
    work[len + 1] = '"';
    work[len + 2] = 0;
    lstrcpyA(out, work);
    return out;
}

char* WINAPI DelSeparateSymbol(const char* path, char* out)
{
    char work[MAX_PATH];
    int len = lstrlenA(path);
    int n;

    if (!HasSeparateSymbol(path)) {
        MoveMemory(out, path, len + 1);
        return out;
    }
    // The first and last bytes are the quotes; a lone quote leaves nothing.
    n = len - 2;
    if (n < 0)
        n = 0;
    if (n > MAX_PATH - 1)
        n = MAX_PATH - 1;
    CopyMemory(work, path + 1, n);
    work[n] = 0;
    lstrcpyA(out, work);
    return out;
}

// The long name of the first n bytes of path as the file system reports it,
// into out (MAX_PATH bytes). 1 when found; 0 and an empty out when not.
static int GetLongComponentName(const char* path, int n, char* out)
{
    char work[MAX_PATH];
    WIN32_FIND_DATAA found;
    HANDLE search;

    out[0] = 0;
    if (n > MAX_PATH - 1)
        n = MAX_PATH - 1;
    CopyMemory(work, path, n);
    work[n] = 0;
    search = FindFirstFileA(work, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    lstrcpynA(out, found.cFileName, MAX_PATH);
    FindClose(search);
    return 1;
}

// Length of the part of path that is kept as written, not looked up: a
// drive "D:" with its backslash, "\\server\share\", or a leading backslash.
static int RootLength(const char* path, int len)
{
    int i, seen;

    if (len >= 2 && path[1] == ':' && !IsMultiByteChar(path))
        return len > 2 && path[2] == '\\' ? 3 : 2;
    if (path[0] != '\\')
        return 0;
    if (path[1] != '\\')
        return 1;
    // A server and share name cannot be searched for.
    for (i = 2, seen = 0; i < len; i++) {
        if (IsMultiByteChar(path + i)) {
            i++;
            continue;
        }
        if (path[i] == '\\' && ++seen == 2)
            return i + 1;
    }
    return len;
}

// Appends the n bytes of text to the work string, cut to fit it.
static void AppendWork(char* work, int* used, const char* text, int n)
{
    if (n > LONG_PATH_WORK - 1 - *used)
        n = LONG_PATH_WORK - 1 - *used;
    CopyMemory(work + *used, text, n);
    *used += n;
}

int WINAPI GetLongPathNameQv(const char* path, char* out, int outSize)
{
    char name[MAX_PATH];
    char* work;
    int len, used = 0, start, i, n;

    work = (char*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, LONG_PATH_WORK);
    if (!work)
        return 0;
    len = lstrlenA(path);
    if (len > MAX_PATH - 1)
        len = MAX_PATH - 1;

    start = RootLength(path, len);
    AppendWork(work, &used, path, start);
    // Each component is looked up by the caller's prefix that ends with it;
    // an empty component (a doubled or final backslash) has no name.
    for (i = start; i <= len; i++) {
        if (i < len - 1 && IsMultiByteChar(path + i)) {
            i++;
            continue;
        }
        if (i < len && path[i] != '\\')
            continue;
        if (i > start) {
            GetLongComponentName(path, i, name);
            AppendWork(work, &used, name, lstrlenA(name));
        }
        if (i < len)
            AppendWork(work, &used, "\\", 1);
        start = i + 1;
    }

    n = 0;
    if (outSize > 0) {
        n = used < outSize - 1 ? used : outSize - 1;
        CopyMemory(out, work, n);
        out[n] = 0;
    }
    HeapFree(GetProcessHeap(), 0, work);
    return n;
}
