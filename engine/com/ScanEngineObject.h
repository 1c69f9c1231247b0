// The creatable object of the ScanEngine class: the engine object made a COM
// object. It adds the reference count, one server lock for its lifetime and
// IDispatch through the type library; IScanEngine's operations are the
// engine's own.
#pragma once

#include "ScanEngine.h"
#include "ScanEngine_h.h"

class CScanEngineObject final : public IScanEngine, public CScanEngine {
public:
    CScanEngineObject();    // after the engine's construction: takes the server lock
    ~CScanEngineObject();   // before the engine's destruction: gives it back

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
    ULONG m_cRef = 0;
};
