#include "ListVariant.h"

#include <vector>

namespace {

BSTR AnsiToBstr(const std::string& s)
{
    if (s.empty()) return ::SysAllocStringLen(L"", 0);   // empty, but present
    int n = ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(n > 0 ? n : 0) + 1);
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), wide.data(), n);
    return ::SysAllocStringLen(wide.data(), static_cast<UINT>(n > 0 ? n : 0));
}

} // namespace

HRESULT StringListToVariant(const CStringList& list, VARIANT* pVal)
{
    if (!pVal) return E_POINTER;
    ::VariantInit(pVal);   // what it held is the caller's
    SAFEARRAYBOUND bound{static_cast<ULONG>(list.GetCount()), 0};
    SAFEARRAY* array = ::SafeArrayCreate(VT_BSTR, 1, &bound);
    if (!array) return E_OUTOFMEMORY;

    BSTR* elements = nullptr;
    if (FAILED(::SafeArrayAccessData(array, reinterpret_cast<void**>(&elements)))) {
        ::SafeArrayDestroy(array);
        return E_UNEXPECTED;
    }
    for (int i = 0; i < list.GetCount(); ++i) elements[i] = AnsiToBstr(list.GetAt(i));
    ::SafeArrayUnaccessData(array);

    V_VT(pVal) = VT_ARRAY | VT_BSTR;
    V_ARRAY(pVal) = array;
    return S_OK;
}
