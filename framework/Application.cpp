#include "framework/Application.h"

namespace kx {

namespace {
CApplication* g_pCurrentApp = nullptr;
}

CApplication::CApplication() : m_pPrevious(g_pCurrentApp)
{
    g_pCurrentApp = this;
}

CApplication::~CApplication()
{
    if (g_pCurrentApp == this) g_pCurrentApp = m_pPrevious;
}

CApplication* CApplication::Current()
{
    return g_pCurrentApp;
}

bool CApplication::PreTranslateMessage(MSG* msg)
{
    // The main window sees every message first (its accelerators).
    if (m_pMainWnd && m_pMainWnd->GetSafeHwnd() && m_pMainWnd->PreTranslateMessage(msg)) return true;
    for (HWND hWnd = msg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWindow* window = CWindow::FromHandle(hWnd);
        if (window && window->PreTranslateMessage(msg)) return true;
        if (!(::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD)) break;
    }
    return false;
}

int CApplication::Run()
{
    while (PumpMessage()) {}
    m_nExitCode = static_cast<int>(m_msgCur.wParam);
    return ExitInstance();
}

int RunApplication()
{
    CApplication* app = CApplication::Current();
    if (!app) return -1;
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}

bool CApplication::PumpMessage()
{
    if (::GetMessageA(&m_msgCur, nullptr, 0, 0) <= 0) return false;
    if (!PreTranslateMessage(&m_msgCur)) {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageA(&m_msgCur);
    }
    return true;
}

}   // namespace kx
