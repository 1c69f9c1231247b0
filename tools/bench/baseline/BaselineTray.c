/* The benchmarks' baseline: the least a tray program can be. One hidden
 * window, one tray icon added (88-byte record, id 1), a message loop;
 * WM_CLOSE takes the icon away and ends it. Built like the shipped binaries,
 * so the difference to Kestrix.exe is what Kestrix itself costs.
 *
 * Words on the command line add what the system loads for a program of
 * Kestrix's kind (COM before its first window, the common controls with its
 * first progress window), to tell the system's share of the cost from ours:
 *   ole     loads ole32 and starts COM (CoInitialize, an apartment thread)
 *   oleaut  loads oleaut32
 *   comctl  loads comctl32 and calls InitCommonControls
 * All are bound at run time so that the plain baseline imports none of them. */
#include <windows.h>
#include <shellapi.h>
#include <string.h>

#define TRAY_ID 1
#define TRAY_CALLBACK (WM_USER + 10)

static NOTIFYICONDATAA g_icon;

static LRESULT CALLBACK TrayProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        Shell_NotifyIconA(NIM_DELETE, &g_icon);
        DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

/* Is WORD one of the space-separated words of LINE? */
static int HasWord(const char* line, const char* word)
{
    size_t length = strlen(word);
    const char* at = line;
    while (line && (at = strstr(at, word)) != NULL) {
        if ((at == line || at[-1] == ' ') && (at[length] == ' ' || at[length] == 0)) return 1;
        at += length;
    }
    return 0;
}

static void Call(const char* dll, const char* function, int withArgument)
{
    HMODULE module = LoadLibraryA(dll);
    FARPROC entry = module ? GetProcAddress(module, function) : NULL;
    if (!entry) return;
    if (withArgument)
        ((HRESULT(WINAPI*)(LPVOID))entry)(NULL);
    else
        ((void(WINAPI*)(void))entry)();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR cmdLine, int show)
{
    WNDCLASSA wc;
    HWND window;
    MSG msg;
    (void)previous;
    (void)show;

    if (HasWord(cmdLine, "comctl")) Call("comctl32.dll", "InitCommonControls", 0);
    if (HasWord(cmdLine, "ole")) Call("ole32.dll", "CoInitialize", 1);
    if (HasWord(cmdLine, "oleaut")) LoadLibraryA("oleaut32.dll");

    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = TrayProc;
    wc.hInstance = instance;
    wc.lpszClassName = "KxBaselineTray";
    if (!RegisterClassA(&wc)) return 1;
    window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, instance, NULL);
    if (!window) return 1;

    ZeroMemory(&g_icon, sizeof g_icon);
    g_icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    g_icon.hWnd = window;
    g_icon.uID = TRAY_ID;
    g_icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g_icon.uCallbackMessage = TRAY_CALLBACK;
    g_icon.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    lstrcpynA(g_icon.szTip, "Baseline", 64);
    if (!Shell_NotifyIconA(NIM_ADD, &g_icon)) return 1;

    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
