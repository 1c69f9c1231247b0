// The tray icon: a hidden window of its own receives the shell's callbacks;
// right click shows the tray menu, double click runs its default item.
#pragma once

#include "framework/Handles.h"
#include "framework/Window.h"

#include <shellapi.h>

// The tray icon record is handed over in its first, 88-byte layout (a
// 64-character tip), which every shell accepts.
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the 88-byte NOTIFYICONDATA");
const int kTrayTipLength = 64;

class CSystemTray : public kx::CWindow {
public:
    CSystemTray() = default;
    ~CSystemTray() override;

    bool CreateTrayIcon(HWND hParent, UINT callbackMessage, const char* tip, HICON icon, UINT id);
    void DeleteTrayIcon();
    void HideTrayIcon();
    void RestoreTrayIcon();
    bool SetDefaultItem(UINT item, bool byPosition);
    virtual LRESULT OnTrayMessage(WPARAM wParam, LPARAM lParam);

    static const char* const kClassName;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool Notify(DWORD message);
    // The shell's broadcast when it (re)starts: Explorer came back.
    static UINT TaskbarCreatedMessage();
    void OnTaskbarCreated();
    // The first popup of the tray menu, loaded anew; null when missing.
    HMENU LoadPopup(kx::Menu& menu) const;

    bool m_bIconAdded = false;
    bool m_bIconHidden = false;
    NOTIFYICONDATAA m_nid{};
    UINT m_nDefaultItem = 0;
    bool m_bDefaultByPosition = true;
};
