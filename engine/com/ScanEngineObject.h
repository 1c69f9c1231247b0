// The creatable object of the ScanEngine class: the engine object made a COM
// object. It adds the reference count, one server lock for its lifetime,
// IDispatch through the type library, and the translation of the engine's
// results into IScanEngine's out values, HRESULTs and VARIANTs; it shows the
// message boxes for what the engine's passes report.
#pragma once

#include "engine/com/EngineNotices.h"
#include "engine/ScanEngine.h"
#include "ScanEngine_h.h"

#include <memory>

class CScanEngineObject final : public IScanEngine {
public:
    // Without a machine the engine works on this running Windows.
    explicit CScanEngineObject(std::unique_ptr<CMachine> machine = nullptr);
    ~CScanEngineObject();

    CScanEngine& Engine() { return m_engine; }

    // IUnknown. The reference count is a plain count: the class is used in
    // the apartment that created it.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch, through the type information of IScanEngine
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IScanEngine
    STDMETHODIMP DetectDW(LONG* pVal) override;
    STDMETHODIMP RemoveDW(LONG* pVal) override;
    STDMETHODIMP get_RegistryList(VARIANT* pVal) override;
    STDMETHODIMP get_ProcessList(VARIANT* pVal) override;
    STDMETHODIMP Init(LONG bLog, LONG bSilent, LONG* pVal) override;
    STDMETHODIMP put_Logging(LONG newVal) override;
    STDMETHODIMP put_Silent(LONG newVal) override;

private:
    struct ServerLockScope {   // held from before the engine is made until after it is gone
        ServerLockScope();
        ~ServerLockScope();
    };

    ULONG m_cRef = 0;
    ServerLockScope m_lock;
    CEngineNotices m_notices;
    CScanEngine m_engine;
};
