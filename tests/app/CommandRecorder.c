/* Test helper: writes the command line it was started with to
 * %TEMP%\kx_recorded_command.txt, so a test can see what a program (the
 * shell fallback of the hyperlinks) ran. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR cmdLine, int show)
{
    char path[MAX_PATH];
    const char* line = GetCommandLineA();
    DWORD written = 0;
    HANDLE file;
    (void)instance;
    (void)previous;
    (void)cmdLine;
    (void)show;
    GetTempPathA(MAX_PATH - 32, path);
    lstrcatA(path, "kx_recorded_command.txt");
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    WriteFile(file, line, (DWORD)lstrlenA(line), &written, NULL);
    CloseHandle(file);
    return 0;
}
