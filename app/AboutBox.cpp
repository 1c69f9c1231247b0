#include "app/AboutBox.h"

#include "app/resource.h"

const char* const CAboutBox::kMailTarget = "mailto:team@kestrix.invalid";
const char* const CAboutBox::kWebTarget = "http://www.kestrix.invalid/";

CAboutBox::CAboutBox(HWND hParent) : CDialog(IDD_ABOUTBOX, hParent) {}

void CAboutBox::BindControls()
{
    BindControl(IDC_WEB_LINK, m_webLink);
    BindControl(IDC_HOLDER_LINK, m_holderLink);
}

BOOL CAboutBox::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_holderLink.SetTarget(kMailTarget);
    m_webLink.SetTarget(kWebTarget);
    return TRUE;
}
