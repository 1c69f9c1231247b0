/* Stand-in for a server program in tests and demos: a harmless program that
 * does nothing but wait, and ends by itself after a bounded time (the first
 * argument in seconds, default 120, at most 3600), so no test can leave it
 * running for long.
 *
 * Built without the C runtime so the image stays a few kilobytes: the fixture
 * maker (make_fixtures.py) puts the test data after the image, where the
 * loader never looks, and checks that it does. */
#include <windows.h>

static DWORD ParseSeconds(const char* p)
{
    DWORD seconds = 0;
    /* Skip the program name, quoted or not. */
    if (*p == '"') {
        for (++p; *p && *p != '"'; ++p) {}
        if (*p) ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    while (*p >= '0' && *p <= '9' && seconds < 100000) seconds = seconds * 10 + (DWORD)(*p++ - '0');
    if (seconds == 0) seconds = 120;
    if (seconds > 3600) seconds = 3600;
    return seconds;
}

void __stdcall MockServerMain(void)
{
    Sleep(ParseSeconds(GetCommandLineA()) * 1000);
    ExitProcess(0);
}
