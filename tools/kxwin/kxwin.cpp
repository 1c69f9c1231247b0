// Small window driver for scripts (screenshots, the demo): waits for windows
// and posts messages to them, by class and caption ("-" for any).
//
//   kxwin wait CLASS TITLE [timeout-ms]       exit 0 once such a window exists
//   kxwin post CLASS TITLE MESSAGE WPARAM LPARAM
//   kxwin command CLASS TITLE ID               posts WM_COMMAND ID
//   kxwin point-at CLASS TITLE DX DY           puts the mouse pointer DX, DY
//                                              in from the window's bottom right
//                                              (CLASS "screen": the screen's)
//   kxwin shown CLASS TITLE yes|no [timeout-ms]
//                                              exit 0 once a top-level window of
//                                              that class and caption is shown
//                                              (yes), or none is (no)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND Find(const char* cls, const char* title)
{
    return ::FindWindowA(std::strcmp(cls, "-") ? cls : nullptr, std::strcmp(title, "-") ? title : nullptr);
}

// Polls condition every 100 ms until it holds (true) or timeoutMs passes.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(100);
    }
}

HWND Wait(const char* cls, const char* title, DWORD timeoutMs)
{
    HWND hWnd = nullptr;
    WaitUntil([&] { return (hWnd = Find(cls, title)) != nullptr; }, timeoutMs);
    return hWnd;
}

struct ShownSearch {
    const char* cls;
    const char* title;
    bool found;
};

BOOL CALLBACK FindShown(HWND hWnd, LPARAM lParam)
{
    ShownSearch* s = reinterpret_cast<ShownSearch*>(lParam);
    char cls[128] = {}, title[256] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    ::GetWindowTextA(hWnd, title, sizeof title);
    if (::IsWindowVisible(hWnd) && (!std::strcmp(s->cls, "-") || !lstrcmpiA(cls, s->cls)) &&
        (!std::strcmp(s->title, "-") || !std::strcmp(title, s->title))) {
        s->found = true;
        return FALSE;
    }
    return TRUE;
}

// Whether a top-level window of that class and caption is visible.
bool AnyShown(const char* cls, const char* title)
{
    ShownSearch s{cls, title, false};
    ::EnumWindows(FindShown, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

}   // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && !std::strcmp(argv[1], "wait")) {
        DWORD timeout = argc > 4 ? std::strtoul(argv[4], nullptr, 0) : 60000;
        return Wait(argv[2], argv[3], timeout) ? 0 : 1;
    }
    if (argc >= 5 && !std::strcmp(argv[1], "command")) {
        HWND hWnd = Wait(argv[2], argv[3], 60000);
        return hWnd && ::PostMessageA(hWnd, WM_COMMAND, std::strtoul(argv[4], nullptr, 0), 0) ? 0 : 1;
    }
    if (argc >= 7 && !std::strcmp(argv[1], "post")) {
        HWND hWnd = Wait(argv[2], argv[3], 60000);
        return hWnd && ::PostMessageA(hWnd, std::strtoul(argv[4], nullptr, 0), std::strtoul(argv[5], nullptr, 0),
                                      std::strtol(argv[6], nullptr, 0))
                   ? 0
                   : 1;
    }
    if (argc >= 6 && !std::strcmp(argv[1], "point-at")) {
        HWND hWnd = std::strcmp(argv[2], "screen") ? Wait(argv[2], argv[3], 60000) : ::GetDesktopWindow();
        RECT r;
        if (!hWnd || !::GetWindowRect(hWnd, &r)) return 1;
        return ::SetCursorPos(r.right - std::atoi(argv[4]), r.bottom - std::atoi(argv[5])) ? 0 : 1;
    }
    if (argc >= 5 && !std::strcmp(argv[1], "shown")) {
        DWORD timeout = argc > 5 ? std::strtoul(argv[5], nullptr, 0) : 60000;
        const bool shown = !std::strcmp(argv[4], "yes");
        return WaitUntil([&] { return AnyShown(argv[2], argv[3]) == shown; }, timeout) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: kxwin wait|post|command|point-at|shown CLASS TITLE ...\n");
    return 2;
}
