#include "app/ProgramState.h"

#include "app/AppMessages.h"
#include "app/resource.h"

#include <cstdlib>

bool CProgramState::CreateEngine()
{
    if (SUCCEEDED(
            ::CoCreateInstance(CLSID_ScanEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IScanEngine, m_pEngine.PutVoid())))
        return true;
    m_pEngine.Detach();   // whatever a failed call left there is no reference of ours
    return false;
}

IScanEngine* CProgramState::EnsureEngineOrExit()
{
    if (m_pEngine || CreateEngine()) return m_pEngine.Get();
    AppMessageBox(IDS_COCREATE_FAILED, MB_OK | MB_ICONEXCLAMATION);
    // Deliberate: the application object's clean-up that std::exit runs
    // uninitialises COM once more; the second call is harmless, and the
    // design's exit path makes it.
    ::CoUninitialize();
    std::exit(-1);
}

void CProgramState::SaveSettings() const
{
    if (m_bUninstalled) return;
    kx::RegKey key;
    if (OpenSettingsKey(key.Put()) == ERROR_SUCCESS) WriteSettings(key.Get(), m_settings);
}
