#include "ScanEngine.h"

#include "ListVariant.h"
#include "ServerLock.h"

#include <new>

CScanEngine::CScanEngine()
    : m_pRegistryList(new CStringList),
      m_pProcessList(new CStringList),
      m_pCandidateList(new CStringList)
{
    LockServerModule();
    BindToolHelp();   // the object is usable without ToolHelp32 too
}

CScanEngine::~CScanEngine()
{
    UnlockServerModule();
    if (m_pLog) {
        m_pLog->Close();
        m_pLog.reset();
    }
    m_pRegistryList.reset();
    m_pProcessList.reset();
    m_pCandidateList.reset();
}

namespace {

// A failure inside a pass never leaves the interface call.
template <typename Pass>
HRESULT Guarded(Pass pass)
{
    try {
        return pass();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace

HRESULT CScanEngine::DetectDW(LONG* pVal)
{
    return Guarded([&] { return Detect(pVal); });
}

HRESULT CScanEngine::RemoveDW(LONG* pVal)
{
    return Guarded([&] { return Remove(pVal); });
}

HRESULT CScanEngine::get_RegistryList(VARIANT* pVal)
{
    return StringListToVariant(*m_pRegistryList, pVal);
}

HRESULT CScanEngine::get_ProcessList(VARIANT* pVal)
{
    return StringListToVariant(*m_pProcessList, pVal);
}

HRESULT CScanEngine::Init(LONG bLog, LONG bSilent, LONG* pVal)
{
    // Kestrix.log is opened for exclusive use, so an earlier log object must
    // finish its section (footer, close) before the new one can open the file.
    if (m_pLog) {
        m_pLog->Close();
        m_pLog.reset();
    }
    m_pLog.reset(new CScanLog);
    m_pLog->Start(bLog != 0);
    m_bSilent = bSilent != 0;
    if (pVal) *pVal = 1;
    return S_OK;
}

HRESULT CScanEngine::put_Logging(LONG newVal)
{
    if (m_pLog) m_pLog->SetEnabled(newVal != 0);
    return S_OK;
}

HRESULT CScanEngine::put_Silent(LONG newVal)
{
    m_bSilent = newVal != 0;
    return S_OK;
}

void CScanEngine::Log(const char* text)
{
    if (m_pLog) m_pLog->Write(text);
}
