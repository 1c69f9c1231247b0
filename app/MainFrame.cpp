#include "app/MainFrame.h"

#include "framework/FormatText.h"
#include "app/AboutBox.h"
#include "app/AppMessages.h"
#include "app/KestrixApp.h"
#include "app/OptionsDialog.h"
#include "app/ScanDialog.h"
#include "app/ProgramState.h"
#include "Version.h"
#include "app/resource.h"

#include <utility>

const char* const CMainFrame::kTrayTip = KX_TITLE;

CMainFrame::CMainFrame(CProgramState& state) : m_state(state)
{
    m_state.ReleaseEngine();
}

CMainFrame::~CMainFrame()
{
    DestroyWindow();
}

const kx::MessageMap* CMainFrame::GetMessageMap() const
{
    static const kx::MessageEntry entries[] = {
        kx::OnCreate(&CMainFrame::OnCreate),
        kx::OnTimer(&CMainFrame::OnTimer),
        kx::OnDestroy(&CMainFrame::OnDestroy),
        kx::OnEndSession(&CMainFrame::OnEndSession),
        kx::OnCommand(ID_TRAY_OPEN, kx::kMenuCommand, &CMainFrame::OnOpen),
        kx::OnCommand(ID_TRAY_DETECT, kx::kMenuCommand, &CMainFrame::OnDetect),
        kx::OnCommand(ID_TRAY_ABOUT, kx::kMenuCommand, &CMainFrame::OnAbout),
        kx::OnCommand(ID_TRAY_OPTIONS, kx::kMenuCommand, &CMainFrame::OnOptions),
        kx::OnCommand(ID_TRAY_UNINSTALL, kx::kMenuCommand, &CMainFrame::OnUninstall),
        kx::OnCommand(ID_TRAY_EXIT, kx::kMenuCommand, &CMainFrame::OnExit),
    };
    static const kx::MessageMap map = kx::MakeMessageMap(CFrameWnd::GetMessageMap(), entries);
    return &map;
}

UINT_PTR CMainFrame::StartTimer(UINT interval)
{
    UINT_PTR id = ::SetTimer(m_hWnd, kTimerId, interval, nullptr);
    if (id == 0) {
        ::MessageBoxA(nullptr, "Unable to obtain timer. Timed scanning has been turned off.",
                      LoadAppString(IDS_TITLE).c_str(), MB_OK | MB_SYSTEMMODAL);
        m_state.Settings().TimedScanning = 0;
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
    m_nTimerId = StartTimer(static_cast<UINT>(m_state.Settings().ScanInterval));
}

void CMainFrame::Close()
{
    ::SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
}

bool CMainFrame::OnCreate(const CREATESTRUCTA&)
{
    HICON icon = ::LoadIconA(kx::CDialog::ResourceModule(), MAKEINTRESOURCEA(IDI_KESTRIX));
    if (!m_tray.CreateTrayIcon(nullptr, kTrayCallback, kTrayTip, icon, IDR_TRAYMENU)) return false;
    m_tray.SetDefaultItem(0, true);
    if (m_state.Settings().AutoScan) Detect();
    if (!m_hWnd) return false;   // Exit was chosen in a results dialog
    if (m_state.Settings().TimedScanning) RestartTimer();
    return true;
}

void CMainFrame::OnTimer(UINT_PTR)
{
    Detect();   // also under the about box, which leaves the timer running
}

void CMainFrame::OnDestroy()
{
    m_tray.DeleteTrayIcon();
    StopScanTimer();
    m_tray.DestroyWindow();
}

void CMainFrame::OnEndSession(bool ending)
{
    // The session ends: Windows may end the process from here on without the
    // normal exit that would write the settings.
    if (ending) m_state.SaveSettings();
}

bool CMainFrame::Busy() const
{
    return m_state.PassRunning() || m_pShownDialog;
}

void CMainFrame::OnDetect()
{
    if (!Busy()) Detect();
}

void CMainFrame::Detect()
{
    if (m_state.PassRunning()) return;   // a nested tick or command
    StopScanTimer();
    LONG result = 0;
    {
        // With its "not detected" box: what that box dispatches is ignored too.
        CEnginePassScope pass(m_state);
        IScanEngine* engine = m_state.EnsureEngineOrExit();
        const AppSettings& settings = m_state.Settings();
        engine->Init(settings.LoggingEnabled, settings.SilentMode, &result);
        engine->DetectDW(&result);
        if (result == 0) {
            if (settings.SilentMode == 0) AppMessageBox(IDS_NOT_DETECTED, MB_OK);
            m_state.ReleaseEngine();
        }
    }
    if (result != 0) {
        // Its Remove runs a pass of its own; the frame takes no command while
        // the dialog is up, and the timer stays stopped.
        CScanDialog dialog(m_state, CScanDialog::kResultsMode);
        if (RunWithTrayHidden(dialog, true) == IDOK) {
            Close();   // the program is ending, the timer stopped
            return;
        }
    }
    if (m_state.Settings().TimedScanning) RestartTimer();
}

INT_PTR CMainFrame::RunWithTrayHidden(kx::CDialog& dialog, bool okEndsTheProgram)
{
    m_tray.HideTrayIcon();
    kx::CDialog* outer = std::exchange(m_pShownDialog, &dialog);   // a tick's results over the about box
    INT_PTR choice = dialog.DoModal();
    m_pShownDialog = outer;
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
        CScanDialog dialog(m_state);
        if (RunWithTrayHidden(dialog, true) == IDOK) {
            Close();
            return;
        }
    }
    if (m_state.Settings().TimedScanning) RestartTimer();
}

void CMainFrame::OnOptions()
{
    if (Busy()) return;
    StopScanTimer();
    {
        COptionsDialog dialog(m_state.Settings());
        if (RunWithTrayHidden(dialog, false) == IDOK) m_state.SaveSettings();
    }
    if (m_state.Settings().TimedScanning)
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
    // A pass for the whole command: its message boxes pump messages, and a
    // timer tick must not start a detection once the engine is unregistered.
    CEnginePassScope pass(m_state);
    CKestrixApp::Uninstall(m_state, m_tray);   // returns only when it failed: the program goes on
}

void CMainFrame::OnExit()
{
    Close();
}
