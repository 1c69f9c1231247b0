#include "app/ProgramState.h"

#include "app/AppMessages.h"
#include "app/resource.h"

#include <cstdlib>

bool CProgramState::CreateEngine()
{
    if (SUCCEEDED(
            ::CoCreateInstance(CLSID_ScanEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IScanEngine, m_engine.PutVoid())))
        return true;
    m_engine.Detach();   // whatever a failed call left there is no reference of ours
    return false;
}

IScanEngine* CProgramState::EnsureEngineOrExit()
{
    if (m_engine || CreateEngine()) return m_engine.Get();
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
