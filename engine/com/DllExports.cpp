// The engine DLL's entry points: loading, the class object, the unload test
// and self-registration (registry script and type library).
#include "framework/Application.h"
#include "engine/com/ClassFactory.h"
#include "framework/CriticalSection.h"
#include "engine/EngineModule.h"
#include "framework/Resource.h"
#include "framework/Text.h"
#include "engine/com/Registrar.h"
#include "framework/RegistryTree.h"
#include "ScanEngine_h.h"
#include "engine/com/ServerLock.h"
#include "engine/com/TypeInfoHolder.h"

#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>

#include <new>
#include <string>

namespace {

const int kRegistryScriptId = 102;
// What RegisterTypeLib writes for our library and its interface.
const char kTypeLibKey[] = "TypeLib\\{80951144-3F67-11D2-96E1-444553540000}";
const char kInterfaceKey[] = "Interface\\{A942BD40-3FCB-11D2-96E1-444553540000}";

// The engine DLL's application object: the progress window pumps messages
// through it.
kx::CApplication g_engineApp;

kx::CriticalSection g_classObjectLock;
CScanEngineFactory* g_pClassObject = nullptr;   // the module's reference

std::string ShortPath(const std::string& path)
{
    char shortPath[MAX_PATH];
    DWORD n = ::GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(shortPath, n) : path;
}

std::string DoubledQuotes(const std::string& s)
{
    std::string out;
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

std::string RegistryScript()
{
    kx::ResourceBytes script = kx::FindResourceBytes(EngineModule(), MAKEINTRESOURCEA(kRegistryScriptId), "REGISTRY");
    return script.data ? std::string(static_cast<const char*>(script.data), script.size) : std::string();
}

HRESULT UpdateRegistry(bool registering)
{
    std::string script = RegistryScript();
    if (script.empty()) return E_FAIL;
    return UpdateRegistryFromScript(script, {{"MODULE", DoubledQuotes(ShortPath(EngineModulePath()))}}, registering);
}

HRESULT RegisterTypeLibrary()
{
    std::wstring path = kx::Widen(EngineModulePath());
    kx::ComPtr<ITypeLib> library;
    // A full path: LoadTypeLib only loads (it registers a bare file name).
    HRESULT hr = ::LoadTypeLib(path.c_str(), library.Put());
    if (FAILED(hr)) {
        // Deliberate: a DLL built without its type library resource falls
        // back on one beside it, the same path ending in .tlb.
        size_t dot = path.find_last_of(L'.');
        size_t slash = path.find_last_of(L"\\/:");
        path =
            (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash) ? path.substr(0, dot) : path) +
            L".tlb";
        hr = ::LoadTypeLib(path.c_str(), library.Put());
        if (FAILED(hr)) return hr;
    }
    std::wstring helpDir = path.substr(0, path.find_last_of(L"\\/:") + 1);
    return ::RegisterTypeLib(library.Get(), &path[0], &helpDir[0]);
}

// Removes what RegisterTypeLibrary wrote. UnRegisterTypeLib came after the
// first Windows 95's oleaut32, so it is bound at run time; where it is
// missing or fails, the keys it would remove (ours, by their GUIDs) go here.
void UnregisterTypeLibrary()
{
    typedef HRESULT(WINAPI * UnRegisterTypeLibFunction)(REFGUID, WORD, WORD, LCID, SYSKIND);
    HMODULE oleaut = ::GetModuleHandleA("oleaut32.dll");
    UnRegisterTypeLibFunction unregister =
        oleaut ? reinterpret_cast<UnRegisterTypeLibFunction>(::GetProcAddress(oleaut, "UnRegisterTypeLib")) : nullptr;
    if (unregister) unregister(LIBID_KESTRIXSCANENGINELib, 1, 0, 0, SYS_WIN32);
    kx::DeleteKeyTree(HKEY_CLASSES_ROOT, kTypeLibKey);
    kx::DeleteKeyTree(HKEY_CLASSES_ROOT, kInterfaceKey);
}

}   // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(hInstance);
        ::InitCommonControls();   // the progress bar class; every comctl32 has it
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded by FreeLibrary. At process exit (reserved set) other
        // modules may be gone already: nothing is released into them then.
        if (g_pClassObject) g_pClassObject->Release();
        g_pClassObject = nullptr;
        CTypeInfoHolder::ForScanEngine().Clear();
    } else if (reason == DLL_PROCESS_DETACH) {
        CTypeInfoHolder::ForScanEngine().Abandon();
    }
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    return ServerLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_ScanEngine)) return CLASS_E_CLASSNOTAVAILABLE;
    {
        kx::Lock lock(g_classObjectLock);
        if (!g_pClassObject) g_pClassObject = new (std::nothrow) CScanEngineFactory;
    }
    if (!g_pClassObject) return E_OUTOFMEMORY;
    return g_pClassObject->QueryInterface(riid, ppv);
}

STDAPI DllRegisterServer()
{
    HRESULT hr = UpdateRegistry(true);
    if (FAILED(hr)) return hr;
    return RegisterTypeLibrary();
}

STDAPI DllUnregisterServer()
{
    UpdateRegistry(false);
    UnregisterTypeLibrary();
    return S_OK;
}
