// The tray icon: a hidden window of its own receives the shell's callbacks;
// right click shows the tray menu, double click runs its default item.
#pragma once

#include "Handles.h"
#include "Window.h"

// The original 88-byte NOTIFYICONDATA layout (64-character tip), which every
// shell accepts.
struct TrayIconData {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[64];
};
static_assert(sizeof(TrayIconData) == 88, "the 88-byte NOTIFYICONDATA");

class CSystemTray : public kx::CWindow {
public:
    CSystemTray() = default;
    ~CSystemTray() override;

    BOOL CreateTrayIcon(HWND hParent, UINT callbackMessage, const char* tip, HICON icon, UINT id);
    void DeleteTrayIcon();
    void HideTrayIcon();
    void RestoreTrayIcon();
    BOOL SetDefaultItem(UINT item, BOOL byPosition);
    virtual LRESULT OnTrayMessage(WPARAM wParam, LPARAM lParam);

    bool IsAdded() const { return m_bIconAdded != 0; }
    bool IsHidden() const { return m_bIconHidden != 0; }
    const TrayIconData& IconData() const { return m_nid; }

    static const char* const kClassName;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    BOOL Notify(DWORD message);
    // The shell's broadcast when it (re)starts: Explorer came back.
    static UINT TaskbarCreatedMessage();
    void OnTaskbarCreated();
    // The first popup of the tray menu, loaded anew; null when missing.
    HMENU LoadPopup(kx::Menu& menu) const;

    BOOL m_bIconAdded = FALSE;
    BOOL m_bIconHidden = FALSE;
    TrayIconData m_nid{};
    UINT m_nDefaultItem = 0;
    BOOL m_bDefaultByPosition = TRUE;
};
