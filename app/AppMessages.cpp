#include "AppMessages.h"

#include "Dialog.h"
#include "Settings.h"
#include "resource.h"

#include <cstdlib>

std::string LoadAppString(UINT id)
{
    char text[512] = {};
    int n = ::LoadStringA(kx::CDialog::ResourceModule(), id, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

int AppMessageBox(const std::string& text, UINT type)
{
    return ::MessageBoxA(::GetActiveWindow(), text.c_str(), LoadAppString(IDS_TITLE).c_str(), type);
}

int AppMessageBox(UINT stringId, UINT type)
{
    return AppMessageBox(LoadAppString(stringId), type);
}

void EnsureEngineOrExit()
{
    if (g_pEngine) return;
    HRESULT hr = ::CoCreateInstance(CLSID_ScanEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IScanEngine,
                                    reinterpret_cast<void**>(&g_pEngine));
    if (SUCCEEDED(hr)) return;
    g_pEngine = nullptr;
    AppMessageBox(IDS_COCREATE_FAILED, MB_OK | MB_ICONEXCLAMATION);
    ::CoUninitialize();
    std::exit(-1);
}
