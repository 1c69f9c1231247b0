// A static control turned into a hyperlink: link colours and an underlined
// font, a hand cursor, a tool tip with its target, and a click that opens the
// target through the shell (with a fallback through the .htm command).
#pragma once

#include "framework/Handles.h"
#include "framework/Window.h"

#include <string>

class CLinkLabel : public kx::CWindow {
public:
    CLinkLabel();
    ~CLinkLabel() override;

    void SetTarget(const std::string& url);
    void MarkVisited(bool visited);
    bool PreTranslateMessage(MSG* msg) override;

    const std::string& Target() const { return m_strTarget; }
    bool IsVisited() const { return m_bLinkVisited != 0; }
    bool IsHovered() const { return m_bMouseOver != 0; }
    COLORREF TextColour() const;
    HWND ToolTip() const { return m_tip; }

    // The shell's result code for opening url (> 32 is success).
    static UINT_PTR OpenTarget(const std::string& url, int showCommand);
    // The message box for a failed open.
    static void ShowOpenError(UINT_PTR code);
    static std::string OpenErrorText(UINT_PTR code);

    static const COLORREF kNormal;
    static const COLORREF kVisited;

protected:
    const kx::MessageMap* GetMessageMap() const override;
    void OnSubclassed() override;

private:
    void FitToText();
    void LoadHandCursor();
    void OnClicked();
    HBRUSH OnCtlColor(HDC dc, HWND control);
    bool OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage);
    void OnMouseMove(UINT keys, POINT point);
    void OnCaptureChanged(HWND newCapture);
    void OnDestroy();

    COLORREF m_clrNormal;
    COLORREF m_clrVisited;
    COLORREF m_clrHover;
    bool m_bMouseOver = false;
    bool m_bLinkVisited = false;
    std::string m_strTarget;
    kx::GdiObject m_fontLink;
    kx::Icon m_handCursor;   // a cursor is an icon to the system
    HWND m_tip = nullptr;
};
