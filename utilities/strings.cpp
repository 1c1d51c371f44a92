// String copy and parsing utilities, code-page aware.
#include "strings.h"

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
