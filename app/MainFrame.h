// The hidden main window: owns the tray icon, the scan timer and the tray
// menu's commands; runs the start-up scan and every timed scan, and opens the
// main dialog when asked or when a scan finds the trojan.
#pragma once

#include "Dialog.h"
#include "FrameWindow.h"
#include "Settings.h"
#include "SystemTray.h"

class CMainFrame : public kx::CFrameWnd {
public:
    CMainFrame();   // empties g_pEngine
    ~CMainFrame() override;

    UINT_PTR StartTimer(UINT interval);
    BOOL StopTimer(UINT_PTR id);

    CSystemTray m_tray;

    static const UINT kTrayCallback = WM_USER + 10;   // 1034
    static const UINT_PTR kTimerId = 1224;
    static const char* const kTrayTip;

protected:
    const kx::MessageMap* GetMessageMap() const override;

    UINT_PTR m_nTimerId = 0;
    BYTE m_bBusy = 0;
    kx::CDialog* m_pShownDialog = nullptr;   // the dialog RunWithTrayHidden runs

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);
    void OnOpen();
    void OnDetect();
    void OnOptions();
    void OnAbout();
    // A command of the frame, or a tick, is ignored while the frame runs one
    // (m_bBusy) or any engine pass runs (g_bEnginePass).
    bool Busy() const { return m_bBusy || g_bEnginePass; }
    // Runs a dialog modally with the tray icon hidden, and shows the icon
    // again afterwards unless OK in it ends the program.
    INT_PTR RunWithTrayHidden(kx::CDialog& dialog, bool okEndsTheProgram);
    void OnUninstall();
    void OnExit();

    void RestartTimer();
    void StopScanTimer();
    void Close();
};
