#include "Settings.h"

#include "Handles.h"

AppSettings* g_pSettings = nullptr;
bool g_bUninstalled = false;
bool g_bEnginePass = false;

const char* const kSettingsKeyPath = "SOFTWARE\\Penhallow\\Kestrix";
const char* const kMakerKeyPath = "SOFTWARE\\Penhallow";

namespace {

// Reads a value of exactly four bytes; false when missing or of another size.
bool ReadFourBytes(HKEY key, const char* name, LONG& value, DWORD& type)
{
    BYTE data[4] = {};
    DWORD size = sizeof data;
    if (::RegQueryValueExA(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS || size != sizeof data)
        return false;
    value = static_cast<LONG>(data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<DWORD>(data[3]) << 24));
    return true;
}

void ReadSwitch(HKEY key, const char* name, LONG& field)
{
    LONG value = 0;
    DWORD type = 0;
    if (ReadFourBytes(key, name, value, type) && (value == 0 || value == 1)) field = value;
}

void WriteSwitch(HKEY key, const char* name, LONG field)
{
    ::RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&field), sizeof field);
}

}   // namespace

void CreateSettingsState()
{
    g_bUninstalled = false;
    g_pSettings = new AppSettings;
    g_pSettings->AutoScan = 1;
    g_pSettings->LoggingEnabled = 1;
    g_pSettings->SilentMode = 0;
    g_pSettings->TimedScanning = 0;
    g_pSettings->ScanInterval = 3;   // milliseconds, as the program has always had it
}

void DestroySettingsState()
{
    delete g_pSettings;
    g_pSettings = nullptr;
}

LONG OpenSettingsKey(HKEY* key)
{
    return ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, key, nullptr);
}

void ReadSettings(HKEY key)
{
    ReadSwitch(key, "AutoScan", g_pSettings->AutoScan);
    ReadSwitch(key, "LoggingEnabled", g_pSettings->LoggingEnabled);
    ReadSwitch(key, "SilentMode", g_pSettings->SilentMode);
    ReadSwitch(key, "TimedScanning", g_pSettings->TimedScanning);
    LONG value = 0;
    DWORD type = 0;
    if (ReadFourBytes(key, "ScanInterval", value, type) && type == REG_DWORD) g_pSettings->ScanInterval = value;
}

void WriteSettings(HKEY key)
{
    WriteSwitch(key, "AutoScan", g_pSettings->AutoScan);
    WriteSwitch(key, "LoggingEnabled", g_pSettings->LoggingEnabled);
    WriteSwitch(key, "SilentMode", g_pSettings->SilentMode);
    WriteSwitch(key, "TimedScanning", g_pSettings->TimedScanning);
    ::RegSetValueExA(key, "ScanInterval", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&g_pSettings->ScanInterval),
                     sizeof g_pSettings->ScanInterval);
}

void SaveSettings()
{
    if (g_bUninstalled) return;
    kx::RegKey key;
    if (OpenSettingsKey(key.Put()) == ERROR_SUCCESS) WriteSettings(key.Get());
}
