// The engine's registry helper for the RunServices key: its values read as
// text, one value looked up, one value deleted.
#pragma once

#include "framework/Handles.h"
#include "engine/core/Machine.h"

#include <string>
#include <vector>

class CRegistryKey {
public:
    virtual ~CRegistryKey() = default;

    // Opens the key, creating a missing one as volatile. Returns the Win32
    // error code (0 on success).
    LONG Open(HKEY hRoot, const std::string& strPath);
    LONG Close();

    // Every value in the key's order, its data as zero-terminated text
    // within kBufferSize bytes. A name or data longer than the buffers ends
    // the enumeration there. Returns the error of opening the key.
    LONG ReadValues(HKEY hRoot, const std::string& strPath, std::vector<RunServicesValue>& values);
    // The data of one value of the open key, read as ReadValues reads it.
    ValueLookup LookUp(const std::string& name, std::string& data) const;
    bool DeleteValue(const std::string& name);

    static const DWORD kBufferSize = 260;

private:
    kx::RegKey m_key;
    std::string m_strKeyPath;
};
