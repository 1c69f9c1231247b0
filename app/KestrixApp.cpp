#include "app/KestrixApp.h"

#include "app/AppMessages.h"
#include "framework/Application.h"
#include "framework/Handles.h"
#include "app/MainFrame.h"
#include "app/OptionsDialog.h"
#include "framework/RegistryTree.h"
#include "app/SingleInstance.h"
#include "framework/Text.h"
#include "app/resource.h"

#include <shellapi.h>

#include <string>

const char* const CKestrixApp::kRegistrationFailed =
    "Kestrix could not register the scan engine. Please see the file 'readme.txt' for information about this error.";

namespace {

const DWORD kInstalled = 1;

// The registration program in the current folder; empty when the folder is
// unknown (never one at the root of the drive).
std::string Regsvr32Path()
{
    const std::string dir = kx::CurrentDirectory();
    return dir.empty() ? std::string() : dir + "\\regsvr32.exe";
}

}   // namespace

CKestrixApp::CKestrixApp() = default;   // the state starts with the default settings

CKestrixApp::~CKestrixApp()
{
    m_pFrame.reset();
    m_state.ReleaseEngine();
    if (m_bOtherInstanceRuns) return;
    m_state.SaveSettings();
    ::CoUninitialize();
}

bool CKestrixApp::InitInstance()
{
    // Before anything is opened or written: a second start only wakes the
    // first, which alone writes the settings and the log.
    if (!m_instance.Claim()) {
        m_bOtherInstanceRuns = true;
        CSingleInstance::ShowRunningInstance();
        return false;
    }
    ::CoInitialize(nullptr);
    kx::RegKey key;
    if (OpenSettingsKey(key.Put()) != ERROR_SUCCESS) {
        AppMessageBox(kRegistrationFailed);
        return false;
    }
    DWORD installed = 0, size = sizeof installed, type = 0;
    bool registered = ::RegQueryValueExA(key.Get(), "Installed", nullptr, &type, reinterpret_cast<BYTE*>(&installed),
                                         &size) == ERROR_SUCCESS &&
                      installed == kInstalled;
    if (!registered && !RegisterEngine(key.Get())) {
        AppMessageBox(kRegistrationFailed);
        return false;
    }
    ReadSettings(key.Get(), m_state.Settings());
    key.Reset();

    m_pFrame.reset(new CMainFrame(m_state));
    m_pMainWnd = m_pFrame.get();
    if (!m_pFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr)) {
        m_pMainWnd = nullptr;
        return false;
    }
    return true;
}

bool CKestrixApp::RegisterEngine(HKEY settingsKey)
{
    std::string program = Regsvr32Path();
    if (program.empty()) return false;
    char commandLine[MAX_PATH] = " quarrion.dll /s";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(program.c_str(), commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                          nullptr, &si, &pi))
        return false;
    kx::KernelHandle process(pi.hProcess), thread(pi.hThread);
    ::WaitForSingleObject(process.Get(), INFINITE);

    m_state.ReleaseEngine();
    if (!m_state.CreateEngine()) return false;
    ::RegSetValueExA(settingsKey, "Installed", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kInstalled),
                     sizeof kInstalled);
    {
        COptionsDialog dialog(m_state.Settings());
        dialog.DoModal();
    }
    WriteSettings(settingsKey, m_state.Settings());
    return true;
}

void CKestrixApp::Uninstall(CProgramState& state, CSystemTray& tray)
{
    kx::RegKey maker;
    const std::string regsvr32 = Regsvr32Path();
    if (regsvr32.empty() || ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMakerKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                              KEY_ALL_ACCESS, nullptr, maker.Put(), nullptr) != ERROR_SUCCESS) {
        AppMessageBox("UnInstallation Failed. Please see the readme file for information on how to manually "
                      "uninstall Kestrix.");
        return;
    }
    // The settings key with all it holds, on NT as on 9x.
    kx::DeleteKeyTree(maker.Get(), "Kestrix");
    maker.Reset();
    ::ShellExecuteA(nullptr, "open", regsvr32.c_str(), " quarrion.dll /u /s", nullptr, SW_SHOWDEFAULT);
    AppMessageBox("Kestrix has been successfully uninstalled!");
    state.SetUninstalled();
    tray.DeleteTrayIcon();
    ::ExitProcess(kx::kImmediateExitCode);
}
