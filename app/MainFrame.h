// The hidden main window: owns the tray icon, the scan timer and the tray
// menu's commands; runs the start-up scan and every timed scan, and opens the
// main dialog when asked or when a scan finds the trojan.
#pragma once

#include "framework/Dialog.h"
#include "framework/FrameWindow.h"
#include "app/SystemTray.h"

class CProgramState;

class CMainFrame : public kx::CFrameWnd {
public:
    explicit CMainFrame(CProgramState& state);   // empties the engine slot
    ~CMainFrame() override;

    UINT_PTR StartTimer(UINT interval);
    BOOL StopTimer(UINT_PTR id);

    CSystemTray m_tray;

    static const UINT kTrayCallback = WM_USER + 10;   // 1034
    static const UINT_PTR kTimerId = 1224;
    static const char* const kTrayTip;

protected:
    const kx::MessageMap* GetMessageMap() const override;

    CProgramState& m_state;
    UINT_PTR m_nTimerId = 0;
    kx::CDialog* m_pShownDialog = nullptr;   // the dialog RunWithTrayHidden runs

private:
    bool OnCreate(const CREATESTRUCTA& cs);
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    void OnEndSession(bool ending);
    void OnOpen();
    void OnDetect();
    void OnOptions();
    void OnAbout();
    // The start-up scan and each tick; the tray's Detect when not busy.
    void Detect();
    // A command of the tray menu is ignored while a pass runs, and while a
    // dialog of the frame is up (the icon is hidden then: only another
    // program could send one; Open brings that dialog forward instead).
    bool Busy() const;
    // Runs a dialog modally with the tray icon hidden, and shows the icon
    // again afterwards unless OK in it ends the program.
    INT_PTR RunWithTrayHidden(kx::CDialog& dialog, bool okEndsTheProgram);
    void OnUninstall();
    void OnExit();

    void RestartTimer();
    void StopScanTimer();
    void Close();
};
