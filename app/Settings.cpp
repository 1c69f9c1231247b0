#include "app/Settings.h"

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

AppSettings DefaultSettings()
{
    AppSettings settings{};
    settings.AutoScan = 1;
    settings.LoggingEnabled = 1;
    settings.SilentMode = 0;
    settings.TimedScanning = 0;
    settings.ScanInterval = 3;   // milliseconds, as the program has always had it
    return settings;
}

LONG OpenSettingsKey(HKEY* key)
{
    return ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, key, nullptr);
}

void ReadSettings(HKEY key, AppSettings& settings)
{
    ReadSwitch(key, "AutoScan", settings.AutoScan);
    ReadSwitch(key, "LoggingEnabled", settings.LoggingEnabled);
    ReadSwitch(key, "SilentMode", settings.SilentMode);
    ReadSwitch(key, "TimedScanning", settings.TimedScanning);
    LONG value = 0;
    DWORD type = 0;
    if (ReadFourBytes(key, "ScanInterval", value, type) && type == REG_DWORD) settings.ScanInterval = value;
}

void WriteSettings(HKEY key, const AppSettings& settings)
{
    WriteSwitch(key, "AutoScan", settings.AutoScan);
    WriteSwitch(key, "LoggingEnabled", settings.LoggingEnabled);
    WriteSwitch(key, "SilentMode", settings.SilentMode);
    WriteSwitch(key, "TimedScanning", settings.TimedScanning);
    ::RegSetValueExA(key, "ScanInterval", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&settings.ScanInterval),
                     sizeof settings.ScanInterval);
}
