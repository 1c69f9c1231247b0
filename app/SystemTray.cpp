#include "app/SystemTray.h"

#include "framework/Application.h"
#include "framework/Dialog.h"

#include <shellapi.h>

const char* const CSystemTray::kClassName = "KxSystemTray";

CSystemTray::~CSystemTray()
{
    DeleteTrayIcon();
    DestroyWindow();
}

bool CSystemTray::Notify(DWORD message)
{
    return ::Shell_NotifyIconA(message, &m_nid) != FALSE;
}

bool CSystemTray::CreateTrayIcon(HWND hParent, UINT callbackMessage, const char* tip, HICON icon, UINT id)
{
    if (LOBYTE(LOWORD(::GetVersion())) < 4) {
        m_bIconAdded = false;
        return false;
    }
    HINSTANCE module = kx::CDialog::ResourceModule();
    WNDCLASSA wc{};
    wc.hInstance = module;
    wc.lpszClassName = kClassName;
    RegisterClassOnce(wc);
    CreateEx(0, kClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, module);

    m_nid = NOTIFYICONDATAA{};
    m_nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_nid.hWnd = hParent ? hParent : m_hWnd;
    m_nid.uID = id;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = callbackMessage;
    m_nid.hIcon = icon;
    lstrcpynA(m_nid.szTip, tip, kTrayTipLength);
    m_bIconAdded = Notify(NIM_ADD);
    return m_bIconAdded;
}

void CSystemTray::DeleteTrayIcon()
{
    if (!m_bIconAdded) return;
    m_nid.uFlags = 0;
    Notify(NIM_DELETE);
    m_bIconAdded = false;
}

void CSystemTray::HideTrayIcon()
{
    if (!m_bIconAdded || m_bIconHidden) return;
    m_nid.uFlags = NIF_ICON;
    Notify(NIM_DELETE);
    m_bIconHidden = true;
}

void CSystemTray::RestoreTrayIcon()
{
    if (!m_bIconAdded || !m_bIconHidden) return;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    Notify(NIM_ADD);
    m_bIconHidden = false;
}

HMENU CSystemTray::LoadPopup(kx::Menu& menu) const
{
    menu.Reset(::LoadMenuA(kx::CDialog::ResourceModule(), MAKEINTRESOURCEA(m_nid.uID)));
    HMENU popup = menu ? ::GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup) menu.Reset();
    return popup;
}

bool CSystemTray::SetDefaultItem(UINT item, bool byPosition)
{
    if (item == m_nDefaultItem && byPosition == m_bDefaultByPosition) return true;
    m_nDefaultItem = item;
    m_bDefaultByPosition = byPosition;
    kx::Menu menu;
    HMENU popup = LoadPopup(menu);
    if (!popup) return false;
    ::SetMenuDefaultItem(popup, item, byPosition ? TRUE : FALSE);
    return true;
}

LRESULT CSystemTray::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_nid.uCallbackMessage && message == m_nid.uCallbackMessage) return OnTrayMessage(wParam, lParam);
    if (message == TaskbarCreatedMessage() && message != 0) {
        OnTaskbarCreated();
        return 0;
    }
    return CWindow::WindowProc(message, wParam, lParam);
}

UINT CSystemTray::TaskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

void CSystemTray::OnTaskbarCreated()
{
    // A new shell has no icons: add ours again, unless it is hidden for an
    // open dialog (RestoreTrayIcon adds it when the dialog closes).
    if (!m_bIconAdded || m_bIconHidden) return;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    Notify(NIM_ADD);
}

LRESULT CSystemTray::OnTrayMessage(WPARAM wParam, LPARAM lParam)
{
    if (wParam != m_nid.uID) return 0;
    kx::CApplication* app = kx::CApplication::Current();
    HWND target = app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;

    if (LOWORD(lParam) == WM_RBUTTONUP) {
        kx::Menu menu;
        HMENU popup = LoadPopup(menu);
        if (!popup) return 0;
        ::SetMenuDefaultItem(popup, m_nDefaultItem, m_bDefaultByPosition);
        POINT cursor;
        ::GetCursorPos(&cursor);
        ::SetForegroundWindow(target);
        ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, 0, target, nullptr);
        ::PostMessageA(target, WM_NULL, 0, 0);
        return 1;
    }
    if (LOWORD(lParam) == WM_LBUTTONDBLCLK) {
        ::SetForegroundWindow(target);
        UINT id = m_nDefaultItem;
        if (m_bDefaultByPosition) {
            kx::Menu menu;
            HMENU popup = LoadPopup(menu);
            if (!popup) return 0;
            id = ::GetMenuItemID(popup, static_cast<int>(m_nDefaultItem));
        }
        ::SendMessageA(target, WM_COMMAND, id, 0);
        return 1;
    }
    return 1;
}
