// Hands a string list across the COM boundary: a VARIANT of VT_ARRAY|VT_BSTR
// holding a one-dimensional SAFEARRAY with lower bound 0. The caller owns it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

HRESULT StringListToVariant(const std::vector<std::string>& list, VARIANT* pVal);
