#include "framework/CommonControls.h"

#include <windows.h>

namespace kx {

bool LoadCommonControls()
{
    static bool s_loaded = false;
    if (s_loaded) return true;
    HMODULE module = ::LoadLibraryA("comctl32.dll");
    if (!module) return false;
    // Every comctl32 has it; it registers the classes the library was built with.
    using InitFunction = void(WINAPI*)();
    auto init = reinterpret_cast<InitFunction>(reinterpret_cast<void*>(::GetProcAddress(module, "InitCommonControls")));
    if (init) init();
    s_loaded = true;
    return true;
}

}   // namespace kx
