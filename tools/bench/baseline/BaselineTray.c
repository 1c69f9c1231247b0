/* The benchmarks' baseline: the least a tray program can be. One hidden
 * window, one tray icon added (88-byte record, id 1), a message loop;
 * WM_CLOSE takes the icon away and ends it. Built like the shipped binaries,
 * so the difference to Kestrix.exe is what Kestrix itself costs. */
#include <windows.h>
#include <shellapi.h>

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
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR cmdLine, int show)
{
    WNDCLASSA wc;
    HWND window;
    MSG msg;
    (void)previous; (void)cmdLine; (void)show;

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
