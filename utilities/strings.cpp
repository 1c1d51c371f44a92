// String copy and parsing utilities, code-page aware.
#include "strings.h"

#include <stdarg.h>
#include <stdlib.h>

// Lead bytes of the ANSI code page in force when the library was loaded.
static BYTE LeadByteSet[256];

void InitLeadByteSet(void)
{
    CPINFO info;
    int i, b;

    ZeroMemory(LeadByteSet, sizeof(LeadByteSet));
    if (!GetCPInfo(CP_ACP, &info))
        return;
    // LeadByte holds inclusive ranges as pairs, closed by a pair of zeros.
    for (i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2)
        for (b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; b++)
            LeadByteSet[b] = 1;
}

int WINAPI IsMultiByteChar(const char* p)
{
    BYTE next;

    // At a terminator there is no next byte to read.
    if (p[0] == 0)
        return 0;
    next = (BYTE)p[1];
    return next != 0 && next != 0xFF && LeadByteSet[(BYTE)p[0]];
}

int WINAPI lstrxcpy(char* dest, const char* src, int stop, int count)
{
    int n = 0;

    while (n < count) {
        // Each position is tested on its own: only a lead byte is exempt.
        if (!IsMultiByteChar(src + n) && (src[n] == (char)stop || src[n] == 0))
            break;
        dest[n] = src[n];
        n++;
    }
    dest[n] = 0;
    return n;
}

// Copies src without its trailing run of trim bytes, at most limit + 1 bytes.
// A double-byte character counts as one unit, so one whose second byte
// equals the trim byte is kept whole.
static int CopyTrimmed(char* dest, const char* src, int limit, char trim)
{
    int last = -1;  // last byte of the last unit that is not trimmed
    int i = 0;
    int n;

    while (src[i]) {
        if (IsMultiByteChar(src + i)) {
            last = i + 1;
            i += 2;
            continue;
        }
        if (src[i] != trim)
            last = i;
        i++;
    }
    n = (last < limit ? last : limit) + 1;
    if (n < 0)
        n = 0;
    CopyMemory(dest, src, n);
    dest[n] = 0;
    return n;
}

int WINAPI lstrcpyspc(char* dest, const char* src, int limit)
{
    return CopyTrimmed(dest, src, limit, ' ');
}

int WINAPI lstrcpyzc(char* dest, const char* src, int limit)
{
    return CopyTrimmed(dest, src, limit, '0');
}

int WINAPI StringArgCopy(char* dest, const char* src, int count)
{
    int quoted = 0;
    int n = 0;

    while (n < count) {
        if (src[n] == '"')
            quoted = !quoted;
        if (!IsMultiByteChar(src + n) && ((src[n] == ' ' && !quoted) || src[n] == 0))
            break;
        dest[n] = src[n];
        n++;
    }
    dest[n] = 0;
    return n;
}

void __cdecl _SplitString(const char* src, int delim, int limit, int count, ...)
{
    va_list args;
    char* field;
    int number = 1;
    int n = 0;

    va_start(args, count);
    field = va_arg(args, char*);
    for (; *src; src++) {
        if (*src == (char)delim) {
            field[n] = 0;
            if (number >= count) {
                va_end(args);
                return;
            }
            field = va_arg(args, char*);
            number++;
            n = 0;
        } else if (n < limit) {
            field[n++] = *src;
        }
    }
    field[n] = 0;
    va_end(args);
}

// Reads count numbers from text, each at most 8 bytes up to a space, one
// byte apart. Once the text has ended the remaining numbers are 0.
static void ReadNumbers(const char* text, LONG* values, int count)
{
    char field[9];
    int i, taken;

    for (i = 0; i < count; i++) {
        taken = lstrxcpy(field, text, ' ', 8);
        values[i] = atoi(field);
        // The next field would start past the terminator: read no further.
        if (text[taken] == 0) {
            for (i++; i < count; i++)
                values[i] = 0;
            return;
        }
        text += taken + 1;
    }
}

void WINAPI GetPointData(const char* text, POINT* pt)
{
    LONG values[2];

    ReadNumbers(text, values, 2);
    pt->x = values[0];
    pt->y = values[1];
}

void WINAPI GetRectData(const char* text, RECT* rc)
{
    LONG values[4];

    ReadNumbers(text, values, 4);
    rc->left = values[0];
    rc->top = values[1];
    rc->right = values[2];
    rc->bottom = values[3];
}
