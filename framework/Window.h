// A window object that owns one HWND and routes its messages through a
// per-class message table (a class's table names its base class's table, so
// lookups run from the most derived class up).
#pragma once

#include <windows.h>

#include <cstddef>

namespace kx {

class CWindow;

// Notifications (WM_COMMAND) and colour requests (WM_CTLCOLORSTATIC) that a
// parent receives for a child bound to an object are first offered back to
// that object as WM_REFLECT_BASE + message.
const UINT WM_REFLECT_BASE = 0xBC00;

struct MessageEntry {
    enum class Kind { Message, Command, ReflectedNotify };
    Kind kind;
    UINT message;   // the window message (WM_COMMAND for commands)
    UINT code;      // notification code of a command (BN_CLICKED, ...)
    UINT id;        // command or control id of a command
    LRESULT (CWindow::*onMessage)(WPARAM, LPARAM);
    void (CWindow::*onCommand)();
};

struct MessageMap {
    const MessageMap* base;
    const MessageEntry* entries;
    size_t count;
};

// Table entries: a window message, or a command (id, notification code).
template <typename T>
MessageEntry OnMessage(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM))
{
    return {MessageEntry::Kind::Message,
            message,
            0,
            0,
            static_cast<LRESULT (CWindow::*)(WPARAM, LPARAM)>(handler),
            nullptr};
}
template <typename T>
MessageEntry OnCommand(UINT id, UINT code, void (T::*handler)())
{
    return {MessageEntry::Kind::Command, WM_COMMAND, code, id, nullptr, static_cast<void (CWindow::*)()>(handler)};
}

// A notification the control sends about itself (STN_CLICKED...), reflected
// back to the control's own object by its parent.
template <typename T>
MessageEntry OnReflectedNotify(UINT code, void (T::*handler)())
{
    return {MessageEntry::Kind::ReflectedNotify,      WM_REFLECT_BASE + WM_COMMAND, code, 0, nullptr,
            static_cast<void (CWindow::*)()>(handler)};
}

class CWindow {
public:
    CWindow() = default;
    virtual ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    // Creates the window and binds it to this object. The class must have
    // been registered by module with CWindow::StaticWindowProc as procedure.
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menu, HINSTANCE module);
    bool DestroyWindow();

    // Binds an existing window (a dialog's control) to this object: its
    // messages go through this object's table first, then to its own
    // procedure.
    bool SubclassWindow(HWND hWnd);

    // The object bound to a window, or null.
    static CWindow* FromHandle(HWND hWnd);

    // A chance to consume a message before it is translated and dispatched;
    // true when it was consumed.
    virtual bool PreTranslateMessage(MSG* msg);

    static LRESULT CALLBACK StaticWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Registers a class of window objects (window procedure StaticWindowProc)
    // unless the module has it already. The class's fields other than the
    // procedure come from wc, which names the module and the class.
    static bool RegisterClassOnce(WNDCLASSA wc);

protected:
    virtual const MessageMap* GetMessageMap() const;
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Looks the message up in the tables; true when a handler ran.
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Called once the window is gone.
    virtual void PostNcDestroy() {}
    // Called when SubclassWindow has bound an existing window.
    virtual void OnSubclassed() {}
    // Offers a child's notification or colour request to the child's object.
    bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    void Attach(HWND hWnd);
    HWND Detach();

    HWND m_hWnd = nullptr;
    WNDPROC m_pfnSuper = nullptr;   // the procedure of a subclassed window
};

}   // namespace kx
