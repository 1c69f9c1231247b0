// The user's settings: the record, its defaults, and its values under the
// settings key.
#pragma once

#include <windows.h>

struct AppSettings {
    LONG AutoScan;         // 1: detect as soon as the frame exists
    LONG SilentMode;       // 1: speak up only on a find or a failed removal
    LONG TimedScanning;    // 1: rescan every ScanInterval milliseconds
    LONG ScanInterval;     // milliseconds
    LONG LoggingEnabled;   // 1: the engine writes Kestrix.log
};

extern const char* const kSettingsKeyPath;   // under HKEY_LOCAL_MACHINE
extern const char* const kMakerKeyPath;

// The record as the application object starts with it.
AppSettings DefaultSettings();

// Opens (creating) the settings key; ERROR_SUCCESS or the error.
LONG OpenSettingsKey(HKEY* key);

// The five values between the open key and the record. A switch is taken
// when it is 0 or 1 whatever its type, ScanInterval only as a REG_DWORD; a
// value that is missing, longer or shorter than 4 bytes is not taken.
void ReadSettings(HKEY key, AppSettings& settings);
void WriteSettings(HKEY key, const AppSettings& settings);
