#include "tests/support/MessageBoxes.h"

namespace kxtest {

namespace {

struct Search {
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK FindBox(HWND hWnd, LPARAM lParam)
{
    Search* s = reinterpret_cast<Search*>(lParam);
    char cls[64] = {}, title[256] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    ::GetWindowTextA(hWnd, title, sizeof title);
    if (std::string(cls) == "#32770" && *s->caption == title && ::IsWindowVisible(hWnd)) {
        s->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK ReadChild(HWND hWnd, LPARAM lParam)
{
    ShownBox* box = reinterpret_cast<ShownBox*>(lParam);
    char cls[64] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0) return TRUE;
    LONG style = ::GetWindowLongA(hWnd, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
        box->hasIcon = box->hasIcon || ::SendMessageA(hWnd, STM_GETICON, 0, 0) != 0;
        return TRUE;
    }
    // Cross-process text comes back as UTF-16 under Wine: read it wide.
    wchar_t text[1024] = {};
    ::SendMessageW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    char narrow[2048] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    if (narrow[0] && box->text.empty()) box->text = narrow;
    return TRUE;
}

HWND FindVisibleBox(const std::string& caption)
{
    Search s{&caption, nullptr};
    ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

ShownBox ReadBox(HWND hWnd, const std::string& caption)
{
    ShownBox box;
    box.caption = caption;
    ::EnumChildWindows(hWnd, ReadChild, reinterpret_cast<LPARAM>(&box));
    return box;
}

void Press(HWND hWnd, int button)
{
    HWND control = ::GetDlgItem(hWnd, button);
    ::PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    // Wait until it is gone, so the next search does not find it again.
    for (int i = 0; i < 500 && ::IsWindow(hWnd) && ::IsWindowVisible(hWnd); ++i) ::Sleep(20);
}

}   // namespace

bool AnswerMessageBox(const std::string& caption, ShownBox& box, int button, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        if (HWND hWnd = FindVisibleBox(caption)) {
            ::Sleep(100);   // let it finish initialising
            box = ReadBox(hWnd, caption);
            Press(hWnd, button);
            return true;
        }
        ::Sleep(50);
    }
    return false;
}

BoxAnswerer::BoxAnswerer(const std::string& caption) : m_caption(caption)
{
    m_thread.Reset(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
}

BoxAnswerer::~BoxAnswerer()
{
    ::InterlockedExchange(&m_stop, 1);
    if (m_thread) ::WaitForSingleObject(m_thread.Get(), INFINITE);
}

std::vector<ShownBox> BoxAnswerer::Boxes()
{
    kx::Lock lock(m_lock);
    return m_boxes;
}

DWORD WINAPI BoxAnswerer::Run(void* param)
{
    BoxAnswerer* self = static_cast<BoxAnswerer*>(param);
    while (!self->m_stop) {
        if (HWND hWnd = FindVisibleBox(self->m_caption)) {
            ::Sleep(100);
            // Recorded before it is answered: whoever waits for the modal call
            // to return then finds the box among Boxes().
            ShownBox box = ReadBox(hWnd, self->m_caption);
            {
                kx::Lock lock(self->m_lock);
                self->m_boxes.push_back(box);
            }
            Press(hWnd, IDOK);
        }
        ::Sleep(30);
    }
    return 0;
}

}   // namespace kxtest
