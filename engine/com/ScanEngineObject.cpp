#include "engine/com/ScanEngineObject.h"

#include "engine/com/ServerLock.h"
#include "engine/com/TypeInfoHolder.h"

#include "engine/com/ListVariant.h"

#include <new>

CScanEngineObject::ServerLockScope::ServerLockScope()
{
    LockServerModule();
}

CScanEngineObject::ServerLockScope::~ServerLockScope()
{
    UnlockServerModule();
}

CScanEngineObject::CScanEngineObject(std::unique_ptr<CMachine> machine) : m_engine(m_notices, std::move(machine)) {}

CScanEngineObject::~CScanEngineObject() = default;

STDMETHODIMP CScanEngineObject::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IScanEngine)) {
        *ppv = static_cast<IScanEngine*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CScanEngineObject::AddRef()
{
    return ++m_cRef;
}

STDMETHODIMP_(ULONG) CScanEngineObject::Release()
{
    ULONG count = --m_cRef;
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP CScanEngineObject::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

STDMETHODIMP CScanEngineObject::GetTypeInfo(UINT, LCID lcid, ITypeInfo** ppTInfo)
{
    return CTypeInfoHolder::ForScanEngine().GetTypeInfo(lcid, ppTInfo);
}

STDMETHODIMP CScanEngineObject::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId)
{
    return CTypeInfoHolder::ForScanEngine().GetIDsOfNames(lcid, rgszNames, cNames, rgDispId);
}

STDMETHODIMP CScanEngineObject::Invoke(DISPID dispIdMember, REFIID, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                       VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    return CTypeInfoHolder::ForScanEngine().Invoke(static_cast<IScanEngine*>(this), dispIdMember, lcid, wFlags,
                                                   pDispParams, pVarResult, pExcepInfo, puArgErr);
}

// A pass holds a reference to its object: a client that releases the object
// from inside the pass (through the progress window's message pump) cannot
// free it under the running pass.
STDMETHODIMP CScanEngineObject::DetectDW(LONG* pVal)
{
    AddRef();
    bool found = m_engine.DetectDW();
    Release();
    if (pVal) *pVal = found ? 1 : 0;
    return S_OK;
}

STDMETHODIMP CScanEngineObject::RemoveDW(LONG* pVal)
{
    AddRef();
    bool removed = m_engine.RemoveDW();
    Release();
    if (pVal) *pVal = removed ? 1 : 0;
    return removed ? S_OK : S_FALSE;
}

namespace {

// A list that cannot be handed out is no success: the failure is logged.
HRESULT HandOut(CScanEngine& engine, const char* name, const std::vector<std::string>& list, VARIANT* pVal)
{
    try {
        return StringListToVariant(list, pVal);
    } catch (const std::bad_alloc&) {
        engine.LogFailure(name, true);
    } catch (...) {
        engine.LogFailure(name, false);
    }
    return E_OUTOFMEMORY;
}

}   // namespace

STDMETHODIMP CScanEngineObject::get_RegistryList(VARIANT* pVal)
{
    return HandOut(m_engine, "RegistryList", m_engine.RegistryList(), pVal);
}

STDMETHODIMP CScanEngineObject::get_ProcessList(VARIANT* pVal)
{
    return HandOut(m_engine, "ProcessList", m_engine.ProcessList(), pVal);
}

STDMETHODIMP CScanEngineObject::Init(LONG bLog, LONG bSilent, LONG* pVal)
{
    bool done = m_engine.Init(bLog != 0, bSilent != 0);
    if (pVal) *pVal = done ? 1 : 0;
    return S_OK;
}

STDMETHODIMP CScanEngineObject::put_Logging(LONG newVal)
{
    m_engine.SetLogging(newVal != 0);
    return S_OK;
}

STDMETHODIMP CScanEngineObject::put_Silent(LONG newVal)
{
    m_engine.SetSilent(newVal != 0);
    return S_OK;
}
