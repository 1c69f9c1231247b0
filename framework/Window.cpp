#include "framework/Window.h"

namespace kx {

namespace {

// The first byte of the module this copy of the framework is linked into.
extern "C" IMAGE_DOS_HEADER __ImageBase;

// The window property that finds a window's object. Each module (program,
// engine DLL) links its own copy of this code and so has a name of its own,
// made from its module handle: a module only ever finds its own objects.
const char* ObjectProperty()
{
    static char name[32] = {};
    if (!name[0])
        ::wsprintfA(name, "kx.CWindow.%08lX", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(&__ImageBase)));
    return name;
}

}   // namespace

CWindow::~CWindow()
{
    DestroyWindow();
}

const MessageMap* CWindow::GetMessageMap() const
{
    static const MessageMap map{nullptr, nullptr, 0};
    return &map;
}

CWindow* CWindow::FromHandle(HWND hWnd)
{
    return hWnd ? static_cast<CWindow*>(::GetPropA(hWnd, ObjectProperty())) : nullptr;
}

void CWindow::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    ::SetPropA(hWnd, ObjectProperty(), this);
}

HWND CWindow::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd) ::RemovePropA(hWnd, ObjectProperty());
    m_hWnd = nullptr;
    return hWnd;
}

bool CWindow::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                       int height, HWND parent, HMENU menu, HINSTANCE module)
{
    HWND hWnd = ::CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu, module, this);
    if (!hWnd) {
        m_hWnd = nullptr;
        return false;
    }
    return true;
}

bool CWindow::DestroyWindow()
{
    if (!m_hWnd) return false;
    return ::DestroyWindow(m_hWnd) != FALSE;   // WM_NCDESTROY detaches
}

bool CWindow::PreTranslateMessage(MSG*)
{
    return false;
}

LRESULT CWindow::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

bool CWindow::SubclassWindow(HWND hWnd)
{
    if (!hWnd || FromHandle(hWnd)) return false;
    Attach(hWnd);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindow::StaticWindowProc)));
    OnSubclassed();
    return true;
}

bool CWindow::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    HWND child = reinterpret_cast<HWND>(lParam);
    if (!child || child == m_hWnd) return false;
    CWindow* object = FromHandle(child);
    return object && object->Dispatch(WM_REFLECT_BASE + message, wParam, lParam, result);
}

bool CWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
        for (size_t i = 0; i < map->count; ++i) {
            const MessageEntry& e = map->entries[i];
            if (e.message != message) continue;
            if (e.kind == MessageEntry::Kind::ReflectedNotify && HIWORD(wParam) != e.code) continue;
            if (e.kind == MessageEntry::Kind::Command && (LOWORD(wParam) != e.id || HIWORD(wParam) != e.code)) continue;
            result = e.invoke(*this, e, wParam, lParam);
            return true;
        }
    }
    return false;
}

LRESULT CWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if ((message == WM_COMMAND || message == WM_CTLCOLORSTATIC) && ReflectToChild(message, wParam, lParam, result))
        return result;
    if (Dispatch(message, wParam, lParam, result)) return result;
    return DefWindowProc(message, wParam, lParam);
}

bool CWindow::RegisterClassOnce(WNDCLASSA wc)
{
    WNDCLASSA existing;
    if (::GetClassInfoA(wc.hInstance, wc.lpszClassName, &existing)) return true;
    wc.lpfnWndProc = StaticWindowProc;
    return ::RegisterClassA(&wc) != 0;
}

LRESULT CALLBACK CWindow::StaticWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindow* window = FromHandle(hWnd);
    if (!window && message == WM_NCCREATE) {
        window = static_cast<CWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (window) window->Attach(hWnd);
    }
    if (!window) return ::DefWindowProcA(hWnd, message, wParam, lParam);

    LRESULT result = window->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        if (window->m_pfnSuper) ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(window->m_pfnSuper));
        window->m_pfnSuper = nullptr;
        window->Detach();
        window->PostNcDestroy();
    }
    return result;
}

}   // namespace kx
