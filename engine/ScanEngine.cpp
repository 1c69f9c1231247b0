#include "ScanEngine.h"

#include "ListVariant.h"

#include <new>

CScanEngine::CScanEngine()
    : m_pRegistryList(new CStringList), m_pProcessList(new CStringList), m_pCandidateList(new CStringList)
{
    BindToolHelp();   // the object is usable without ToolHelp32 too
}

CScanEngine::~CScanEngine()
{
    CloseLog();
    m_pRegistryList.reset();
    m_pProcessList.reset();
    m_pCandidateList.reset();
}

void CScanEngine::LogFailure(const char* operation, bool outOfMemory)
{
    try {
        Log(std::string("ENGINE ERROR: ") + operation +
            (outOfMemory ? " stopped: out of memory.\n" : " stopped: internal error.\n"));
    } catch (...) {   // nothing more can be said
    }
}

template <typename Operation>
HRESULT CScanEngine::Guarded(const char* name, LONG* pVal, HRESULT failed, Operation operation)
{
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        LogFailure(name, true);
    } catch (...) {
        LogFailure(name, false);
    }
    if (pVal) *pVal = 0;
    return failed;
}

template <typename Pass>
HRESULT CScanEngine::RunPass(const char* name, LONG* pVal, HRESULT failed, Pass pass)
{
    // A call that arrives while a pass runs (through the progress window's
    // message pump) would refill the lists the pass is working through.
    if (m_bInPass) {
        if (pVal) *pVal = 0;
        return failed;
    }
    m_bInPass = true;
    HRESULT hr = Guarded(name, pVal, failed, pass);
    m_bInPass = false;
    return hr;
}

HRESULT CScanEngine::DetectDW(LONG* pVal)
{
    return RunPass("DetectDW", pVal, S_OK, [&] { return Detect(pVal); });
}

HRESULT CScanEngine::RemoveDW(LONG* pVal)
{
    return RunPass("RemoveDW", pVal, S_FALSE, [&] { return Remove(pVal); });
}

HRESULT CScanEngine::get_RegistryList(VARIANT* pVal)
{
    return Guarded("RegistryList", nullptr, E_OUTOFMEMORY, [&] { return StringListToVariant(*m_pRegistryList, pVal); });
}

HRESULT CScanEngine::get_ProcessList(VARIANT* pVal)
{
    return Guarded("ProcessList", nullptr, E_OUTOFMEMORY, [&] { return StringListToVariant(*m_pProcessList, pVal); });
}

HRESULT CScanEngine::Init(LONG bLog, LONG bSilent, LONG* pVal)
{
    if (m_bInPass) {   // the running pass keeps its log
        if (pVal) *pVal = 0;
        return S_OK;
    }
    return Guarded("Init", pVal, S_OK, [&] {
        // Kestrix.log is opened for exclusive use, so an earlier log object must
        // finish its section (footer, close) before the new one can open the file.
        CloseLog();
        m_pLog.reset(new CScanLog);
        m_pLog->Start(bLog != 0);
        m_bSilent = bSilent != 0;
        if (pVal) *pVal = 1;
        return S_OK;
    });
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

void CScanEngine::CloseLog()
{
    if (!m_pLog) return;
    m_pLog->Close();   // the "Scan completed" banner, then the file is let go
    m_pLog.reset();
}

void CScanEngine::Log(const char* text)
{
    if (m_pLog) m_pLog->Write(text);
}
