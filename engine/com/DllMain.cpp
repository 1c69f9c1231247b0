#include "Application.h"

#include <windows.h>
#include <commctrl.h>

namespace {
// The engine DLL's application object: the progress window pumps messages
// through it.
kx::CApplication g_engineApp;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(hInstance);
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&icc);
    }
    return TRUE;
}
