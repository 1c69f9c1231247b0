/* A DLL whose registration entry points fail, for the registration program's
 * "the call failed" path. */
#include <windows.h>

HRESULT __stdcall DllRegisterServer(void)
{
    return E_ACCESSDENIED;
}
HRESULT __stdcall DllUnregisterServer(void)
{
    return E_ACCESSDENIED;
}
