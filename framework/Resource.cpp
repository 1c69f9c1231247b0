#include "framework/Resource.h"

namespace kx {

ResourceBytes FindResourceBytes(HMODULE module, LPCSTR name, LPCSTR type)
{
    ResourceBytes bytes;
    HRSRC info = ::FindResourceA(module, name, type);
    HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
    bytes.data = loaded ? ::LockResource(loaded) : nullptr;
    if (bytes.data) bytes.size = ::SizeofResource(module, info);
    return bytes;
}

}   // namespace kx
