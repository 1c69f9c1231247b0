// The desktop program's state, one object owned by the application object
// and handed by reference to the frame and the dialogs: the user's settings,
// the one engine object the program may hold, whether a pass runs and
// whether the uninstall ran.
#pragma once

#include "app/Settings.h"

#include "framework/Handles.h"
#include "ScanEngine_h.h"

class CProgramState {
public:
    CProgramState() = default;
    CProgramState(const CProgramState&) = delete;
    CProgramState& operator=(const CProgramState&) = delete;

    AppSettings& Settings() { return m_settings; }
    const AppSettings& Settings() const { return m_settings; }

    // The engine object, or null.
    IScanEngine* Engine() const { return m_pEngine.Get(); }
    // Creates an engine object into the empty slot; false (slot empty) when
    // COM could not create one.
    bool CreateEngine();
    // The engine object, created when the slot is empty. On failure the
    // program ends: string 57348, CoUninitialize and exit status -1 (the
    // runtime's ordinary exit, so the application object's clean-up runs).
    IScanEngine* EnsureEngineOrExit();
    void ReleaseEngine() { m_pEngine.Reset(); }

    // True while a pass (or the uninstall) runs; see CEnginePassScope.
    bool PassRunning() const { return m_bPassRunning; }

    bool Uninstalled() const { return m_bUninstalled; }
    void SetUninstalled() { m_bUninstalled = true; }

    // Opens the settings key and writes the record into it, unless the
    // uninstall ran; a failure is silent. At exit, after an options dialog
    // closed with OK and when the session ends, so that no change lives only
    // in memory.
    void SaveSettings() const;

private:
    friend class CEnginePassScope;

    AppSettings m_settings = DefaultSettings();
    kx::ComPtr<IScanEngine> m_pEngine;
    bool m_bPassRunning = false;
    bool m_bUninstalled = false;
};

// Marks a pass as running for its lifetime: the one guard of the program's
// side. The progress window and the message boxes of a pass pump messages in
// its middle, so a command that arrives then (a second click, a tray
// command, a timer tick) would start a pass on the same engine object; every
// command of the frame and the main dialog is ignored while one runs. The
// engine's own re-entry check and the reference a pass holds protect
// scripts as well; this keeps the program from reaching them.
class CEnginePassScope {
public:
    explicit CEnginePassScope(CProgramState& state) : m_state(state), m_bOuter(state.m_bPassRunning)
    {
        state.m_bPassRunning = true;
    }
    ~CEnginePassScope() { m_state.m_bPassRunning = m_bOuter; }
    CEnginePassScope(const CEnginePassScope&) = delete;
    CEnginePassScope& operator=(const CEnginePassScope&) = delete;

private:
    CProgramState& m_state;
    bool m_bOuter;
};
