/* Test helper: holds a file open with no sharing for a while (the first
 * argument is the path, the second the seconds, default 60), as another
 * program might hold Kestrix.log. Creates the file when it is missing.
 * The test that starts it probes the file with opens of its own, so a
 * sharing violation here only means a probe was in the way: try again. */
#include <windows.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    HANDLE file;
    int tries = 0;
    if (argc < 2) return 2;
    for (;;) {
        file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, 0, NULL);
        if (file != INVALID_HANDLE_VALUE) break;
        if (GetLastError() != ERROR_SHARING_VIOLATION || ++tries > 1000) return 1;
        Sleep(10);
    }
    Sleep((DWORD)(argc > 2 ? atoi(argv[2]) : 60) * 1000);
    CloseHandle(file);
    return 0;
}
