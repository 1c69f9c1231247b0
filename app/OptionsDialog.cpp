#include "app/OptionsDialog.h"

#include "app/Settings.h"
#include "app/resource.h"

namespace {
const LONG kMinute = 60000;
}

COptionsDialog::COptionsDialog(AppSettings& settings, HWND hParent)
    : CDialog(IDD_OPTIONS, hParent), m_settings(settings)
{
}

const kx::MessageMap* COptionsDialog::GetMessageMap() const
{
    static const kx::MessageEntry entries[] = {
        kx::OnShowWindow(&COptionsDialog::OnShowWindow),
        kx::OnCommand(IDC_AUTOSCAN, BN_CLICKED, &COptionsDialog::OnAutoScan),
        kx::OnCommand(IDC_SILENT, BN_CLICKED, &COptionsDialog::OnSilent),
        kx::OnCommand(IDC_LOG, BN_CLICKED, &COptionsDialog::OnLogging),
        kx::OnCommand(IDC_MONITOR, BN_CLICKED, &COptionsDialog::OnMonitor),
        kx::OnCommand(IDC_INTERVAL, CBN_SELCHANGE, &COptionsDialog::OnIntervalChanged),
    };
    static const kx::MessageMap map = kx::MakeMessageMap(CDialog::GetMessageMap(), entries);
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

void COptionsDialog::OnShowWindow(bool)
{
    m_autoScan.SetCheck(m_settings.AutoScan);
    m_logging.SetCheck(m_settings.LoggingEnabled);
    m_monitor.SetCheck(m_settings.TimedScanning);
    m_silent.SetCheck(m_settings.SilentMode);
    // Whole minutes, truncated; anything outside 1..10 shows no selection.
    LONG index = m_settings.ScanInterval / 1000 / 60 - 1;
    if (index < 0 || index > 9) index = -1;
    m_interval.SetCurSel(static_cast<int>(index));
    if (m_settings.TimedScanning) m_interval.Enable(true);
}

void COptionsDialog::OnAutoScan()
{
    m_settings.AutoScan = m_autoScan.GetCheck();
}

void COptionsDialog::OnSilent()
{
    m_settings.SilentMode = m_silent.GetCheck();
}

void COptionsDialog::OnLogging()
{
    m_settings.LoggingEnabled = m_logging.GetCheck();
}

void COptionsDialog::OnMonitor()
{
    m_settings.TimedScanning = m_monitor.GetCheck();
    m_interval.Enable(m_settings.TimedScanning == 1);
    RecomputeInterval();
}

void COptionsDialog::OnIntervalChanged()
{
    RecomputeInterval();
}

void COptionsDialog::RecomputeInterval()
{
    LONG index = m_interval.GetCurSel();
    // Deliberate: no selection (CB_ERR, -1) gives 0 and so one minute; the
    // combo box's positions 0..9 are 1..10 minutes.
    m_settings.ScanInterval = (index + 1) * kMinute;
    if (m_settings.ScanInterval == 0) m_settings.ScanInterval = kMinute;
}
