/*
 * Calls Chimora.dll as a program of its own would: the host's identification
 * and one or two utilities of each family, each result checked.
 *
 * Build it against the package's sdk folder and run it beside Chimora.dll:
 *   i686-w64-mingw32-gcc sdk_sample.c -Isdk/include -Lsdk/lib -lChimora -o sdk/bin/sdk_sample.exe
 *
 * Prints one line per check; the exit code is the number of failed checks.
 */
#include <stdio.h>
#include <string.h>

#include <chimora.h>

static int failures;

/* Prints what was checked and counts it when it failed. */
static void check(int ok, const char* what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok)
        failures++;
}

int main(void)
{
    static const char command[] = "\"C:\\Program Files\\Vantry\\vantry.exe\" /min chime.wav";
    static const char date_text[] = "2024/05/17";
    char title[80], out[MAX_PATH], first[8], second[8], third[8];
    int date[3], len;

    /* The host's view: is this a module, and what is it called? */
    check(QueryVTAModule() == 1, "QueryVTAModule answers 1");
    len = GetTitleName(title);
    check(len > 0 && len == (int)strlen(title), "GetTitleName returns the length of the title");

    /* Strings: a cdecl call with a variable list of buffers, and a trim copy. */
    _SplitString("10,200,3000", ',', 7, 3, first, second, third);
    check(strcmp(first, "10") == 0 && strcmp(second, "200") == 0 && strcmp(third, "3000") == 0,
          "_SplitString splits \"10,200,3000\" at the commas");
    len = lstrcpyspc(out, "chime   ", 100);
    check(len == 5 && strcmp(out, "chime") == 0, "lstrcpyspc drops the trailing spaces");

    /* Paths. */
    len = GetPathName("C:\\Sounds\\chime.wav", out);
    check(len == 10 && strcmp(out, "C:\\Sounds\\") == 0, "GetPathName gives the folder");
    len = GetFileNameExt("C:\\Sounds\\chime.wav", out);
    check(len == 3 && strcmp(out, "wav") == 0, "GetFileNameExt gives the extension");

    /* Dates: DLTime reads its text nine hours ahead of UTC. */
    check(GetStrToDate(date_text, date) == date_text + 10 && date[0] == 2024 && date[1] == 5
              && date[2] == 17,
          "GetStrToDate reads 2024/05/17");
    check(DLTime("19700102090000") == 86400.0L, "DLTime counts one day from 1970-01-01 09:00");
    check(DLTime("20240517123456") == 1715916896.0L, "DLTime reads 2024-05-17 12:34:56 whole");

    /* Command line: a quoted program path with a space in it. */
    check(GetCountArgument(command) == 3, "GetCountArgument counts three arguments");
    check(GetArgumentFileName(command, 2, out) == 1 && strcmp(out, "chime.wav") == 0,
          "GetArgumentFileName gives the third argument");

    printf("%d check(s) failed\n", failures);
    return failures;
}
