// The about box: name, version, rights notice and two links.
#pragma once

#include "framework/Dialog.h"
#include "app/LinkLabel.h"

class CAboutBox : public kx::CDialog {
public:
    explicit CAboutBox(HWND hParent = nullptr);

    static const char* const kMailTarget;
    static const char* const kWebTarget;

    CLinkLabel m_webLink;      // 1007
    CLinkLabel m_holderLink;   // 1006

protected:
    BOOL OnInitDialog() override;
    void BindControls() override;
};
