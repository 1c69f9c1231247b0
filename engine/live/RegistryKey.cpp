#include "engine/live/RegistryKey.h"

LONG CRegistryKey::Open(HKEY hRoot, const std::string& strPath)
{
    Close();
    m_strKeyPath = strPath;
    HKEY key = nullptr;
    LONG rc = ::RegCreateKeyExA(hRoot, strPath.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr);
    if (rc == ERROR_SUCCESS) m_key.Reset(key);
    return rc;
}

LONG CRegistryKey::Close()
{
    if (!m_key) return 0;
    return ::RegCloseKey(m_key.Release());
}

LONG CRegistryKey::ReadValues(HKEY hRoot, const std::string& strPath, std::vector<RunServicesValue>& values)
{
    LONG rc = Open(hRoot, strPath);
    if (rc != ERROR_SUCCESS) return rc;
    values.clear();
    for (DWORD index = 0;; ++index) {
        // One spare byte keeps data that fills the whole buffer terminated.
        char name[kBufferSize + 1] = {};
        char data[kBufferSize + 1] = {};
        DWORD nameLength = kBufferSize, dataLength = kBufferSize, type = 0;
        if (::RegEnumValueA(m_key.Get(), index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                            &dataLength) != ERROR_SUCCESS)
            break;
        values.push_back({name, data});
    }
    Close();
    return 0;
}

ValueLookup CRegistryKey::LookUp(const std::string& name, std::string& data) const
{
    if (!m_key) return ValueLookup::KeyUnavailable;
    char buffer[kBufferSize + 1] = {};
    DWORD length = kBufferSize, type = 0;
    LONG rc = ::RegQueryValueExA(m_key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &length);
    if (rc == ERROR_FILE_NOT_FOUND) return ValueLookup::Missing;
    // Data too long for the buffer names no path that could be followed.
    data = rc == ERROR_SUCCESS ? std::string(buffer) : std::string();
    return ValueLookup::Found;
}

bool CRegistryKey::DeleteValue(const std::string& name)
{
    return m_key && ::RegDeleteValueA(m_key.Get(), name.c_str()) == ERROR_SUCCESS;
}
