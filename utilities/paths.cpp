// Path and file-name utilities for narrow strings of the ANSI code page.
#include "paths.h"
#include "strings.h"

// The last-separator scan: position of the last byte of s equal to sep1 or
// sep2, stepping over double-byte characters so that a second byte never
// counts. 0 when there is none, as though the first byte were one. The
// length of s goes to *len.
static int LastSeparator(const char* s, char sep1, char sep2, int* len)
{
    int last = 0;
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

int WINAPI GetFileNameOnly(const char* name, char* out)
{
    int len;

    return CopyHead(name, LastSeparator(name, '.', '.', &len), out);
}
