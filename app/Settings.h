// The user's settings and the program-wide state shared by the desktop
// program's parts.
#pragma once

#include <windows.h>

struct AppSettings {
    LONG AutoScan;         // 1: detect as soon as the frame exists
    LONG SilentMode;       // 1: speak up only on a find or a failed removal
    LONG TimedScanning;    // 1: rescan every ScanInterval milliseconds
    LONG ScanInterval;     // milliseconds
    LONG LoggingEnabled;   // 1: the engine writes Kestrix.log
};

extern AppSettings* g_pSettings;
extern bool g_bUninstalled;

// True while a detection or removal pass runs, from the frame or the main
// dialog. The progress window and message boxes pump messages in the middle
// of a pass: a command that arrives then (a second click, a tray command, a
// timer tick) is ignored instead of starting a pass on the same engine.
extern bool g_bEnginePass;
class CEnginePassScope {
public:
    CEnginePassScope() : m_bOuter(g_bEnginePass) { g_bEnginePass = true; }
    ~CEnginePassScope() { g_bEnginePass = m_bOuter; }
    CEnginePassScope(const CEnginePassScope&) = delete;
    CEnginePassScope& operator=(const CEnginePassScope&) = delete;

private:
    bool m_bOuter;
};

extern const char* const kSettingsKeyPath;   // under HKEY_LOCAL_MACHINE
extern const char* const kMakerKeyPath;

// Sets up g_bUninstalled and g_pSettings with the defaults (the first thing
// the application object does), and frees the record again.
void CreateSettingsState();
void DestroySettingsState();

// Opens (creating) the settings key; ERROR_SUCCESS or the error.
LONG OpenSettingsKey(HKEY* key);

// The five values between the open key and *g_pSettings. A switch is taken
// when it is 0 or 1 whatever its type, ScanInterval only as a REG_DWORD; a
// value that is missing, longer or shorter than 4 bytes is not taken.
void ReadSettings(HKEY key);
void WriteSettings(HKEY key);

// Opens the settings key and writes the record into it, unless the uninstall
// ran; a failure is silent. At exit, after an options dialog closed with OK
// and when the session ends, so that no change lives only in memory.
void SaveSettings();
