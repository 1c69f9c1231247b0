#include "framework/FrameWindow.h"

#include "framework/Application.h"
#include "framework/Dialog.h"

#include <string>

namespace kx {

const char* const CFrameWnd::kClassName = "KxFrameWnd";

CFrameWnd::~CFrameWnd()
{
    DestroyWindow();
}

bool CFrameWnd::LoadFrame(UINT resourceId, DWORD style, HWND hParent)
{
    HINSTANCE module = CDialog::ResourceModule();
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.hInstance = module;
    wc.hIcon = ::LoadIconA(module, MAKEINTRESOURCEA(resourceId));
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassOnce(wc)) return false;
    char text[256] = {};
    ::LoadStringA(module, resourceId, text, sizeof text);
    std::string title(text);
    title = title.substr(0, title.find('\n'));
    Menu menu(::LoadMenuA(module, MAKEINTRESOURCEA(resourceId)));
    m_hAccel = ::LoadAcceleratorsA(module, MAKEINTRESOURCEA(resourceId));
    // The window owns its menu from WM_NCCREATE on, and destroys it with
    // itself, also when WM_CREATE fails; only a menu no window took is ours.
    HMENU handle = menu.Get();
    bool created = CreateEx(0, kClassName, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, hParent, handle, module);
    if (created || (handle && !::IsMenu(handle))) menu.Release();
    return created;
}

bool CFrameWnd::PreTranslateMessage(MSG* msg)
{
    return m_hAccel && m_hWnd && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
           ::TranslateAcceleratorA(m_hWnd, m_hAccel, msg);
}

void CFrameWnd::PostNcDestroy()
{
    CApplication* app = CApplication::Current();
    if (app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
}

}   // namespace kx
