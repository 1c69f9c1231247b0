// The class object of ScanEngine. The module keeps one reference; while
// anybody outside holds it too, it holds one server lock (never more).
#pragma once

#include "framework/CriticalSection.h"

#include <windows.h>
#include <unknwn.h>

class CScanEngineFactory : public IClassFactory {
public:
    CScanEngineFactory() = default;
    virtual ~CScanEngineFactory() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;

private:
    kx::CriticalSection m_lock;
    LONG m_cRef = 1;   // the module's reference
};
