// Ownership of Win32 handles: each wrapper closes what it holds, so an early
// return never leaks one. Move-only.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace kx {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept : m_h(Traits::Invalid()) {}
    explicit UniqueHandle(Type h) noexcept : m_h(h) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type Get() const noexcept { return m_h; }
    bool Valid() const noexcept { return m_h != Traits::Invalid(); }
    explicit operator bool() const noexcept { return Valid(); }

    // For out-parameters of creating calls: closes the current handle first.
    Type* Put() noexcept
    {
        Reset();
        return &m_h;
    }

    Type Release() noexcept { return std::exchange(m_h, Traits::Invalid()); }

    // Closes the handle now; returns what the close call returned (true when
    // nothing was held).
    bool Reset(Type h = Traits::Invalid()) noexcept
    {
        bool ok = true;
        if (m_h != Traits::Invalid()) ok = Traits::Close(m_h);
        m_h = h;
        return ok;
    }

private:
    Type m_h;
};

struct KernelHandleTraits {   // processes, threads, events, snapshots
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return ::CloseHandle(h) != FALSE; }
};
struct FileHandleTraits {   // CreateFile and snapshot results
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return ::CloseHandle(h) != FALSE; }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return ::FindClose(h) != FALSE; }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return ::RegCloseKey(h) == ERROR_SUCCESS; }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return ::FreeLibrary(h) != FALSE; }
};
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return ::DeleteObject(h) != FALSE; }
};

// An icon or cursor the program made (CopyIcon, CreateIconIndirect); not for
// shared ones from LoadIcon or LoadCursor, which are never destroyed.
struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return ::DestroyIcon(h) != FALSE; }
};
struct MenuTraits {
    using Type = HMENU;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return ::DestroyMenu(h) != FALSE; }
};
struct BstrTraits {
    using Type = BSTR;
    static Type Invalid() { return nullptr; }
    static bool Close(Type s)
    {
        ::SysFreeString(s);
        return true;
    }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using Module = UniqueHandle<ModuleTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using Icon = UniqueHandle<IconTraits>;
using Menu = UniqueHandle<MenuTraits>;
using Bstr = UniqueHandle<BstrTraits>;

// A window's device context with one object selected into it for a scope:
// the previous object goes back and the context is released, in that order.
class WindowDC {
public:
    WindowDC(HWND hWnd, HGDIOBJ selected) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd))
    {
        if (m_hDC && selected) m_hPrevious = ::SelectObject(m_hDC, selected);
    }
    ~WindowDC()
    {
        if (!m_hDC) return;
        if (m_hPrevious) ::SelectObject(m_hDC, m_hPrevious);
        ::ReleaseDC(m_hWnd, m_hDC);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const { return m_hDC; }
    explicit operator bool() const { return m_hDC != nullptr; }

private:
    HWND m_hWnd;
    HDC m_hDC;
    HGDIOBJ m_hPrevious = nullptr;
};

// A COM interface pointer that releases its reference.
template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    explicit ComPtr(T* p) noexcept : m_p(p) {}   // takes the reference
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept
    {
        if (this != &o) {
            Reset();
            m_p = std::exchange(o.m_p, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    T** Put() noexcept
    {
        Reset();
        return &m_p;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    T* Detach() noexcept { return std::exchange(m_p, nullptr); }
    void Attach(T* p) noexcept
    {
        Reset();
        m_p = p;
    }   // takes the reference
    void Reset() noexcept
    {
        if (m_p) std::exchange(m_p, nullptr)->Release();
    }

private:
    T* m_p = nullptr;
};

}   // namespace kx
