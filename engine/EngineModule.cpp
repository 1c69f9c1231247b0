#include "engine/EngineModule.h"

// The linker's symbol for the first byte of the module this code is linked
// into: its module handle, on every Windows (GetModuleHandleEx is XP's).
extern "C" IMAGE_DOS_HEADER __ImageBase;

HMODULE EngineModule()
{
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

std::string EngineModulePath()
{
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(EngineModule(), path, MAX_PATH);
    return std::string(path, n);
}

std::string EngineTitle()
{
    std::string name = EngineModulePath();
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

int EngineMessageBox(const char* text, UINT type)
{
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    return ::MessageBoxA(::GetActiveWindow(), text, EngineTitle().c_str(), type);
}
