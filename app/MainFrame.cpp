#include "MainFrame.h"

#include "FormatText.h"
#include "AboutBox.h"
#include "AppMessages.h"
#include "EngineSlot.h"
#include "KestrixApp.h"
#include "OptionsDialog.h"
#include "ScanDialog.h"
#include "Settings.h"
#include "Version.h"
#include "resource.h"

const char* const CMainFrame::kTrayTip = KX_TITLE;

CMainFrame::CMainFrame()
{
    ReleaseEngine();
}

CMainFrame::~CMainFrame()
{
    DestroyWindow();
}

const kx::MessageMap* CMainFrame::GetMessageMap() const
{
    static const kx::MessageEntry entries[] = {
        kx::OnMessage(WM_CREATE, &CMainFrame::OnCreate),
        kx::OnMessage(WM_TIMER, &CMainFrame::OnTimer),
        kx::OnMessage(WM_DESTROY, &CMainFrame::OnDestroy),
        kx::OnMessage(WM_ENDSESSION, &CMainFrame::OnEndSession),
        kx::OnCommand(ID_TRAY_OPEN, 0, &CMainFrame::OnOpen),
        kx::OnCommand(ID_TRAY_DETECT, 0, &CMainFrame::OnDetect),
        kx::OnCommand(ID_TRAY_ABOUT, 0, &CMainFrame::OnAbout),
        kx::OnCommand(ID_TRAY_OPTIONS, 0, &CMainFrame::OnOptions),
        kx::OnCommand(ID_TRAY_UNINSTALL, 0, &CMainFrame::OnUninstall),
        kx::OnCommand(ID_TRAY_EXIT, 0, &CMainFrame::OnExit),
    };
    static const kx::MessageMap map{CFrameWnd::GetMessageMap(), entries, sizeof entries / sizeof entries[0]};
    return &map;
}

UINT_PTR CMainFrame::StartTimer(UINT interval)
{
    UINT_PTR id = ::SetTimer(m_hWnd, kTimerId, interval, nullptr);
    if (id == 0) {
        ::MessageBoxA(nullptr, "Unable to obtain timer. Timed scanning has been turned off.",
                      LoadAppString(IDS_TITLE).c_str(), MB_OK | MB_SYSTEMMODAL);
        g_pSettings->TimedScanning = 0;
    }
    return id;
}

BOOL CMainFrame::StopTimer(UINT_PTR id)
{
    if (::KillTimer(m_hWnd, id)) return TRUE;
    char text[64];
    kx::FormatText(text, sizeof text, "Unable to kill timer: %u", static_cast<unsigned>(id));
    ::MessageBoxA(m_hWnd, text, "StopTimer", MB_OK | MB_SYSTEMMODAL);
    return FALSE;
}

void CMainFrame::StopScanTimer()
{
    if (m_nTimerId) StopTimer(m_nTimerId);
    m_nTimerId = 0;
}

void CMainFrame::RestartTimer()
{
    StopScanTimer();
    m_nTimerId = StartTimer(static_cast<UINT>(g_pSettings->ScanInterval));
}

void CMainFrame::Close()
{
    ::SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
}

LRESULT CMainFrame::OnCreate(WPARAM wParam, LPARAM lParam)
{
    if (DefWindowProc(WM_CREATE, wParam, lParam) == -1) return -1;
    HICON icon = ::LoadIconA(kx::CDialog::ResourceModule(), MAKEINTRESOURCEA(IDI_KESTRIX));
    if (!m_tray.CreateTrayIcon(nullptr, kTrayCallback, kTrayTip, icon, IDR_TRAYMENU)) return -1;
    m_tray.SetDefaultItem(0, TRUE);
    if (g_pSettings->AutoScan) OnDetect();
    if (!m_hWnd) return -1;   // Exit was chosen in a results dialog
    if (g_pSettings->TimedScanning) RestartTimer();
    return 0;
}

LRESULT CMainFrame::OnTimer(WPARAM wParam, LPARAM lParam)
{
    OnDetect();
    return m_hWnd ? DefWindowProc(WM_TIMER, wParam, lParam) : 0;
}

LRESULT CMainFrame::OnDestroy(WPARAM wParam, LPARAM lParam)
{
    m_tray.DeleteTrayIcon();
    StopScanTimer();
    m_tray.DestroyWindow();
    return DefWindowProc(WM_DESTROY, wParam, lParam);
}

LRESULT CMainFrame::OnEndSession(WPARAM wParam, LPARAM lParam)
{
    // The session ends: Windows may end the process from here on without the
    // normal exit that would write the settings.
    if (wParam) SaveSettings();
    return DefWindowProc(WM_ENDSESSION, wParam, lParam);
}

void CMainFrame::OnDetect()
{
    if (Busy()) return;   // a nested tick or command while a detection runs
    m_bBusy = 1;
    StopScanTimer();
    EnsureEngineOrExit();
    LONG result = 0;
    {
        CEnginePassScope pass;
        g_pEngine->Init(g_pSettings->LoggingEnabled, g_pSettings->SilentMode, &result);
        g_pEngine->DetectDW(&result);
    }
    if (result == 0) {
        if (g_pSettings->SilentMode == 0) AppMessageBox(IDS_NOT_DETECTED, MB_OK);
        ReleaseEngine();
    } else {
        CScanDialog dialog(CScanDialog::kResultsMode);
        if (RunWithTrayHidden(dialog, true) == IDOK) {
            Close();   // the program is ending: busy stays set, the timer stopped
            return;
        }
    }
    if (g_pSettings->TimedScanning) RestartTimer();
    m_bBusy = 0;
}

INT_PTR CMainFrame::RunWithTrayHidden(kx::CDialog& dialog, bool okEndsTheProgram)
{
    m_tray.HideTrayIcon();
    m_pShownDialog = &dialog;
    INT_PTR choice = dialog.DoModal();
    m_pShownDialog = nullptr;
    if (!(okEndsTheProgram && choice == IDOK)) m_tray.RestoreTrayIcon();   // else it goes with the program
    return choice;
}

void CMainFrame::OnOpen()
{
    // Asked by a second start while a dialog of ours is up (the tray icon is
    // hidden then, so the menu cannot ask): that dialog comes forward.
    if (m_pShownDialog && m_pShownDialog->GetSafeHwnd()) {
        ::SetForegroundWindow(::GetLastActivePopup(m_pShownDialog->GetSafeHwnd()));
        return;
    }
    if (Busy()) return;
    StopScanTimer();
    {
        CScanDialog dialog;
        if (RunWithTrayHidden(dialog, true) == IDOK) {
            Close();
            return;
        }
    }
    if (g_pSettings->TimedScanning) RestartTimer();
}

void CMainFrame::OnOptions()
{
    if (Busy()) return;
    StopScanTimer();
    {
        COptionsDialog dialog;
        if (RunWithTrayHidden(dialog, false) == IDOK) SaveSettings();
    }
    if (g_pSettings->TimedScanning)
        RestartTimer();
    else
        StopScanTimer();
}

void CMainFrame::OnAbout()
{
    if (Busy()) return;
    // Deliberate: the scan timer keeps running under the about box (the
    // other dialogs stop it); a tick meanwhile runs a pass as usual.
    CAboutBox box;
    RunWithTrayHidden(box, false);
}

void CMainFrame::OnUninstall()
{
    if (Busy()) return;
    // Busy for the whole command: its message boxes pump messages, and a
    // timer tick must not start a detection once the engine is unregistered.
    m_bBusy = 1;
    CKestrixApp::Uninstall(m_tray);
    m_bBusy = 0;   // it failed: the program goes on
}

void CMainFrame::OnExit()
{
    Close();
}
