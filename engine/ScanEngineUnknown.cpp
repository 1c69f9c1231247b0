// IUnknown and IDispatch of the engine object. The reference count is a plain
// count: the class is used in the apartment that created it.
#include "ScanEngine.h"

#include "TypeInfoHolder.h"

STDMETHODIMP CScanEngine::QueryInterface(REFIID riid, void** ppv)
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

STDMETHODIMP_(ULONG) CScanEngine::AddRef()
{
    return ++m_cRef;
}

STDMETHODIMP_(ULONG) CScanEngine::Release()
{
    ULONG count = --m_cRef;
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP CScanEngine::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

STDMETHODIMP CScanEngine::GetTypeInfo(UINT, LCID lcid, ITypeInfo** ppTInfo)
{
    return CTypeInfoHolder::ForScanEngine().GetTypeInfo(lcid, ppTInfo);
}

STDMETHODIMP CScanEngine::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId)
{
    return CTypeInfoHolder::ForScanEngine().GetIDsOfNames(lcid, rgszNames, cNames, rgDispId);
}

STDMETHODIMP CScanEngine::Invoke(DISPID dispIdMember, REFIID, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    return CTypeInfoHolder::ForScanEngine().Invoke(static_cast<IScanEngine*>(this), dispIdMember, lcid, wFlags,
                                                   pDispParams, pVarResult, pExcepInfo, puArgErr);
}
