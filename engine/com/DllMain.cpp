#include <windows.h>

namespace {
HINSTANCE g_hModule = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_hModule = hInstance;
        ::DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}
