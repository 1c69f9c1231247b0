#include "framework/RegistryTree.h"

#include "framework/Handles.h"

namespace kx {

LONG DeleteKeyTree(HKEY parent, const std::string& name)
{
    RegKey key;
    LONG rc = ::RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, key.Put());
    if (rc != ERROR_SUCCESS) return rc;
    for (;;) {
        char sub[256];
        DWORD length = sizeof sub;
        if (::RegEnumKeyExA(key.Get(), 0, sub, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (DeleteKeyTree(key.Get(), sub) != ERROR_SUCCESS) break;
    }
    key.Reset();
    return ::RegDeleteKeyA(parent, name.c_str());
}

}   // namespace kx
