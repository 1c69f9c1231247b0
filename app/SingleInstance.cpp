#include "app/SingleInstance.h"

#include "app/AppMessages.h"
#include "framework/FrameWindow.h"
#include "app/resource.h"

const char* const CSingleInstance::kMutexName = "Kestrix.Running";

bool CSingleInstance::Claim()
{
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, kMutexName);
    const DWORD error = ::GetLastError();
    m_mutex.Reset(mutex);
    if (mutex) return error != ERROR_ALREADY_EXISTS;
    // A program of another account in this session made it without access
    // for us: still one Kestrix, since the settings are the machine's.
    return error != ERROR_ACCESS_DENIED;
}

void CSingleInstance::ShowRunningInstance()
{
    HWND frame = ::FindWindowA(kx::CFrameWnd::kClassName, LoadAppString(IDR_MAINFRAME).c_str());
    if (!frame) return;
    // The started program is the one the user just brought up: it may hand
    // the foreground on (2000, 98 and later; earlier systems do not ask).
    typedef BOOL(WINAPI * AllowSetForegroundWindowFunction)(DWORD);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(frame, &pid);
    if (HMODULE user32 = ::GetModuleHandleA("user32.dll")) {
        auto allow = reinterpret_cast<AllowSetForegroundWindowFunction>(
            reinterpret_cast<void*>(::GetProcAddress(user32, "AllowSetForegroundWindow")));
        if (allow && pid) allow(pid);
    }
    ::PostMessageA(frame, WM_COMMAND, ID_TRAY_OPEN, 0);
}
