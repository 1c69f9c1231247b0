#include "engine/com/TypeInfoHolder.h"

#include "ScanEngine_h.h"

CTypeInfoHolder::~CTypeInfoHolder()
{
    Clear();
}

CTypeInfoHolder& CTypeInfoHolder::ForScanEngine()
{
    static CTypeInfoHolder holder;
    return holder;
}

void CTypeInfoHolder::Clear()
{
    kx::Lock lock(m_lock);
    m_pTypeInfo.Reset();
    m_names.clear();
}

void CTypeInfoHolder::Abandon()
{
    kx::Lock lock(m_lock);
    m_pTypeInfo.Detach();
}

HRESULT CTypeInfoHolder::EnsureLoaded(LCID lcid)
{
    kx::Lock lock(m_lock);
    if (m_pTypeInfo) return S_OK;
    try {
        return Load(lcid);
    } catch (...) {   // the name cache could not grow: try again next time
        m_names.clear();
        return E_OUTOFMEMORY;
    }
}

HRESULT CTypeInfoHolder::Load(LCID lcid)
{
    HRESULT hr = S_OK;
    {
        kx::ComPtr<ITypeLib> library;
        hr = ::LoadRegTypeLib(LIBID_KESTRIXSCANENGINELib, 1, 0, lcid, library.Put());
        kx::ComPtr<ITypeInfo> info;
        if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(IID_IScanEngine, info.Put());
        if (SUCCEEDED(hr)) {
            // Prefer the extended form where the library offers it.
            kx::ComPtr<ITypeInfo2> info2;
            if (SUCCEEDED(info->QueryInterface(IID_ITypeInfo2, info2.PutVoid()))) info.Attach(info2.Detach());
            TYPEATTR* attr = nullptr;
            if (SUCCEEDED(info->GetTypeAttr(&attr))) {
                for (UINT i = 0; i < attr->cFuncs; ++i) {
                    FUNCDESC* func = nullptr;
                    if (FAILED(info->GetFuncDesc(i, &func))) continue;
                    kx::Bstr name;
                    if (SUCCEEDED(info->GetDocumentation(func->memid, name.Put(), nullptr, nullptr, nullptr)) && name)
                        m_names.push_back({std::wstring(name.Get(), ::SysStringLen(name.Get())), func->memid});
                    info->ReleaseFuncDesc(func);
                }
                info->ReleaseTypeAttr(attr);
            }
            m_pTypeInfo = std::move(info);
        }
    }
    return hr;
}

HRESULT CTypeInfoHolder::GetTypeInfo(LCID lcid, ITypeInfo** ppTypeInfo)
{
    if (!ppTypeInfo) return E_POINTER;
    *ppTypeInfo = nullptr;
    HRESULT hr = EnsureLoaded(lcid);
    if (FAILED(hr)) return hr;
    m_pTypeInfo->AddRef();
    *ppTypeInfo = m_pTypeInfo.Get();
    return S_OK;
}

HRESULT CTypeInfoHolder::GetIDsOfNames(LCID lcid, LPOLESTR* names, UINT count, DISPID* dispids)
{
    HRESULT hr = EnsureLoaded(lcid);
    if (FAILED(hr)) return hr;
    for (UINT i = 0; i < count; ++i) {
        const std::wstring wanted = names[i] ? names[i] : L"";
        bool found = false;
        // Exact match first, from the last cached member to the first.
        for (auto it = m_names.rbegin(); it != m_names.rend(); ++it) {
            if (it->name == wanted) {
                dispids[i] = it->dispid;
                found = true;
                break;
            }
        }
        if (found) continue;
        // Then the type information's own lookup, which ignores case.
        hr = m_pTypeInfo->GetIDsOfNames(&names[i], 1, &dispids[i]);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CTypeInfoHolder::Invoke(IDispatch* self, DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr)
{
    HRESULT hr = EnsureLoaded(lcid);
    if (FAILED(hr)) return hr;
    return m_pTypeInfo->Invoke(self, dispid, flags, params, result, excepInfo, argErr);
}
