// The type information of IScanEngine for the IDispatch half of the engine
// object: loaded once per module, lazily and under a lock, from the
// registered type library; a failed load is tried again on the next call.
#pragma once

#include "framework/CriticalSection.h"
#include "framework/Handles.h"

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

class CTypeInfoHolder {
public:
    CTypeInfoHolder() = default;
    ~CTypeInfoHolder();
    CTypeInfoHolder(const CTypeInfoHolder&) = delete;
    CTypeInfoHolder& operator=(const CTypeInfoHolder&) = delete;

    HRESULT GetTypeInfo(LCID lcid, ITypeInfo** ppTypeInfo);
    HRESULT GetIDsOfNames(LCID lcid, LPOLESTR* names, UINT count, DISPID* dispids);
    HRESULT Invoke(IDispatch* self, DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr);
    // Drops the type information and the name cache (at unload).
    void Clear();
    // Lets go of the type information without releasing it: at process exit,
    // when oleaut32 may be gone already.
    void Abandon();

    static CTypeInfoHolder& ForScanEngine();

private:
    HRESULT EnsureLoaded(LCID lcid);
    HRESULT Load(LCID lcid);   // under the lock; may throw

    struct CachedName {
        std::wstring name;
        DISPID dispid;
    };

    kx::CriticalSection m_lock;
    kx::ComPtr<ITypeInfo> m_pTypeInfo;
    std::vector<CachedName> m_names;
};
