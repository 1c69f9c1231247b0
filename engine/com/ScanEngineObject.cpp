#include "ScanEngineObject.h"

#include "ServerLock.h"
#include "TypeInfoHolder.h"

CScanEngineObject::CScanEngineObject()
{
    LockServerModule();
}

CScanEngineObject::~CScanEngineObject()
{
    UnlockServerModule();
}

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
    HRESULT hr = CScanEngine::DetectDW(pVal);
    Release();
    return hr;
}

STDMETHODIMP CScanEngineObject::RemoveDW(LONG* pVal)
{
    AddRef();
    HRESULT hr = CScanEngine::RemoveDW(pVal);
    Release();
    return hr;
}

STDMETHODIMP CScanEngineObject::get_RegistryList(VARIANT* pVal)
{
    return CScanEngine::get_RegistryList(pVal);
}

STDMETHODIMP CScanEngineObject::get_ProcessList(VARIANT* pVal)
{
    return CScanEngine::get_ProcessList(pVal);
}

STDMETHODIMP CScanEngineObject::Init(LONG bLog, LONG bSilent, LONG* pVal)
{
    return CScanEngine::Init(bLog, bSilent, pVal);
}

STDMETHODIMP CScanEngineObject::put_Logging(LONG newVal)
{
    return CScanEngine::put_Logging(newVal);
}

STDMETHODIMP CScanEngineObject::put_Silent(LONG newVal)
{
    return CScanEngine::put_Silent(newVal);
}
