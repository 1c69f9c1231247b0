#include "tests/support/ModalDriver.h"

namespace kxtest {

namespace {

struct Search {
    DWORD pid;
    const char* className;
    const std::string* caption;
    bool visibleOnly;
    HWND found;
    int count;   // how many matched (all are counted when counting)
    bool counting;
};

BOOL CALLBACK Find(HWND hWnd, LPARAM lParam)
{
    Search* s = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    char title[256] = {}, cls[128] = {};
    ::GetWindowTextA(hWnd, title, sizeof title);
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (pid == s->pid && *s->caption == title && (!s->visibleOnly || ::IsWindowVisible(hWnd)) &&
        (!s->className || std::string(cls) == s->className)) {
        s->found = hWnd;
        ++s->count;
        return s->counting;
    }
    return TRUE;
}

}   // namespace

HWND WaitForProcessWindow(DWORD pid, const char* className, const std::string& caption, bool visibleOnly,
                          DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    do {
        Search s{pid, className, &caption, visibleOnly, nullptr, 0, false};
        ::EnumWindows(Find, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        ::Sleep(30);
    } while (::GetTickCount() - start < timeoutMs);
    return nullptr;
}

int CountProcessWindows(DWORD pid, const char* className, const std::string& caption)
{
    Search s{pid, className, &caption, true, nullptr, 0, true};
    ::EnumWindows(Find, reinterpret_cast<LPARAM>(&s));
    return s.count;
}

HWND WaitForWindow(const std::string& caption, DWORD timeoutMs)
{
    return WaitForProcessWindow(::GetCurrentProcessId(), nullptr, caption, true, timeoutMs);
}

ModalDriver::ModalDriver(const std::string& caption, std::function<void(HWND)> drive)
    : m_caption(caption), m_drive(std::move(drive))
{
    m_thread.Reset(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
}

ModalDriver::~ModalDriver()
{
    if (m_thread) ::WaitForSingleObject(m_thread.Get(), INFINITE);
}

DWORD WINAPI ModalDriver::Run(void* param)
{
    ModalDriver* self = static_cast<ModalDriver*>(param);
    HWND hWnd = WaitForWindow(self->m_caption);
    self->m_found = hWnd != nullptr;
    if (!hWnd) return 0;
    self->m_drive(hWnd);
    // A drive that returned early (a failed ASSERT) left the dialog open, and
    // the test's thread in its modal loop: end it, so the test fails at once
    // instead of hanging.
    for (UINT message : {WM_COMMAND, WM_CLOSE}) {
        if (!::IsWindow(hWnd) || !::IsWindowVisible(hWnd)) break;
        ::PostMessageA(hWnd, message, message == WM_COMMAND ? IDCANCEL : 0, 0);
        for (int i = 0; i < 250 && ::IsWindow(hWnd) && ::IsWindowVisible(hWnd); ++i) ::Sleep(20);
    }
    return 0;
}

void Click(HWND dialog, int id)
{
    ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool IsChecked(HWND dialog, int id)
{
    return ::SendMessageA(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}   // namespace kxtest
