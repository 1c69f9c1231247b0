// The small window shown while every running image is tested: caption with
// the percentage done, a text line, a progress bar and a Cancel button that
// is never shown (Escape cancels). It also keeps the calling thread's
// windows alive by pumping waiting messages between files.
#pragma once

#include "framework/Handles.h"
#include "framework/Window.h"

#include <string>

class CProgressPopup : public kx::CWindow {
public:
    CProgressPopup() = default;
    ~CProgressPopup() override;

    bool Create(HWND hOwner, const char* caption, bool bSmooth);
    void SetRange(int nLower, int nUpper, int nStep);
    int SetStep(int nStep);
    int SetPos(int nPos);
    int Step();
    void SetText(const char* format, ...);
    void PumpMessages(bool bCancelOnEscape, bool bKeepToWindow);
    void Show();

    bool IsCancelled() const { return m_bCancelled; }

    static const int kCancelId = 10;
    static const int kTextId = 11;
    static const int kBarId = 12;
    static const char* const kClassName;

protected:
    const kx::MessageMap* GetMessageMap() const override;
    void Layout(int nLines, int nWidth);

private:
    bool OnEraseBkgnd(HDC dc);
    void OnCancel();
    int Percent(int nPos) const;

    bool m_bCancelled = false;
    int m_nPos = 0;
    int m_nPercent = 0;
    int m_nStep = 1;
    int m_nUpper = 100;
    int m_nLower = 0;
    int m_nTextLines = 4;
    HWND m_hText = nullptr;
    HWND m_hBar = nullptr;
    HWND m_hCancel = nullptr;
    std::string m_strTitle = "Progress";
    kx::GdiObject m_font;
};
