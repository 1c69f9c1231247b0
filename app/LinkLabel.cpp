#include "app/LinkLabel.h"

#include "app/AppMessages.h"
#include "framework/CommonControls.h"
#include "framework/FormatText.h"
#include "app/resource.h"

#include <commctrl.h>
#include <shellapi.h>

const COLORREF CLinkLabel::kNormal = RGB(0, 0, 238);
const COLORREF CLinkLabel::kVisited = RGB(85, 26, 139);

namespace {

const UINT kToolId = 1;
const int kHandCursorId = 106;
const size_t kCommandBufferSize = 2 * MAX_PATH;

// The default value of root\subkey; ERROR_SUCCESS or the error.
LONG ReadDefaultValue(HKEY root, const std::string& subkey, std::string& out)
{
    kx::RegKey key;
    LONG rc = ::RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, key.Put());
    if (rc != ERROR_SUCCESS) return rc;
    char value[MAX_PATH] = {};
    LONG size = MAX_PATH;
    rc = ::RegQueryValueA(key.Get(), nullptr, value, &size);
    if (rc != ERROR_SUCCESS) return rc;
    out.assign(value, strnlen(value, sizeof value));
    return ERROR_SUCCESS;
}

}   // namespace

CLinkLabel::CLinkLabel() : m_clrNormal(kNormal), m_clrVisited(kVisited), m_clrHover(::GetSysColor(COLOR_HIGHLIGHT)) {}

CLinkLabel::~CLinkLabel()
{
    DestroyWindow();   // while this object can still take its WM_DESTROY
}

const kx::MessageMap* CLinkLabel::GetMessageMap() const
{
    static const kx::MessageEntry entries[] = {
        kx::OnReflectedNotify(STN_CLICKED, &CLinkLabel::OnClicked),
        kx::OnReflectedCtlColorStatic(&CLinkLabel::OnCtlColor),
        kx::OnSetCursor(&CLinkLabel::OnSetCursor),
        kx::OnMouseMove(&CLinkLabel::OnMouseMove),
        kx::OnCaptureChanged(&CLinkLabel::OnCaptureChanged),
        kx::OnDestroy(&CLinkLabel::OnDestroy),
    };
    static const kx::MessageMap map = kx::MakeMessageMap(CWindow::GetMessageMap(), entries);
    return &map;
}

void CLinkLabel::OnSubclassed()
{
    ::SetWindowLongA(m_hWnd, GWL_STYLE, ::GetWindowLongA(m_hWnd, GWL_STYLE) | SS_NOTIFY);

    char text[1024] = {};
    ::GetWindowTextA(m_hWnd, text, sizeof text);
    if (m_strTarget.empty()) m_strTarget = text;
    if (!text[0]) ::SetWindowTextA(m_hWnd, m_strTarget.c_str());

    LOGFONTA font{};
    HFONT current = reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    ::GetObjectA(current ? current : ::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfUnderline = 1;
    m_fontLink.Reset(::CreateFontIndirectA(&font));
    ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontLink.Get()), TRUE);

    FitToText();
    LoadHandCursor();

    kx::LoadCommonControls();   // the engine DLL, which loads them too, may not be loaded yet
    m_tip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, nullptr, nullptr);
    if (m_tip) {
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = m_hWnd;
        tool.uId = kToolId;
        ::GetClientRect(m_hWnd, &tool.rect);
        tool.lpszText = const_cast<char*>(m_strTarget.c_str());
        ::SendMessageA(m_tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void CLinkLabel::SetTarget(const std::string& url)
{
    m_strTarget = url;
    if (!m_hWnd) return;
    FitToText();
    if (m_tip) {
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = m_hWnd;
        tool.uId = kToolId;
        tool.lpszText = const_cast<char*>(m_strTarget.c_str());
        ::SendMessageA(m_tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void CLinkLabel::MarkVisited(bool visited)
{
    m_bLinkVisited = visited;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

bool CLinkLabel::PreTranslateMessage(MSG* msg)
{
    if (m_tip) ::SendMessageA(m_tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return false;
}

COLORREF CLinkLabel::TextColour() const
{
    return m_bMouseOver ? m_clrHover : m_bLinkVisited ? m_clrVisited : m_clrNormal;
}

void CLinkLabel::FitToText()
{
    if (!m_hWnd) return;
    HWND parent = ::GetParent(m_hWnd);
    RECT r;
    ::GetWindowRect(m_hWnd, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);

    char text[1024] = {};
    int length = ::GetWindowTextA(m_hWnd, text, sizeof text);
    SIZE extent{};
    if (kx::WindowDC dc{m_hWnd, m_fontLink.Get()}) ::GetTextExtentPoint32A(dc.Get(), text, length, &extent);
    LONG style = ::GetWindowLongA(m_hWnd, GWL_STYLE);
    if (style & SS_CENTERIMAGE) {
        int d = ((r.bottom - r.top) - extent.cy) / 2;
        r.top += d;
        r.bottom -= d;
    } else {
        r.bottom = r.top + extent.cy;
    }
    if (style & SS_CENTER) {
        int d = ((r.right - r.left) - extent.cx) / 2;
        r.left += d;
        r.right -= d;
    } else if (style & SS_RIGHT) {
        r.left = r.right - extent.cx;
    } else {
        r.right = r.left + extent.cx;
    }
    ::SetWindowPos(m_hWnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
}

void CLinkLabel::LoadHandCursor()
{
    if (m_handCursor) return;
    char path[MAX_PATH + 16] = {};
    UINT n = ::GetWindowsDirectoryA(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    std::string helper = std::string(path, n) + "\\winhlp32.exe";
    kx::Module module(::LoadLibraryExA(helper.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return;
    if (HCURSOR hand = ::LoadCursorA(module.Get(), MAKEINTRESOURCEA(kHandCursorId)))
        m_handCursor.Reset(::CopyIcon(reinterpret_cast<HICON>(hand)));   // a copy: ours once the module goes
}

bool CLinkLabel::OnSetCursor(HWND, UINT, UINT)
{
    if (!m_handCursor) return false;
    ::SetCursor(m_handCursor.Get());
    return true;
}

void CLinkLabel::OnMouseMove(UINT, POINT point)
{
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (m_bMouseOver) {
        if (!::PtInRect(&client, point)) {
            m_bMouseOver = false;
            ::ReleaseCapture();
            ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        }
    } else {
        m_bMouseOver = true;
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        ::SetCapture(m_hWnd);
    }
}

void CLinkLabel::OnCaptureChanged(HWND newCapture)
{
    // Capture taken away (a message box, another window): the hover ends.
    if (m_bMouseOver && newCapture != m_hWnd) {
        m_bMouseOver = false;
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
}

void CLinkLabel::OnDestroy()
{
    // The tip is a popup owned by the dialog, which may have destroyed it
    // already on its way out; it is destroyed once, here, if still there.
    if (m_tip && ::IsWindow(m_tip)) ::DestroyWindow(m_tip);
    m_tip = nullptr;
}

HBRUSH CLinkLabel::OnCtlColor(HDC dc, HWND)
{
    ::SetTextColor(dc, TextColour());
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

void CLinkLabel::OnClicked()
{
    UINT_PTR result = OpenTarget(m_strTarget, SW_SHOW);
    MarkVisited(result > 32);
    if (result <= 32) {
        ::MessageBeep(MB_ICONEXCLAMATION);
        ShowOpenError(result);
    }
}

UINT_PTR CLinkLabel::OpenTarget(const std::string& url, int showCommand)
{
    UINT_PTR result =
        reinterpret_cast<UINT_PTR>(::ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, showCommand));
    if (result > 32) return result;

    // Fall back on the program registered for HTML files.
    std::string command;
    if (ReadDefaultValue(HKEY_CLASSES_ROOT, ".htm", command) != ERROR_SUCCESS) return result;
    if (ReadDefaultValue(HKEY_CLASSES_ROOT, command + "\\shell\\open\\command", command) != ERROR_SUCCESS)
        return result;
    size_t placeholder = command.find("\"%1\"");
    if (placeholder == std::string::npos) placeholder = command.find("%1");
    if (placeholder != std::string::npos) command.erase(placeholder);
    command += " " + url;
    // The command and the URL must fit the buffer the shell fallback has
    // always used; a longer line is not run.
    if (command.size() + 1 > kCommandBufferSize) return result;
    return ::WinExec(command.c_str(), static_cast<UINT>(showCommand));
}

std::string CLinkLabel::OpenErrorText(UINT_PTR code)
{
    const char* text = nullptr;
    switch (code) {
    case 0: text = "The operating system is out\nof memory or resources."; break;
    case SE_ERR_FNF: text = "The specified file was not found."; break;
    case SE_ERR_PNF: text = "The specified path was not found."; break;
    case SE_ERR_ACCESSDENIED: text = "The operating system denied\naccess to the specified file."; break;
    case SE_ERR_OOM: text = "There was not enough memory to complete the operation."; break;
    case ERROR_BAD_FORMAT: text = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."; break;
    case SE_ERR_SHARE: text = "A sharing violation occurred. "; break;
    case SE_ERR_ASSOCINCOMPLETE: text = "The filename association is\nincomplete or invalid."; break;
    case SE_ERR_DDETIMEOUT: text = "The DDE transaction could not\nbe completed because the request timed out."; break;
    case SE_ERR_DDEFAIL: text = "The DDE transaction failed."; break;
    case SE_ERR_DDEBUSY:
        text = "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
        break;
    case SE_ERR_NOASSOC: text = "There is no application associated\nwith the given filename extension."; break;
    case SE_ERR_DLLNOTFOUND: text = "The specified dynamic-link library was not found."; break;
    }
    std::string message = "Unable to open hyperlink:\n\n";
    if (text) return message + text;
    char unknown[64];
    kx::FormatText(unknown, sizeof unknown, "Unknown Error (%d) occurred.", static_cast<int>(code));
    return message + unknown;
}

void CLinkLabel::ShowOpenError(UINT_PTR code)
{
    AppMessageBox(OpenErrorText(code), MB_OK | MB_ICONEXCLAMATION);
}
