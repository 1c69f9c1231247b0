#include "EngineSlot.h"

#include "AppMessages.h"
#include "resource.h"

#include <cstdlib>

IScanEngine* g_pEngine = nullptr;

bool CreateEngine()
{
    if (SUCCEEDED(::CoCreateInstance(CLSID_ScanEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IScanEngine,
                                     reinterpret_cast<void**>(&g_pEngine))))
        return true;
    g_pEngine = nullptr;
    return false;
}

void EnsureEngineOrExit()
{
    if (g_pEngine || CreateEngine()) return;
    AppMessageBox(IDS_COCREATE_FAILED, MB_OK | MB_ICONEXCLAMATION);
    // Deliberate: the application object's clean-up that std::exit runs
    // uninitialises COM once more; the second call is harmless, and the
    // design's exit path makes it.
    ::CoUninitialize();
    std::exit(-1);
}

void ReleaseEngine()
{
    if (g_pEngine) {
        IScanEngine* engine = g_pEngine;
        g_pEngine = nullptr;
        engine->Release();
    }
}
