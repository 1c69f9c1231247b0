#include "engine/ProgressPopup.h"

#include "framework/FormatText.h"
#include "framework/Application.h"
#include "engine/EngineModule.h"

#include <commctrl.h>

#include <cstdarg>

const char* const CProgressPopup::kClassName = "KestrixProgressPopup";

namespace {

const int kInitialWidth = 390;
const int kInitialHeight = 130;
const int kMargin = 10;

bool RegisterPopupClass(HINSTANCE module)
{
    WNDCLASSA wc{};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.hInstance = module;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_APPSTARTING);
    wc.lpszClassName = CProgressPopup::kClassName;
    return kx::CWindow::RegisterClassOnce(wc);
}

HWND DefaultOwner()
{
    if (kx::CApplication* app = kx::CApplication::Current()) {
        if (app->m_pMainWnd && app->m_pMainWnd->GetSafeHwnd()) return app->m_pMainWnd->GetSafeHwnd();
    }
    return ::GetActiveWindow();
}

}   // namespace

CProgressPopup::~CProgressPopup()
{
    DestroyWindow();
}

const kx::MessageMap* CProgressPopup::GetMessageMap() const
{
    static const kx::MessageEntry entries[] = {
        kx::OnEraseBkgnd(&CProgressPopup::OnEraseBkgnd),
        kx::OnCommand(kCancelId, BN_CLICKED, &CProgressPopup::OnCancel),
    };
    static const kx::MessageMap map = kx::MakeMessageMap(CWindow::GetMessageMap(), entries);
    return &map;
}

bool CProgressPopup::OnEraseBkgnd(HDC dc)
{
    RECT clip;
    ::GetClipBox(dc, &clip);
    ::FillRect(dc, &clip, ::GetSysColorBrush(COLOR_BTNFACE));   // the system's own brush: nothing to free
    return true;
}

void CProgressPopup::OnCancel()
{
    m_bCancelled = true;
}

bool CProgressPopup::Create(HWND hOwner, const char* caption, bool bSmooth)
{
    HINSTANCE module = EngineModule();
    if (!RegisterPopupClass(module)) return false;

    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        m_font.Reset(::CreateFontIndirectA(&metrics.lfMessageFont));

    HWND owner = hOwner ? hOwner : DefaultOwner();
    if (!CreateEx(WS_EX_DLGMODALFRAME, kClassName, caption, WS_POPUP | WS_CAPTION, 0, 0, kInitialWidth, kInitialHeight,
                  owner, nullptr, module))
        return false;

    auto child = [&](const char* cls, const char* text, DWORD style, int id) {
        return ::CreateWindowExA(0, cls, text, WS_CHILD | style, 0, 0, 10, 10, m_hWnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
    };
    m_hText = child("STATIC", "", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, kTextId);
    if (!m_hText) return false;
    m_hBar = child(PROGRESS_CLASSA, nullptr, WS_VISIBLE | (bSmooth ? PBS_SMOOTH : 0), kBarId);
    if (!m_hBar) return false;
    // Never made visible: its place is kept free, Escape is the way to cancel.
    m_hCancel = child("BUTTON", "Cancel", WS_TABSTOP, kCancelId);
    if (!m_hCancel) return false;

    ::SendMessageA(m_hCancel, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), TRUE);
    ::SendMessageA(m_hText, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), TRUE);

    Layout(m_nTextLines, kInitialWidth);

    // Centre on a visible owner, else on the work area.
    RECT area, self;
    if (owner && ::IsWindowVisible(owner))
        ::GetWindowRect(owner, &area);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    ::GetWindowRect(m_hWnd, &self);
    int w = self.right - self.left, h = self.bottom - self.top;
    ::SetWindowPos(m_hWnd, nullptr, area.left + (area.right - area.left - w) / 2,
                   area.top + (area.bottom - area.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    Show();
    return true;
}

void CProgressPopup::Layout(int nLines, int nWidth)
{
    const int ex = ::GetSystemMetrics(SM_CXEDGE);
    const int ey = ::GetSystemMetrics(SM_CYEDGE);

    RECT text{kMargin, kMargin, nWidth - 2 * kMargin, 120};
    SIZE button{60, 24};   // used when no device context can be had
    if (kx::WindowDC dc{m_hWnd, m_font ? m_font.Get() : ::GetStockObject(DEFAULT_GUI_FONT)}) {
        std::string lines = "M";
        for (int i = 1; i < nLines; ++i) lines += "\nM";
        ::DrawTextA(dc.Get(), lines.c_str(), -1, &text, DT_CALCRECT | DT_NOCLIP | DT_NOPREFIX);
        text.right = text.left + nWidth;
        SIZE cancel{};
        ::GetTextExtentPoint32A(dc.Get(), " Cancel ", 8, &cancel);
        button.cx = cancel.cx + 4 * ex;
        button.cy = cancel.cy + 3 * ey;
    }

    RECT cancel{text.right - button.cx, text.bottom + kMargin, text.right, text.bottom + kMargin + button.cy};
    RECT bar{text.left, cancel.top + ey, cancel.left - kMargin, cancel.bottom - ey};

    // Resize so the client area is exactly what the controls need.
    int wantWidth = (text.right - text.left) + 2 * kMargin;
    int wantHeight = (text.bottom - text.top) + (cancel.bottom - cancel.top) + 3 * kMargin;
    RECT client, window;
    ::GetClientRect(m_hWnd, &client);
    ::GetWindowRect(m_hWnd, &window);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, (window.right - window.left) + wantWidth - client.right,
                   (window.bottom - window.top) + wantHeight - client.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    auto place = [](HWND control, const RECT& r) {
        ::MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    };
    place(m_hBar, bar);
    place(m_hCancel, cancel);
    place(m_hText, text);
}

void CProgressPopup::SetRange(int nLower, int nUpper, int nStep)
{
    if (!IsWindow()) return;
    ::SendMessageA(m_hBar, PBM_SETRANGE32, nLower, nUpper);
    m_nLower = nLower;
    m_nUpper = nUpper;
    m_nStep = nStep;
    ::SendMessageA(m_hBar, PBM_SETSTEP, nStep, 0);
}

int CProgressPopup::SetStep(int nStep)
{
    if (!IsWindow()) {
        int previous = m_nStep;
        m_nStep = nStep;
        return previous;
    }
    m_nStep = nStep;
    return static_cast<int>(::SendMessageA(m_hBar, PBM_SETSTEP, nStep, 0));
}

int CProgressPopup::Percent(int nPos) const
{
    if (m_nUpper <= m_nLower) return 0;
    return static_cast<int>(static_cast<long long>(nPos) * 100 / (m_nUpper - m_nLower));
}

int CProgressPopup::SetPos(int nPos)
{
    if (!IsWindow()) return m_nPos;
    m_nPos = nPos;
    int percent = Percent(nPos);
    if (percent != m_nPercent) {
        m_nPercent = percent;
        char caption[300];
        kx::FormatText(caption, sizeof caption, "%s [%d%%]", m_strTitle.c_str(), percent);
        ::SetWindowTextA(m_hWnd, caption);
    }
    return static_cast<int>(::SendMessageA(m_hBar, PBM_SETPOS, nPos, 0));
}

int CProgressPopup::Step()
{
    if (!IsWindow()) return m_nPos;
    return SetPos(m_nPos + m_nStep);
}

void CProgressPopup::SetText(const char* format, ...)
{
    if (!IsWindow()) return;
    char text[512];
    va_list args;
    va_start(args, format);
    kx::FormatTextV(text, sizeof text, format, args);
    va_end(args);
    ::SetWindowTextA(m_hText, text);
}

void CProgressPopup::Show()
{
    if (!IsWindow() || ::IsWindowVisible(m_hWnd)) return;
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CProgressPopup::PumpMessages(bool bCancelOnEscape, bool bKeepToWindow)
{
    if (bKeepToWindow && IsWindow() && ::GetFocus() != m_hWnd) ::SetFocus(m_hWnd);

    kx::CApplication* app = kx::CApplication::Current();
    MSG msg;
    while (!m_bCancelled && ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (bKeepToWindow && msg.hwnd != m_hWnd && !(m_hWnd && ::IsChild(m_hWnd, msg.hwnd))) {
            ::PeekMessageA(&msg, nullptr, msg.message, msg.message, PM_REMOVE);   // discarded
            continue;
        }
        if (bCancelOnEscape && msg.message == WM_CHAR && msg.wParam == VK_ESCAPE) m_bCancelled = true;

        bool more = true;
        if (app) {
            more = app->PumpMessage();
        } else if (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        } else {
            more = false;
        }
        if (!more) {
            // The caller's own loop must still end.
            ::PostQuitMessage(0);
            break;
        }
    }
}
