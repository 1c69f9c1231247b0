/* Stand-in for a server program in tests and demos. It does nothing but wait
 * and ends by itself after a bounded time (the first argument, in seconds,
 * default 120, at most 3600), so no test can leave it running for long. */
#include <windows.h>
#include <stdlib.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR cmdLine, int show)
{
    (void)instance; (void)previous; (void)show;
    long seconds = strtol(cmdLine, NULL, 10);
    if (seconds <= 0) seconds = 120;
    if (seconds > 3600) seconds = 3600;
    Sleep((DWORD)seconds * 1000);
    return 0;
}
