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

struct MessageEntry;
// Unpacks a message for the entry's handler and calls it; the result is the
// message's.
using MessageInvoker = LRESULT (*)(CWindow& window, const MessageEntry& entry, WPARAM wParam, LPARAM lParam);

struct MessageEntry {
    enum class Kind { Message, Command, ReflectedNotify };
    Kind kind;
    UINT message;   // the window message (WM_COMMAND for commands)
    UINT code;      // notification code of a command (BN_CLICKED, ...)
    UINT id;        // command or control id of a command
    MessageInvoker invoke;
    void (CWindow::*handler)();   // of the type invoke knows
};

struct MessageMap {
    const MessageMap* base;
    const MessageEntry* entries;
    size_t count;
};

// A class's table from its entries, after its base class's.
template <size_t N>
MessageMap MakeMessageMap(const MessageMap* base, const MessageEntry (&entries)[N])
{
    return {base, entries, N};
}

// The notification code of a WM_COMMAND from a menu item (an accelerator's
// is 1, a control's its own).
const UINT kMenuCommand = 0;

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
    template <typename>
    friend struct MessageCracker;

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

// How each kind of entry unpacks its message. Handlers of notifications
// that the system also processes (creation, showing, destruction, ...) get
// the default processing too, before or after them as each message needs;
// WM_CREATE fails when its handler returns false.
template <typename T>
struct MessageCracker {
    template <typename F>
    static F Handler(const MessageEntry& e)
    {
        return reinterpret_cast<F>(e.handler);
    }
    static T& Self(CWindow& w) { return static_cast<T&>(w); }

    static LRESULT Raw(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM lParam)
    {
        return (Self(w).*Handler<LRESULT (T::*)(WPARAM, LPARAM)>(e))(wParam, lParam);
    }
    static LRESULT Command(CWindow& w, const MessageEntry& e, WPARAM, LPARAM)
    {
        (Self(w).*Handler<void (T::*)()>(e))();
        return 0;
    }
    static LRESULT Create(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM lParam)
    {
        if (w.DefWindowProc(WM_CREATE, wParam, lParam) == -1) return -1;
        const CREATESTRUCTA& cs = *reinterpret_cast<const CREATESTRUCTA*>(lParam);
        return (Self(w).*Handler<bool (T::*)(const CREATESTRUCTA&)>(e))(cs) ? 0 : -1;
    }
    static LRESULT Destroy(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM lParam)
    {
        (Self(w).*Handler<void (T::*)()>(e))();
        return w.DefWindowProc(WM_DESTROY, wParam, lParam);
    }
    static LRESULT Timer(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM lParam)
    {
        (Self(w).*Handler<void (T::*)(UINT_PTR)>(e))(wParam);
        return w.GetSafeHwnd() ? w.DefWindowProc(WM_TIMER, wParam, lParam) : 0;   // the handler may end the window
    }
    static LRESULT EndSession(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM lParam)
    {
        (Self(w).*Handler<void (T::*)(bool)>(e))(wParam != 0);
        return w.DefWindowProc(WM_ENDSESSION, wParam, lParam);
    }
    static LRESULT ShowWindow(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM lParam)
    {
        LRESULT result = w.DefWindowProc(WM_SHOWWINDOW, wParam, lParam);
        (Self(w).*Handler<void (T::*)(bool)>(e))(wParam != 0);
        return result;
    }
    static LRESULT Paint(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM lParam)
    {
        return (Self(w).*Handler<bool (T::*)()>(e))() ? 0 : w.DefWindowProc(WM_PAINT, wParam, lParam);
    }
    static LRESULT QueryDragIcon(CWindow& w, const MessageEntry& e, WPARAM, LPARAM)
    {
        return reinterpret_cast<LRESULT>((Self(w).*Handler<HICON (T::*)()>(e))());
    }
    static LRESULT EraseBkgnd(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM)
    {
        return (Self(w).*Handler<bool (T::*)(HDC)>(e))(reinterpret_cast<HDC>(wParam)) ? TRUE : FALSE;
    }
    static LRESULT SetCursor(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM lParam)
    {
        bool set = (Self(w).*Handler<bool (T::*)(HWND, UINT, UINT)>(e))(reinterpret_cast<HWND>(wParam), LOWORD(lParam),
                                                                        HIWORD(lParam));
        return set ? TRUE : FALSE;
    }
    static LRESULT MouseMove(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM lParam)
    {
        LRESULT result = w.DefWindowProc(WM_MOUSEMOVE, wParam, lParam);
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        (Self(w).*Handler<void (T::*)(UINT, POINT)>(e))(static_cast<UINT>(wParam), point);
        return result;
    }
    static LRESULT CaptureChanged(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM lParam)
    {
        (Self(w).*Handler<void (T::*)(HWND)>(e))(reinterpret_cast<HWND>(lParam));
        return w.DefWindowProc(WM_CAPTURECHANGED, wParam, lParam);
    }
    static LRESULT CtlColor(CWindow& w, const MessageEntry& e, WPARAM wParam, LPARAM lParam)
    {
        HBRUSH brush = (Self(w).*Handler<HBRUSH (T::*)(HDC, HWND)>(e))(reinterpret_cast<HDC>(wParam),
                                                                       reinterpret_cast<HWND>(lParam));
        return reinterpret_cast<LRESULT>(brush);
    }
};

namespace detail {
template <typename T, typename F>
MessageEntry Entry(MessageEntry::Kind kind, UINT message, UINT code, UINT id, MessageInvoker invoke, F handler)
{
    return {kind, message, code, id, invoke, reinterpret_cast<void (CWindow::*)()>(handler)};
}
template <typename T, typename F>
MessageEntry Message(UINT message, MessageInvoker invoke, F handler)
{
    return Entry<T>(MessageEntry::Kind::Message, message, 0, 0, invoke, handler);
}
}   // namespace detail

// Table entries. Any window message with its raw arguments:
template <typename T>
MessageEntry OnMessage(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM))
{
    return detail::Message<T>(message, &MessageCracker<T>::Raw, handler);
}
// A command: its id and notification code (kMenuCommand for a menu item).
template <typename T>
MessageEntry OnCommand(UINT id, UINT code, void (T::*handler)())
{
    return detail::Entry<T>(MessageEntry::Kind::Command, WM_COMMAND, code, id, &MessageCracker<T>::Command, handler);
}
// A notification the control sends about itself (STN_CLICKED...), reflected
// back to the control's own object by its parent.
template <typename T>
MessageEntry OnReflectedNotify(UINT code, void (T::*handler)())
{
    return detail::Entry<T>(MessageEntry::Kind::ReflectedNotify, WM_REFLECT_BASE + WM_COMMAND, code, 0,
                            &MessageCracker<T>::Command, handler);
}
// A static control's colour request, reflected back to the control itself:
// the handler sets up the DC and returns the background brush.
template <typename T>
MessageEntry OnReflectedCtlColorStatic(HBRUSH (T::*handler)(HDC dc, HWND control))
{
    return detail::Message<T>(WM_REFLECT_BASE + WM_CTLCOLORSTATIC, &MessageCracker<T>::CtlColor, handler);
}
// The window messages the program handles, with their typed arguments.
template <typename T>
MessageEntry OnCreate(bool (T::*handler)(const CREATESTRUCTA& cs))
{
    return detail::Message<T>(WM_CREATE, &MessageCracker<T>::Create, handler);
}
template <typename T>
MessageEntry OnDestroy(void (T::*handler)())
{
    return detail::Message<T>(WM_DESTROY, &MessageCracker<T>::Destroy, handler);
}
template <typename T>
MessageEntry OnTimer(void (T::*handler)(UINT_PTR id))
{
    return detail::Message<T>(WM_TIMER, &MessageCracker<T>::Timer, handler);
}
template <typename T>
MessageEntry OnEndSession(void (T::*handler)(bool ending))
{
    return detail::Message<T>(WM_ENDSESSION, &MessageCracker<T>::EndSession, handler);
}
template <typename T>
MessageEntry OnShowWindow(void (T::*handler)(bool show))
{
    return detail::Message<T>(WM_SHOWWINDOW, &MessageCracker<T>::ShowWindow, handler);
}
// False: the default painting.
template <typename T>
MessageEntry OnPaint(bool (T::*handler)())
{
    return detail::Message<T>(WM_PAINT, &MessageCracker<T>::Paint, handler);
}
template <typename T>
MessageEntry OnQueryDragIcon(HICON (T::*handler)())
{
    return detail::Message<T>(WM_QUERYDRAGICON, &MessageCracker<T>::QueryDragIcon, handler);
}
// True: the background was erased.
template <typename T>
MessageEntry OnEraseBkgnd(bool (T::*handler)(HDC dc))
{
    return detail::Message<T>(WM_ERASEBKGND, &MessageCracker<T>::EraseBkgnd, handler);
}
// True: the cursor was set (no default processing either way).
template <typename T>
MessageEntry OnSetCursor(bool (T::*handler)(HWND window, UINT hitTest, UINT mouseMessage))
{
    return detail::Message<T>(WM_SETCURSOR, &MessageCracker<T>::SetCursor, handler);
}
template <typename T>
MessageEntry OnMouseMove(void (T::*handler)(UINT keys, POINT point))
{
    return detail::Message<T>(WM_MOUSEMOVE, &MessageCracker<T>::MouseMove, handler);
}
template <typename T>
MessageEntry OnCaptureChanged(void (T::*handler)(HWND newCapture))
{
    return detail::Message<T>(WM_CAPTURECHANGED, &MessageCracker<T>::CaptureChanged, handler);
}

}   // namespace kx
