/* Test helper: holds a file open with no sharing for a while (the first
 * argument is the path, the second the seconds, default 60), as another
 * program might hold Kestrix.log. Creates the file when it is missing. */
#include <windows.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    HANDLE file;
    if (argc < 2) return 2;
    file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    Sleep((DWORD)(argc > 2 ? atoi(argv[2]) : 60) * 1000);
    CloseHandle(file);
    return 0;
}
