#include "engine/com/ClassFactory.h"

#include "engine/com/ScanEngineObject.h"
#include "engine/com/ServerLock.h"

#include <new>

STDMETHODIMP CScanEngineFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CScanEngineFactory::AddRef()
{
    LONG count;
    {
        kx::Lock lock(m_lock);
        count = ::InterlockedIncrement(&m_cRef);
        if (count == 2) LockServerModule();   // the first reference from outside
    }
    return static_cast<ULONG>(count);
}

STDMETHODIMP_(ULONG) CScanEngineFactory::Release()
{
    LONG count;
    {
        kx::Lock lock(m_lock);
        count = ::InterlockedDecrement(&m_cRef);
        if (count == 1) UnlockServerModule();   // only the module's reference is left
    }
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP CScanEngineFactory::CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pOuter) return CLASS_E_NOAGGREGATION;
    CScanEngineObject* engine = nullptr;
    try {
        engine = new CScanEngineObject;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = engine->QueryInterface(riid, ppv);
    if (FAILED(hr)) delete engine;
    return hr;
}

STDMETHODIMP CScanEngineFactory::LockServer(BOOL fLock)
{
    if (fLock)
        LockServerModule();
    else
        UnlockServerModule();
    return S_OK;
}
