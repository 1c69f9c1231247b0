// A VARIANT that clears itself, and the strings of one that holds a
// one-dimensional SAFEARRAY of BSTR (the engine's list properties).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace kx {

class Variant {
public:
    Variant() { ::VariantInit(&m_value); }
    ~Variant() { ::VariantClear(&m_value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    const VARIANT& Get() const { return m_value; }
    VARIANT* Put()
    {
        ::VariantClear(&m_value);
        return &m_value;
    }   // for out-parameters

private:
    VARIANT m_value;
};

// The array's strings in order (an absent element as an empty one); none for
// a VARIANT of any other type.
std::vector<std::wstring> VariantStrings(const VARIANT& list);

}   // namespace kx
