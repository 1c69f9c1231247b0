#include "framework/Dialog.h"

#include "framework/Application.h"
#include "framework/Resource.h"
#include "framework/ResourceTypes.h"

#include <cstring>
#include <string>

namespace kx {

namespace {

const WORD kDlgInitType = KX_RT_DLGINIT;
// Initialisation data keeps the 16-bit message numbers of its origin.
const WORD kDlgInitAddString16 = 0x0403;

}   // namespace

HINSTANCE CDialog::ResourceModule()
{
    return ::GetModuleHandleA(nullptr);
}

CDialog::CDialog(UINT templateId, HWND hParent) : m_nTemplateId(templateId), m_hParent(hParent) {}

const MessageMap* CDialog::GetMessageMap() const
{
    static const MessageEntry entries[] = {
        OnCommand(IDOK, BN_CLICKED, &CDialog::OnOK),
        OnCommand(IDCANCEL, BN_CLICKED, &CDialog::OnCancel),
    };
    static const MessageMap map = MakeMessageMap(CWindow::GetMessageMap(), entries);
    return &map;
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG) return FALSE;   // everything else goes through the subclass
    CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->SubclassWindow(hWnd);
    return dialog->OnInitDialog();
}

BOOL CDialog::OnInitDialog()
{
    BindControls();
    RunInitData();
    return TRUE;
}

void CDialog::BindControl(int id, CWindow& control)
{
    control.SubclassWindow(::GetDlgItem(m_hWnd, id));
}

void CDialog::RunInitData()
{
    ResourceBytes data =
        FindResourceBytes(ResourceModule(), MAKEINTRESOURCEA(m_nTemplateId), MAKEINTRESOURCEA(kDlgInitType));
    const BYTE* p = static_cast<const BYTE*>(data.data);
    if (!p) return;
    const BYTE* end = p + data.size;
    // Entries: WORD control id, WORD message, DWORD length, data; a zero id ends.
    while (p + 8 <= end) {
        WORD id = *reinterpret_cast<const WORD*>(p);
        if (id == 0) break;
        WORD message = *reinterpret_cast<const WORD*>(p + 2);
        DWORD length = *reinterpret_cast<const DWORD*>(p + 4);
        p += 8;
        if (length > static_cast<DWORD>(end - p)) break;
        if (message == kDlgInitAddString16) {
            std::string text(reinterpret_cast<const char*>(p), length);
            text.resize(strnlen(text.c_str(), text.size()));
            ::SendDlgItemMessageA(m_hWnd, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        p += length;
    }
}

INT_PTR CDialog::DoModal()
{
    CApplication* app = CApplication::Current();
    HWND owner = m_hParent;
    if (!owner && app && app->m_pMainWnd) owner = app->m_pMainWnd->GetSafeHwnd();
    bool reenable = owner && ::IsWindowEnabled(owner);
    if (reenable) ::EnableWindow(owner, FALSE);

    m_bEnded = false;
    m_nResult = -1;
    HWND hWnd = ::CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(m_nTemplateId), owner, StaticDialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (hWnd && !m_bEnded) {
        if (!::IsWindowVisible(hWnd)) ::ShowWindow(hWnd, SW_SHOW);
        MSG msg;
        while (!m_bEnded) {
            BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
            if (got <= 0) {
                ::PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);   // the outer loop ends too
                break;
            }
            if (app && app->PreTranslateMessage(&msg)) continue;
            if (::IsWindow(hWnd) && ::IsDialogMessageA(hWnd, &msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    if (reenable) ::EnableWindow(owner, TRUE);
    if (hWnd) {
        if (owner && ::GetActiveWindow() == hWnd) ::SetActiveWindow(owner);
        ::DestroyWindow(hWnd);
    }
    return m_nResult;
}

void CDialog::EndDialog(INT_PTR result)
{
    m_nResult = result;
    m_bEnded = true;
    ::PostMessageA(m_hWnd, WM_NULL, 0, 0);   // wakes the modal loop
}

}   // namespace kx
