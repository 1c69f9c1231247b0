// A top-level frame loaded from one resource id: its menu, icon,
// accelerators and title (the first line of the string of that id). The
// application's main frame ends the message loop when it is destroyed.
#pragma once

#include "framework/Handles.h"
#include "framework/Window.h"

namespace kx {

class CFrameWnd : public CWindow {
public:
    CFrameWnd() = default;
    ~CFrameWnd() override;

    bool LoadFrame(UINT resourceId, DWORD style, HWND hParent);
    bool PreTranslateMessage(MSG* msg) override;

    static const char* const kClassName;

protected:
    void PostNcDestroy() override;

private:
    HACCEL m_hAccel = nullptr;
};

}   // namespace kx
