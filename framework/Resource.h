// The bytes of a resource of a module, as the module carries them.
#pragma once

#include <windows.h>

namespace kx {

struct ResourceBytes {
    const void* data = nullptr;   // null when the resource is missing
    DWORD size = 0;
};

ResourceBytes FindResourceBytes(HMODULE module, LPCSTR name, LPCSTR type);

}   // namespace kx
