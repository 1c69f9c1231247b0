// The application object: one Kestrix per session, COM, the settings key,
// first-run registration of the engine, the hidden frame; at the end the
// engine released, the settings written and COM ended. Also the uninstall
// command.
#pragma once

#include "framework/Application.h"
#include "app/ProgramState.h"
#include "app/SingleInstance.h"

#include <memory>

class CMainFrame;
class CSystemTray;

class CKestrixApp : public kx::CApplication {
public:
    CKestrixApp();
    ~CKestrixApp() override;

    bool InitInstance() override;

    // First-run registration through regsvr32.exe in the current directory,
    // proved by creating one engine object.
    bool RegisterEngine(HKEY settingsKey);

    // Deletes the settings key, starts the unregistration and ends the
    // process with 65535 (nothing else is cleaned up).
    static void Uninstall(CProgramState& state, CSystemTray& tray);

    static const char* const kRegistrationFailed;

private:
    CProgramState m_state;   // before the frame, which refers to it
    std::unique_ptr<CMainFrame> m_pFrame;
    CSingleInstance m_instance;
    bool m_bOtherInstanceRuns = false;   // this start ends at once, writing nothing
};
