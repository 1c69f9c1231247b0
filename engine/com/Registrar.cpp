#include "engine/com/Registrar.h"

#include "framework/Handles.h"
#include "framework/RegistryTree.h"

namespace {

HKEY RootKey(const std::string& name)
{
    if (name == "HKCR" || name == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    if (name == "HKCU" || name == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (name == "HKLM" || name == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (name == "HKU" || name == "HKEY_USERS") return HKEY_USERS;
    return nullptr;
}

LONG WriteKey(HKEY parent, const RegistrarKey& k)
{
    if (k.forceRemove) kx::DeleteKeyTree(parent, k.name);
    kx::RegKey key;
    LONG rc = ::RegOpenKeyExA(parent, k.name.c_str(), 0, KEY_READ | KEY_WRITE, key.Put());
    if (rc != ERROR_SUCCESS) rc = ::RegOpenKeyExA(parent, k.name.c_str(), 0, KEY_READ, key.Put());
    if (rc != ERROR_SUCCESS)
        rc = ::RegCreateKeyExA(parent, k.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                               nullptr, key.Put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    for (const RegistrarValue& v : k.values) {
        rc = ::RegSetValueExA(key.Get(), v.name.empty() ? nullptr : v.name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(v.data.c_str()), static_cast<DWORD>(v.data.size() + 1));
        if (rc != ERROR_SUCCESS) return rc;
    }
    for (const RegistrarKey& sub : k.subkeys) {
        rc = WriteKey(key.Get(), sub);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

// A key the script ties to a class through its CLSID subkey (a ProgID) is
// ours only while that subkey names the script's class: another program may
// own the name now, and its keys are left whole.
bool NamesAnotherClass(HKEY key, const RegistrarKey& k)
{
    for (const RegistrarKey& sub : k.subkeys) {
        if (::lstrcmpiA(sub.name.c_str(), "CLSID") != 0) continue;
        for (const RegistrarValue& v : sub.values) {
            if (!v.name.empty()) continue;
            char data[256] = "";
            LONG size = sizeof data;
            if (::RegQueryValueA(key, "CLSID", data, &size) != ERROR_SUCCESS) return true;
            return ::lstrcmpiA(data, v.data.c_str()) != 0;
        }
    }
    return false;
}

void RemoveKey(HKEY parent, const RegistrarKey& k)
{
    DWORD subkeys = 0;
    {
        kx::RegKey key;
        if (::RegOpenKeyExA(parent, k.name.c_str(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS) return;
        if (NamesAnotherClass(key.Get(), k)) return;
        for (const RegistrarValue& v : k.values)
            if (!v.name.empty()) ::RegDeleteValueA(key.Get(), v.name.c_str());
        for (const RegistrarKey& sub : k.subkeys) RemoveKey(key.Get(), sub);
        if (::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return;
    }
    if (!k.noRemove && subkeys == 0) ::RegDeleteKeyA(parent, k.name.c_str());
}

}   // namespace

HRESULT UnregisterScript(const std::vector<RegistrarScript>& script)
{
    for (const RegistrarScript& root : script) {
        HKEY hRoot = RootKey(root.rootName);
        if (!hRoot) continue;
        for (const RegistrarKey& k : root.keys) RemoveKey(hRoot, k);
    }
    return S_OK;
}

HRESULT RegisterScript(const std::vector<RegistrarScript>& script)
{
    for (const RegistrarScript& root : script) {
        HKEY hRoot = RootKey(root.rootName);
        LONG rc = hRoot ? ERROR_SUCCESS : ERROR_BADKEY;
        for (size_t i = 0; rc == ERROR_SUCCESS && i < root.keys.size(); ++i) rc = WriteKey(hRoot, root.keys[i]);
        if (rc != ERROR_SUCCESS) {
            UnregisterScript(script);
            return HRESULT_FROM_WIN32(rc);
        }
    }
    return S_OK;
}

HRESULT UpdateRegistryFromScript(const std::string& text, const std::map<std::string, std::string>& parameters,
                                 bool registering)
{
    std::string expanded, error;
    std::vector<RegistrarScript> script;
    if (!ExpandRegistrarParameters(text, parameters, expanded, error) || !ParseRegistrarScript(expanded, script, error))
        return E_FAIL;
    return registering ? RegisterScript(script) : UnregisterScript(script);
}
