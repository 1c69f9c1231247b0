#include "app/ScanDialog.h"

#include "app/AboutBox.h"
#include "app/AppMessages.h"
#include "app/OptionsDialog.h"
#include "app/ProgramState.h"
#include "framework/VariantStrings.h"
#include "app/resource.h"

#include <string>
#include <vector>

namespace {

// A list entry as 8-bit text: the low byte of each code unit, with no
// code-page conversion. Deliberate: the engine made each entry from the ANSI
// code page, and the list boxes show exactly the bytes it started from for
// the Latin-1 range that the trojan's file and value names use.
std::string LowBytes(const std::wstring& text)
{
    std::string bytes;
    for (wchar_t c : text) bytes += static_cast<char>(c & 0xFF);
    return bytes;
}

}   // namespace

CScanDialog::CScanDialog(CProgramState& state, HWND hParent) : CScanDialog(state, kNormalMode, hParent) {}

CScanDialog::CScanDialog(CProgramState& state, int nMode, HWND hParent)
    : CDialog(IDD_SCAN, hParent), m_state(state),
      m_hAppIcon(::LoadIconA(kx::CDialog::ResourceModule(), MAKEINTRESOURCEA(IDI_KESTRIX))), m_nMode(nMode)
{
}

CScanDialog::~CScanDialog()
{
    m_state.ReleaseEngine();
}

const kx::MessageMap* CScanDialog::GetMessageMap() const
{
    static const kx::MessageEntry entries[] = {
        kx::OnCommand(IDC_DETECT, BN_CLICKED, &CScanDialog::OnDetect),
        kx::OnCommand(ID_DETECT, kx::kMenuCommand, &CScanDialog::OnDetect),
        kx::OnCommand(IDC_REMOVE, BN_CLICKED, &CScanDialog::OnRemove),
        kx::OnCommand(ID_OPTIONS, kx::kMenuCommand, &CScanDialog::OnOptions),
        kx::OnCommand(ID_ABOUT, kx::kMenuCommand, &CScanDialog::OnAbout),
        kx::OnShowWindow(&CScanDialog::OnShowWindow),
        kx::OnPaint(&CScanDialog::OnPaint),
        kx::OnQueryDragIcon(&CScanDialog::OnQueryDragIcon),
    };
    static const kx::MessageMap map = kx::MakeMessageMap(CDialog::GetMessageMap(), entries);
    return &map;
}

void CScanDialog::BindControls()
{
    BindControl(IDC_REGISTRY_LIST, m_registryList);
    BindControl(IDC_PROCESS_LIST, m_processList);
    BindControl(IDC_PROCESS_LABEL, m_processLabel);
    BindControl(IDC_REGISTRY_LABEL, m_registryLabel);
    BindControl(IDC_DETECT, m_detect);
    BindControl(IDC_REMOVE, m_remove);
}

BOOL CScanDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::EnableMenuItem(::GetSystemMenu(m_hWnd, FALSE), SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
    ::SetMenu(m_hWnd, ::LoadMenuA(kx::CDialog::ResourceModule(), MAKEINTRESOURCEA(IDR_MAINFRAME)));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hAppIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hAppIcon));
    return TRUE;
}

void CScanDialog::ClearResults()
{
    m_remove.Enable(false);
    for (kx::CControl* c : ResultControls()) c->Enable(false);
    m_processList.ResetContent();
    m_registryList.ResetContent();
}

void CScanDialog::SetDetectEnabled(bool enabled)
{
    ::EnableMenuItem(::GetMenu(m_hWnd), ID_DETECT, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    m_detect.Enable(enabled);
}

void CScanDialog::EnterResultsState()
{
    ShowResults();
    SetDetectEnabled(false);
    m_remove.Enable(true);
}

void CScanDialog::ShowResults()
{
    for (kx::CControl* c : ResultControls()) c->Enable(true);
    IScanEngine* engine = m_state.Engine();
    if (!engine) return;
    kx::Variant registry, processes;
    engine->get_RegistryList(registry.Put());
    engine->get_ProcessList(processes.Put());
    for (const std::wstring& text : kx::VariantStrings(registry.Get()))
        m_registryList.AddString(LowBytes(text).c_str());
    for (const std::wstring& text : kx::VariantStrings(processes.Get()))
        m_processList.AddString(LowBytes(text).c_str());
}

void CScanDialog::OnDetect()
{
    if (m_state.PassRunning()) return;   // a second click, dispatched inside the first pass
    CEnginePassScope pass(m_state);
    IScanEngine* engine = m_state.EnsureEngineOrExit();
    ClearResults();
    const AppSettings& settings = m_state.Settings();
    LONG result = 0;
    engine->Init(settings.LoggingEnabled, settings.SilentMode, &result);
    engine->DetectDW(&result);
    if (result) {
        EnterResultsState();   // the removal needs this engine object and its lists
    } else {
        if (settings.SilentMode == 0) AppMessageBox(IDS_NOT_DETECTED, MB_OK);
        m_state.ReleaseEngine();
    }
}

void CScanDialog::OnRemove()
{
    if (m_state.PassRunning()) return;
    CEnginePassScope pass(m_state);
    LONG result = 0;
    if (IScanEngine* engine = m_state.Engine()) engine->RemoveDW(&result);
    ClearResults();
    m_state.ReleaseEngine();
    SetDetectEnabled(true);
    if (result == 0)
        AppMessageBox(IDS_REMOVAL_ERRORS, MB_OK | MB_ICONEXCLAMATION);
    else if (m_state.Settings().SilentMode == 0)
        AppMessageBox(IDS_REMOVAL_SUCCEEDED, MB_OK | MB_ICONEXCLAMATION);
}

void CScanDialog::OnOptions()
{
    if (m_state.PassRunning()) return;                   // not in the middle of a pass
    COptionsDialog dialog(m_state.Settings(), m_hWnd);   // modal to this dialog, not to the hidden frame
    if (dialog.DoModal() == IDOK) m_state.SaveSettings();
}

void CScanDialog::OnAbout()
{
    if (m_state.PassRunning()) return;
    CAboutBox box(m_hWnd);
    box.DoModal();
}

void CScanDialog::OnShowWindow(bool)
{
    if (m_nMode != kResultsMode && !m_state.Engine()) return;
    ClearResults();
    EnterResultsState();
}

bool CScanDialog::OnPaint()
{
    if (!::IsIconic(m_hWnd)) return false;
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hAppIcon);
    ::EndPaint(m_hWnd, &ps);
    return true;
}

HICON CScanDialog::OnQueryDragIcon()
{
    return m_hAppIcon;
}
