// The engine's registry helper for reading and cleaning the RunServices key:
// the programs its values start, the names of the values that start given
// files, and deletion of values by name.
#pragma once

#include "Handles.h"
#include "StringList.h"

#include <functional>
#include <string>

class CRegistryKey {
public:
    virtual ~CRegistryKey() = default;

    // Opens the key, creating a missing one as volatile. Returns the Win32
    // error code (0 on success).
    LONG Open(HKEY hRoot, const std::string& strPath);
    LONG Close();

    // Fills list with each value's data as a full path.
    LONG CollectValuePaths(HKEY hRoot, const std::string& strPath, CStringList& list);
    // Fills names with the values whose data, as a full path, is one of files;
    // the default value is named "(Default)".
    LONG MatchValueNames(HKEY hRoot, const std::string& strPath, const CStringList& files, CStringList& names);
    // Deletes the named values; a name that cannot be deleted costs the key
    // its default value instead. Returns the error of opening the key.
    LONG DeleteValues(HKEY hRoot, const std::string& strPath, const CStringList& names);

    static const char* const kDefaultValueName;   // "(Default)"
    static const DWORD kBufferSize = 260;

private:
    struct Value {
        std::string name;
        std::string data;   // as zero-terminated text, whatever its type
    };
    // Enumerates value index into v; false when the call did not succeed
    // (no more values, or a name or data longer than the buffers).
    bool EnumValue(DWORD index, Value& v) const;
    // Opens the key, empties out, and hands each value with its data made a
    // full path to onValue (values whose path would not fit are passed over).
    LONG ForEachValuePath(HKEY hRoot, const std::string& strPath, CStringList& out,
                          const std::function<void(const Value&, const std::string&)>& onValue);

    kx::RegKey m_hKey;
    std::string m_strKeyPath;
};

// A value's data as a full path: data without a backslash is a file in the
// system directory. Empty when the joined path would not fit MAX_PATH, so
// such a value matches nothing.
std::string MakeFullPath(const std::string& systemDirWithSlash, const std::string& data);
