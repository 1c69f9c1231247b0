// The options dialog: every click changes the settings record at once; there
// is no Cancel, and Escape keeps what was changed.
#pragma once

#include "framework/Dialog.h"
#include "app/Settings.h"

class COptionsDialog : public kx::CDialog {
public:
    explicit COptionsDialog(AppSettings& settings, HWND hParent = nullptr);

protected:
    const kx::MessageMap* GetMessageMap() const override;
    void BindControls() override;

private:
    void OnShowWindow(bool show);
    void OnAutoScan();
    void OnSilent();
    void OnLogging();
    void OnMonitor();
    void OnIntervalChanged();
    void RecomputeInterval();

    AppSettings& m_settings;
    kx::CButton m_autoScan, m_silent, m_monitor, m_logging;
    kx::CComboBox m_interval;
};
