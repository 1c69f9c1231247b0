#include "OptionsDialog.h"

#include "Settings.h"
#include "resource.h"

namespace {
const LONG kMinute = 60000;
}

COptionsDialog::COptionsDialog(HWND hParent) : CDialog(IDD_OPTIONS, hParent) {}

const kx::MessageMap* COptionsDialog::GetMessageMap() const
{
    static const kx::MessageEntry entries[] = {
        kx::OnMessage(WM_SHOWWINDOW, &COptionsDialog::OnShowWindow),
        kx::OnCommand(IDC_AUTOSCAN, BN_CLICKED, &COptionsDialog::OnAutoScan),
        kx::OnCommand(IDC_SILENT, BN_CLICKED, &COptionsDialog::OnSilent),
        kx::OnCommand(IDC_LOG, BN_CLICKED, &COptionsDialog::OnLogging),
        kx::OnCommand(IDC_MONITOR, BN_CLICKED, &COptionsDialog::OnMonitor),
        kx::OnCommand(IDC_INTERVAL, CBN_SELCHANGE, &COptionsDialog::OnIntervalChanged),
    };
    static const kx::MessageMap map{CDialog::GetMessageMap(), entries, sizeof entries / sizeof entries[0]};
    return &map;
}

void COptionsDialog::BindControls()
{
    BindControl(IDC_AUTOSCAN, m_autoScan);
    BindControl(IDC_SILENT, m_silent);
    BindControl(IDC_MONITOR, m_monitor);
    BindControl(IDC_LOG, m_logging);
    BindControl(IDC_INTERVAL, m_interval);
}

LONG COptionsDialog::CheckState(const kx::CControl& box) const
{
    return static_cast<LONG>(box.Send(BM_GETCHECK));
}

LRESULT COptionsDialog::OnShowWindow(WPARAM wParam, LPARAM lParam)
{
    LRESULT result = DefWindowProc(WM_SHOWWINDOW, wParam, lParam);
    m_autoScan.Send(BM_SETCHECK, g_pSettings->AutoScan);
    m_logging.Send(BM_SETCHECK, g_pSettings->LoggingEnabled);
    m_monitor.Send(BM_SETCHECK, g_pSettings->TimedScanning);
    m_silent.Send(BM_SETCHECK, g_pSettings->SilentMode);
    // Whole minutes, truncated; anything outside 1..10 shows no selection.
    LONG index = g_pSettings->ScanInterval / 1000 / 60 - 1;
    if (index < 0 || index > 9) index = -1;
    m_interval.Send(CB_SETCURSEL, static_cast<WPARAM>(index));
    if (g_pSettings->TimedScanning) m_interval.Enable(true);
    return result;
}

void COptionsDialog::OnAutoScan()
{
    g_pSettings->AutoScan = CheckState(m_autoScan);
}

void COptionsDialog::OnSilent()
{
    g_pSettings->SilentMode = CheckState(m_silent);
}

void COptionsDialog::OnLogging()
{
    g_pSettings->LoggingEnabled = CheckState(m_logging);
}

void COptionsDialog::OnMonitor()
{
    g_pSettings->TimedScanning = CheckState(m_monitor);
    m_interval.Enable(g_pSettings->TimedScanning == 1);
    RecomputeInterval();
}

void COptionsDialog::OnIntervalChanged()
{
    RecomputeInterval();
}

void COptionsDialog::RecomputeInterval()
{
    LONG index = static_cast<LONG>(m_interval.Send(CB_GETCURSEL));
    // Deliberate: no selection (CB_ERR, -1) gives 0 and so one minute; the
    // combo box's positions 0..9 are 1..10 minutes.
    g_pSettings->ScanInterval = (index + 1) * kMinute;
    if (g_pSettings->ScanInterval == 0) g_pSettings->ScanInterval = kMinute;
}
