#include "framework/VariantStrings.h"

namespace kx {

namespace {

// Access to an array's data for a scope.
class ArrayData {
public:
    explicit ArrayData(SAFEARRAY* array) : m_array(array)
    {
        if (FAILED(::SafeArrayAccessData(array, reinterpret_cast<void**>(&m_data)))) m_data = nullptr;
    }
    ~ArrayData()
    {
        if (m_data) ::SafeArrayUnaccessData(m_array);
    }
    ArrayData(const ArrayData&) = delete;
    ArrayData& operator=(const ArrayData&) = delete;

    const BSTR* Get() const { return m_data; }

private:
    SAFEARRAY* m_array;
    BSTR* m_data = nullptr;
};

}   // namespace

std::vector<std::wstring> VariantStrings(const VARIANT& list)
{
    std::vector<std::wstring> strings;
    if (V_VT(&list) != (VT_ARRAY | VT_BSTR) || !V_ARRAY(&list) || ::SafeArrayGetDim(V_ARRAY(&list)) != 1)
        return strings;
    SAFEARRAY* array = V_ARRAY(&list);
    LONG lower = 0, upper = -1;
    ::SafeArrayGetLBound(array, 1, &lower);
    ::SafeArrayGetUBound(array, 1, &upper);
    ArrayData data(array);
    if (!data.Get()) return strings;
    for (LONG i = 0; i <= upper - lower; ++i) {
        BSTR item = data.Get()[i];
        strings.emplace_back(item ? item : L"", item ? ::SysStringLen(item) : 0);
    }
    return strings;
}

}   // namespace kx
