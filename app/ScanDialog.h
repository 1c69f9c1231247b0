// The main dialog: runs a detection through the engine, shows what was found
// in two sorted lists, and runs the removal. Normal mode (from Open) or
// results mode (a detection from the tray or the timer found the trojan).
#pragma once

#include "framework/Dialog.h"

#include <array>

class CProgramState;

class CScanDialog : public kx::CDialog {
public:
    explicit CScanDialog(CProgramState& state, HWND hParent = nullptr);
    CScanDialog(CProgramState& state, int nMode, HWND hParent = nullptr);
    ~CScanDialog() override;   // releases the engine object

    static const int kNormalMode = -1;
    static const int kResultsMode = 1;

protected:
    const kx::MessageMap* GetMessageMap() const override;
    void BindControls() override;
    BOOL OnInitDialog() override;

private:
    void OnDetect();
    void OnRemove();
    void OnOptions();
    void OnAbout();
    void OnShowWindow(bool show);
    bool OnPaint();   // false: the default painting
    HICON OnQueryDragIcon();

    // The two lists and their labels, enabled and disabled together.
    std::array<kx::CControl*, 4> ResultControls()
    {
        return {&m_registryList, &m_processList, &m_processLabel, &m_registryLabel};
    }
    void ShowResults();
    void ClearResults();   // Remove off, lists and labels disabled and emptied
    void EnterResultsState();
    void SetDetectEnabled(bool enabled);

    CProgramState& m_state;
    kx::CListBox m_registryList, m_processList;
    kx::CControl m_processLabel, m_registryLabel;
    kx::CButton m_detect, m_remove;
    HICON m_hAppIcon;
    int m_nMode;
};
