// The application object of a module: its main window and the one-message
// pump with pre-translation that message loops and long operations share.
#pragma once

#include "Window.h"

namespace kx {

class CApplication {
public:
    CApplication();
    virtual ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // The module's application object (the last one constructed).
    static CApplication* Current();

    CWindow* m_pMainWnd = nullptr;
    CWindow* m_pActiveWnd = nullptr;

    // Takes one message from the queue; unless PreTranslateMessage consumes
    // it, translates and dispatches it. False when the message was WM_QUIT.
    bool PumpMessage();

    // Offers the message to the windows from its target up to the top-level
    // window; true when one consumed it.
    virtual bool PreTranslateMessage(MSG* msg);

    const MSG& CurrentMessage() const { return m_msgCur; }

private:
    MSG m_msgCur{};
    CApplication* m_pPrevious;
};

} // namespace kx
