// Modal dialogs from resource templates: controls bound to member objects by
// id, the template's initialisation data (resource type 240) run at
// initialisation, and a modal loop of our own so that messages get the
// application's pre-translation (tool tips relay there).
#pragma once

#include "framework/Window.h"

namespace kx {

// Plain access to a dialog's control by id.
class CControl : public CWindow {
public:
    void Enable(bool enable) { ::EnableWindow(m_hWnd, enable ? TRUE : FALSE); }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
};

class CButton : public CControl {   // push buttons and check boxes
public:
    LONG GetCheck() const { return static_cast<LONG>(Send(BM_GETCHECK)); }
    void SetCheck(LONG state) { Send(BM_SETCHECK, static_cast<WPARAM>(state)); }
};

class CListBox : public CControl {
public:
    void AddString(const char* text) { Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
    void ResetContent() { Send(LB_RESETCONTENT); }
};

class CComboBox : public CControl {
public:
    int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }   // CB_ERR (-1): none
    void SetCurSel(int index) { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
};

class CDialog : public CWindow {
public:
    CDialog(UINT templateId, HWND hParent);

    // Runs the dialog; its result (IDOK, IDCANCEL...), or -1 when it could
    // not be created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    // The module that holds dialog templates and their initialisation data:
    // the program itself.
    static HINSTANCE ResourceModule();

protected:
    const MessageMap* GetMessageMap() const override;

    // Binds the controls (BindControls), runs the initialisation data;
    // returns TRUE to let the system set the focus.
    virtual BOOL OnInitDialog();
    // Derived dialogs bind their control objects here with BindControl.
    virtual void BindControls() {}
    void BindControl(int id, CWindow& control);

    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void RunInitData();

    UINT m_nTemplateId;
    HWND m_hParent;
    bool m_bEnded = false;
    INT_PTR m_nResult = -1;
};

}   // namespace kx
