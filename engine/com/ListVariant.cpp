#include "engine/com/ListVariant.h"

#include "framework/Text.h"

namespace {

BSTR AnsiToBstr(const std::string& s)
{
    const std::wstring wide = kx::Widen(s);
    return ::SysAllocStringLen(wide.empty() ? L"" : wide.data(),
                               static_cast<UINT>(wide.size()));   // empty, but present
}

}   // namespace

HRESULT StringListToVariant(const std::vector<std::string>& list, VARIANT* pVal)
{
    if (!pVal) return E_POINTER;
    ::VariantInit(pVal);   // what it held is the caller's
    SAFEARRAYBOUND bound{static_cast<ULONG>(list.size()), 0};
    SAFEARRAY* array = ::SafeArrayCreate(VT_BSTR, 1, &bound);
    if (!array) return E_OUTOFMEMORY;

    BSTR* elements = nullptr;
    if (FAILED(::SafeArrayAccessData(array, reinterpret_cast<void**>(&elements)))) {
        ::SafeArrayDestroy(array);
        return E_UNEXPECTED;
    }
    for (size_t i = 0; i < list.size(); ++i) elements[i] = AnsiToBstr(list[i]);
    ::SafeArrayUnaccessData(array);

    V_VT(pVal) = VT_ARRAY | VT_BSTR;
    V_ARRAY(pVal) = array;
    return S_OK;
}
