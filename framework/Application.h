// The application object of a module: its main window and the one-message
// pump with pre-translation that message loops and long operations share.
#pragma once

#include "framework/Window.h"

namespace kx {

// The exit code of a process that ends at once, with nothing cleaned up,
// after its last message box (the uninstall, a missing signature).
const UINT kImmediateExitCode = 0xFFFF;

class CApplication {
public:
    CApplication();
    virtual ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // The module's application object (the last one constructed).
    static CApplication* Current();

    CWindow* m_pMainWnd = nullptr;

    // Called once before the message loop; false ends the program at once.
    virtual bool InitInstance() { return true; }
    // The message loop, until WM_QUIT; returns the exit code.
    virtual int Run();
    // Called when the loop has ended; its result is the program's exit code.
    virtual int ExitInstance() { return m_nExitCode; }

    // Takes one message from the queue; unless PreTranslateMessage consumes
    // it, translates and dispatches it. False when the message was WM_QUIT.
    bool PumpMessage();

    // Offers the message to the windows from its target up to the top-level
    // window; true when one consumed it.
    virtual bool PreTranslateMessage(MSG* msg);

private:
    MSG m_msgCur{};
    int m_nExitCode = 0;
    CApplication* m_pPrevious;
};

// The body of WinMain: InitInstance, then the loop, then ExitInstance.
int RunApplication();

}   // namespace kx
