/* Registers or unregisters an in-process server:
 *
 *   regsvr32 [/u] [/s] file.dll
 *
 * loads the DLL and calls its DllRegisterServer (with /u DllUnregisterServer).
 * /s says nothing; otherwise one message box tells what happened. Exit codes:
 * 0 done, 1 bad command line, 3 the DLL could not be loaded, 4 the entry
 * point is missing, 5 the call failed. Built without a C runtime, so it
 * loads wherever kernel32, user32 and ole32 do. */
#include <windows.h>
#include <objbase.h>

enum { kDone = 0, kUsage = 1, kNoLibrary = 3, kNoEntry = 4, kFailed = 5 };

typedef HRESULT(STDAPICALLTYPE* RegistrationEntry)(void);

static const char kCaption[] = "regsvr32";
static const char kUsageText[] = "Usage: regsvr32 [/u] [/s] file.dll\n\n"
                                 "/u  unregister the server\n"
                                 "/s  silent: show no message box";

/* Copies the next argument of the command line into out (at most size - 1
 * characters, quotes removed) and returns what follows it, or NULL at the end. */
static const char* NextArgument(const char* p, char* out, int size)
{
    int n = 0, quoted = 0;
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) return NULL;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (n < size - 1) out[n++] = *p;
    }
    out[n] = '\0';
    return p;
}

/* The program's own name comes first, as the C runtime reads it: up to the
 * first blank, or quoted. A caller may leave it out and start the command
 * line with a blank (" file.dll /s"): then it is empty. */
static const char* SkipProgramName(const char* p)
{
    if (*p == '"') {
        for (++p; *p && *p != '"'; ++p) {}
        return *p ? p + 1 : p;
    }
    while (*p && *p != ' ' && *p != '\t') ++p;
    return p;
}

static int Finish(int silent, int code, const char* text)
{
    if (!silent) MessageBoxA(NULL, text, kCaption, code == kDone ? MB_ICONINFORMATION : MB_ICONERROR);
    return code;
}

static int Run(void)
{
    char argument[MAX_PATH], dll[MAX_PATH], text[MAX_PATH + 128];
    const char* p = GetCommandLineA();
    int unregister = 0, silent = 0, bad = 0;
    const char* entryName;
    HMODULE module;
    RegistrationEntry entry;
    HRESULT hr;

    dll[0] = '\0';
    p = SkipProgramName(p);
    while ((p = NextArgument(p, argument, sizeof argument)) != NULL) {
        if ((argument[0] == '/' || argument[0] == '-') && argument[1] && !argument[2]) {
            char option = argument[1] | 0x20;
            if (option == 'u')
                unregister = 1;
            else if (option == 's')
                silent = 1;
            else
                bad = 1;
        } else if (!dll[0]) {
            lstrcpynA(dll, argument, sizeof dll);
        } else {
            bad = 1;
        }
    }
    if (bad || !dll[0]) return Finish(silent, kUsage, kUsageText);

    entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    module = LoadLibraryA(dll);
    if (!module) {
        wsprintfA(text, "%s could not be loaded (error %lu).", dll, GetLastError());
        return Finish(silent, kNoLibrary, text);
    }
    entry = (RegistrationEntry)GetProcAddress(module, entryName);
    if (!entry) {
        wsprintfA(text, "%s has no entry point %s.", dll, entryName);
        FreeLibrary(module);
        return Finish(silent, kNoEntry, text);
    }
    hr = CoInitialize(NULL);
    if (SUCCEEDED(hr)) {
        hr = entry();
        CoUninitialize();
    }
    FreeLibrary(module);
    if (FAILED(hr)) {
        wsprintfA(text, "%s in %s failed (0x%08lX).", entryName, dll, (unsigned long)hr);
        return Finish(silent, kFailed, text);
    }
    wsprintfA(text, "%s in %s succeeded.", entryName, dll);
    return Finish(silent, kDone, text);
}

void WINAPI Regsvr32Main(void)
{
    ExitProcess((UINT)Run());
}
