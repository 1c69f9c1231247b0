// Kestrix.exe end to end: started from a folder holding it, quarrion.dll and
// a copy of regsvr32.exe; driven through its tray window, frame and dialogs
// as the shell and the user would.
#include "framework/Handles.h"
#include "framework/RegistryTree.h"
#include "tests/support/MessageBoxes.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RunServicesState.h"
#include "tests/support/TestSupport.h"
#include "app/MainFrame.h"
#include "app/Settings.h"
#include "Version.h"
#include "app/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <memory>

using namespace kxtest;

namespace {

const char* const kSettingsKey = kSettingsKeyPath;
const UINT kTrayCallback = CMainFrame::kTrayCallback;

std::string Folder()
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "kxtests\\Kestrix program";
}

bool ReadDword(const char* name, DWORD& value, DWORD* type = nullptr)
{
    kx::RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return false;
    DWORD size = sizeof value, t = 0;
    bool ok = ::RegQueryValueExA(key.Get(), name, nullptr, &t, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS;
    if (type) *type = t;
    return ok;
}

DWORD RunRegsvr32(const std::string& args)
{
    ChildProcess regsvr(Folder() + "\\regsvr32.exe", args, Folder());
    return regsvr.Wait(60000);
}

// Whether the process has the DLL of that file name loaded.
bool HasLoaded(DWORD pid, const char* dll)
{
    kx::FileHandle modules(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    for (BOOL more = modules && ::Module32First(modules.Get(), &module); more;
         more = ::Module32Next(modules.Get(), &module))
        if (!lstrcmpiA(module.szModule, dll)) return true;
    return false;
}

size_t CountOf(const std::string& text, const char* what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Settings as the program would have stored them on an earlier run.
void StoreSettings(DWORD autoScan, DWORD silent, DWORD timed, DWORD interval, DWORD logging)
{
    kx::DeleteKeyTree(HKEY_LOCAL_MACHINE, kSettingsKey);
    kx::RegKey key;
    ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
    DWORD installed = 1;
    ::RegSetValueExA(key.Get(), "Installed", 0, REG_DWORD, reinterpret_cast<BYTE*>(&installed), 4);
    ::RegSetValueExA(key.Get(), "AutoScan", 0, REG_BINARY, reinterpret_cast<BYTE*>(&autoScan), 4);
    ::RegSetValueExA(key.Get(), "SilentMode", 0, REG_BINARY, reinterpret_cast<BYTE*>(&silent), 4);
    ::RegSetValueExA(key.Get(), "TimedScanning", 0, REG_BINARY, reinterpret_cast<BYTE*>(&timed), 4);
    ::RegSetValueExA(key.Get(), "ScanInterval", 0, REG_DWORD, reinterpret_cast<BYTE*>(&interval), 4);
    ::RegSetValueExA(key.Get(), "LoggingEnabled", 0, REG_BINARY, reinterpret_cast<BYTE*>(&logging), 4);
}

std::vector<std::string> ListItems(HWND list)
{
    std::vector<std::string> items;
    LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[512] = {};   // cross-process LB_GETTEXT comes back as UTF-16 under Wine
        ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        char narrow[512] = {};
        ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
        items.push_back(narrow);
    }
    return items;
}

class DesktopProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        ::CreateDirectoryA((std::string(temp) + "kxtests").c_str(), nullptr);
        ::CreateDirectoryA(Folder().c_str(), nullptr);
        ASSERT_TRUE(CopyDistribution(Folder()));
    }
    void SetUp() override
    {
        ::DeleteFileA((Folder() + "\\Kestrix.log").c_str());
        ASSERT_EQ(0u, RunRegsvr32(" quarrion.dll /s"));
    }
    void TearDown() override
    {
        if (program) {
            if (HWND frame = Frame(2000)) ::PostMessageA(frame, WM_COMMAND, ID_TRAY_EXIT, 0);
            program->Wait(20000);
            program.reset();
        }
    }

    void Start() { program.reset(new ChildProcess(Folder() + "\\Kestrix.exe", "", Folder())); }
    HWND Frame(DWORD timeoutMs = 60000)
    {
        return WaitForProcessWindow(program->Pid(), "KxFrameWnd", "Kestrix", false, timeoutMs);
    }
    HWND Tray() { return WaitForProcessWindow(program->Pid(), "KxSystemTray", "", false); }
    HWND Dialog(const char* caption, DWORD timeoutMs = 60000)
    {
        return WaitForProcessWindow(program->Pid(), "#32770", caption, true, timeoutMs);
    }
    // Starts the program and opens its main dialog from the tray menu.
    HWND StartAndOpenMainDialog()
    {
        Start();
        HWND frame = Frame();
        if (!frame) return nullptr;
        ::PostMessageA(frame, WM_COMMAND, ID_TRAY_OPEN, 0);
        return Dialog(KX_TITLE);
    }
    // Closes a dialog of the program, then ends it through the tray menu.
    DWORD CloseAndExitThroughTray(HWND dialog)
    {
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return ExitThroughTray();
    }
    DWORD ExitThroughTray()
    {
        HWND frame = Frame();
        EXPECT_NE(nullptr, frame);
        ::PostMessageA(frame, WM_COMMAND, ID_TRAY_EXIT, 0);
        DWORD code = program->Wait(60000);
        program.reset();
        return code;
    }

    RunServicesState registry;
    std::unique_ptr<ChildProcess> program;
};

}   // namespace

TEST_F(DesktopProgramTest, FirstRunRegistersTheEngineShowsOptionsAndWritesSettings)
{
    kx::DeleteKeyTree(HKEY_LOCAL_MACHINE, kSettingsKey);
    ASSERT_EQ(0u, RunRegsvr32(" quarrion.dll /u /s"));
    ASSERT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClsidKey));

    Start();
    HWND options = Dialog("Options...");
    ASSERT_NE(nullptr, options);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClsidKey));   // registered before the dialog
    Click(options, IDC_SILENT);                             // silent: the start-up scan then says nothing
    Click(options, IDOK);
    ASSERT_NE(nullptr, Frame());

    DWORD value = 0, type = 0;
    ASSERT_TRUE(ReadDword("Installed", value, &type));
    EXPECT_EQ(1u, value);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    ASSERT_TRUE(ReadDword("SilentMode", value, &type));
    EXPECT_EQ(1u, value);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    for (const char* name : {"AutoScan", "TimedScanning", "ScanInterval", "LoggingEnabled"})
        EXPECT_TRUE(ReadDword(name, value)) << name;
    EXPECT_EQ(0u, ExitThroughTray());

    // A second run neither registers nor asks again.
    Start();
    ASSERT_NE(nullptr, Frame());   // made after a first run's options dialog
    EXPECT_EQ(nullptr, Dialog("Options...", 0));
    EXPECT_EQ(0u, ExitThroughTray());
}

TEST_F(DesktopProgramTest, StartUpScanFindsTheServerAndRemoveCleansUp)
{
    StoreSettings(1, 0, 0, 3, 1);
    std::string sys = SystemDirectory() + "\\";
    TempFile server(FixturePath("server.exe"), sys + "kxagent.exe");
    ChildProcess running(server.Path());
    RunServicesState::SetString("Agent Service", "kxagent.exe");
    RunServicesState::SetString("Other", "other.exe");

    Start();
    HWND dialog = Dialog(KX_TITLE);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(std::vector<std::string>{"Agent Service"}, ListItems(::GetDlgItem(dialog, IDC_REGISTRY_LIST)));
    EXPECT_EQ(std::vector<std::string>{sys + "kxagent.exe"}, ListItems(::GetDlgItem(dialog, IDC_PROCESS_LIST)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog, IDC_DETECT)));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dialog, IDC_REMOVE)));

    BoxAnswerer answerer("Kestrix");
    Click(dialog, IDC_REMOVE);
    ASSERT_TRUE(WaitUntil([&] { return !answerer.Boxes().empty(); }, 60000));
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ("Removal Succeeded! Duskwire has been terminated.", answerer.Boxes()[0].text);
    EXPECT_FALSE(running.Running());
    std::vector<std::string> names;
    for (const RegValue& v : RunServicesState::Values()) names.push_back(v.name);
    EXPECT_EQ(std::vector<std::string>{"Other"}, names);
    EXPECT_TRUE(FileExists(Folder() + "\\Infected Files\\kxagent.exe.KSX"));
    EXPECT_TRUE(ListItems(::GetDlgItem(dialog, IDC_PROCESS_LIST)).empty());
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dialog, IDC_DETECT)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog, IDC_REMOVE)));
    ::DeleteFileA((Folder() + "\\Infected Files\\kxagent.exe.KSX").c_str());

    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);   // closed: back to the tray
    EXPECT_EQ(0u, ExitThroughTray());
}

TEST_F(DesktopProgramTest, ExitInAResultsDialogEndsTheProgram)
{
    StoreSettings(1, 1, 1, 600000, 1);
    TempFile server(FixturePath("server.exe"), Folder() + "\\agent.exe");
    ChildProcess running(server.Path());

    Start();
    HWND dialog = Dialog(KX_TITLE);
    ASSERT_NE(nullptr, dialog);
    Click(dialog, IDOK);
    EXPECT_EQ(0u, program->Wait(30000));
    program.reset();
}

TEST_F(DesktopProgramTest, TrayCallbacksOpenTheDialogsAndNothingStartsWhileADetectionRuns)
{
    StoreSettings(0, 0, 0, 3, 0);
    Start();
    HWND tray = Tray();
    HWND frame = Frame();
    ASSERT_TRUE(tray && frame);
    // Waiting in the tray, it has not loaded what only its windows need.
    EXPECT_FALSE(HasLoaded(program->Pid(), "comctl32.dll"));

    // A double click runs the default item, Open: the main dialog, idle.
    ::PostMessageA(tray, kTrayCallback, IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    HWND dialog = Dialog(KX_TITLE);
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dialog, IDC_DETECT)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog, IDC_REMOVE)));
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);

    // A right click shows the tray menu.
    ::PostMessageA(tray, kTrayCallback, IDR_TRAYMENU, WM_RBUTTONUP);
    HWND menu = WaitForProcessWindow(program->Pid(), "#32768", "", true, 30000);
    ASSERT_NE(nullptr, menu);
    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);

    ::PostMessageA(frame, WM_COMMAND, ID_TRAY_ABOUT, 0);
    HWND about = Dialog("About Kestrix");
    ASSERT_NE(nullptr, about);
    // Its links have their tool tips before any pass has loaded the engine
    // DLL, and with it the common controls.
    EXPECT_NE(nullptr, WaitForProcessWindow(program->Pid(), TOOLTIPS_CLASSA, "", false, 0));
    Click(about, IDOK);

    // While a detection runs (its progress window pumps these messages, then
    // its "not detected" box does), the timer and the other commands do
    // nothing.
    {
        BoxAnswerer answerer("Kestrix");
        ::PostMessageA(frame, WM_COMMAND, ID_TRAY_DETECT, 0);
        for (UINT command : {ID_TRAY_OPEN, ID_TRAY_ABOUT, ID_TRAY_OPTIONS, ID_TRAY_UNINSTALL, ID_TRAY_DETECT})
            ::PostMessageA(frame, WM_COMMAND, command, 0);
        ::PostMessageA(frame, WM_TIMER, CMainFrame::kTimerId, 0);
        ASSERT_TRUE(WaitUntil([&] { return !answerer.Boxes().empty(); }, 60000));
        // Posted after the pass: once it shows, everything posted before it
        // has been dispatched.
        ::PostMessageA(frame, WM_COMMAND, ID_TRAY_ABOUT, 0);
        HWND marker = Dialog("About Kestrix");
        ASSERT_NE(nullptr, marker);
        for (const char* caption : {KX_TITLE, "Options..."}) EXPECT_EQ(nullptr, Dialog(caption, 0)) << caption;
        EXPECT_EQ(1, CountProcessWindows(program->Pid(), "#32770", "About Kestrix"));
        ::PostMessageA(marker, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(marker); }));
        std::vector<ShownBox> boxes = answerer.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("Duskwire was not detected on your system.", boxes[0].text);
        EXPECT_FALSE(boxes[0].hasIcon);
    }
    EXPECT_TRUE(program->Running());
    EXPECT_EQ(0u, ExitThroughTray());
}

TEST_F(DesktopProgramTest, TimedScanningRescansAfterEachPass)
{
    StoreSettings(1, 1, 1, 1000, 1);
    Start();
    ASSERT_NE(nullptr, Frame());
    const std::string logPath = Folder() + "\\Kestrix.log";
    EXPECT_TRUE(WaitUntil([&] { return CountOf(ReadWholeFile(logPath), "Scan completed") >= 3; }, 60000))
        << ReadWholeFile(logPath);
    EXPECT_EQ(0u, ExitThroughTray());
}

TEST_F(DesktopProgramTest, UninstallDeletesTheSettingsKeyUnregistersAndEndsWith65535)
{
    StoreSettings(0, 0, 0, 3, 0);
    {
        // A subkey: Windows NT's RegDeleteKey alone would leave the key.
        kx::RegKey extra;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kSettingsKey) + "\\Added").c_str(),
                                                   0, nullptr, 0, KEY_ALL_ACCESS, nullptr, extra.Put(), nullptr));
    }
    Start();
    HWND frame = Frame();
    ASSERT_NE(nullptr, frame);
    BoxAnswerer answerer("Kestrix");
    ::PostMessageA(frame, WM_COMMAND, ID_TRAY_UNINSTALL, 0);
    EXPECT_EQ(0xFFFFu, program->Wait(60000));
    program.reset();
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ("Kestrix has been successfully uninstalled!", answerer.Boxes()[0].text);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Penhallow"));
    WaitUntil([&] { return !KeyExists(HKEY_CLASSES_ROOT, kClsidKey); }, 60000);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClsidKey));   // the unregistration ran
}

TEST_F(DesktopProgramTest, EngineThatCannotBeCreatedEndsTheProgramWithMinusOne)
{
    StoreSettings(1, 0, 0, 3, 0);   // installed, but the engine is not registered
    ASSERT_EQ(0u, RunRegsvr32(" quarrion.dll /u /s"));
    BoxAnswerer answerer("Kestrix");
    Start();
    EXPECT_EQ(0xFFFFFFFFu, program->Wait(60000));
    program.reset();
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ("CoCreateInstance failed!", answerer.Boxes()[0].text);
    DWORD value = 5;
    EXPECT_TRUE(ReadDword("AutoScan", value));   // the clean-up still wrote the settings
    EXPECT_EQ(1u, value);
}

TEST_F(DesktopProgramTest, ProgramDoesNotStartOnASystemWithMajorVersionThree)
{
    StoreSettings(1, 0, 0, 3, 0);
    const char* appDefaults = "Software\\Wine\\AppDefaults\\Kestrix.exe";
    kx::RegKey key;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, appDefaults, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
    ::RegSetValueExA(key.Get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win31"), 6);
    key.Reset();
    Start();
    DWORD code = program->Wait(60000);
    program.reset();
    ::RegDeleteKeyA(HKEY_CURRENT_USER, appDefaults);
    EXPECT_EQ(0u, code);   // no tray icon, no frame: the program ends without a message
    EXPECT_FALSE(FileExists(Folder() + "\\Kestrix.log"));   // and no start-up scan ran
}

// Two clicks on Detect queued before the first is handled: the second arrives
// through the pass's own message pump (progress window, then the "not
// detected" box) and is ignored; a later click runs a pass of its own.
TEST_F(DesktopProgramTest, DoubleClickOnDetectRunsOnePass)
{
    StoreSettings(0, 0, 0, 3, 1);
    HWND dialog = StartAndOpenMainDialog();
    ASSERT_NE(nullptr, dialog);
    HWND detect = ::GetDlgItem(dialog, IDC_DETECT);
    auto click = [&] {
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_DETECT, BN_CLICKED), reinterpret_cast<LPARAM>(detect));
    };

    BoxAnswerer answerer("Kestrix");
    const std::string logPath = Folder() + "\\Kestrix.log";
    click();
    click();
    ASSERT_TRUE(WaitUntil([&] { return !answerer.Boxes().empty(); }, 60000));
    // The box is recorded before it is answered: a click posted while it is
    // still open would be one more click inside the first pass. The engine
    // lets the log go once that pass has ended.
    ASSERT_TRUE(WaitUntil([&] { return CountOf(ReadWholeFile(logPath), "Scan completed") >= 1; }, 60000));
    click();   // after the queued pair: a pass the second click would have come before
    ASSERT_TRUE(WaitUntil([&] { return answerer.Boxes().size() >= 2; }, 60000));
    ASSERT_NE(nullptr, Frame());   // still alive: a crash would have ended it
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(dialog); }));
    EXPECT_EQ(0u, ExitThroughTray());
    std::vector<ShownBox> boxes = answerer.Boxes();
    ASSERT_EQ(2u, boxes.size());
    for (const ShownBox& box : boxes) EXPECT_EQ("Duskwire was not detected on your system.", box.text);
    std::string log = ReadWholeFile(logPath);
    EXPECT_EQ(2u, CountOf(log, "Scan started on")) << log;
}

// The options dialog and the about box opened from the main dialog are
// modal to it: it is disabled while they are open, usable again after.
TEST_F(DesktopProgramTest, BoxesOpenedFromTheMainDialogAreModalToIt)
{
    StoreSettings(0, 1, 0, 3, 0);
    HWND dialog = StartAndOpenMainDialog();
    ASSERT_NE(nullptr, dialog);
    struct Box {
        UINT command;
        const char* caption;
    } boxes[] = {{ID_OPTIONS, "Options..."}, {ID_ABOUT, "About Kestrix"}};
    for (const Box& b : boxes) {
        ASSERT_TRUE(::IsWindowEnabled(dialog)) << b.caption;
        ::PostMessageA(dialog, WM_COMMAND, b.command, 0);
        HWND box = Dialog(b.caption);
        ASSERT_NE(nullptr, box) << b.caption;
        EXPECT_EQ(dialog, ::GetWindow(box, GW_OWNER)) << b.caption;
        EXPECT_FALSE(::IsWindowEnabled(dialog)) << b.caption;
        ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(dialog) && !::IsWindow(box); })) << b.caption;
    }
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(0u, ExitThroughTray());
}

// The uninstall's success box runs a modal loop while the one-second scan
// timer runs; no tick may start a detection once the engine is unregistered.
TEST_F(DesktopProgramTest, TimerTicksDuringTheUninstallStartNothing)
{
    StoreSettings(0, 1, 1, 1000, 1);
    Start();
    HWND frame = Frame();
    ASSERT_NE(nullptr, frame);
    const std::string logPath = Folder() + "\\Kestrix.log";
    ASSERT_TRUE(WaitUntil([&] { return ReadWholeFile(logPath).find("Scan completed") != std::string::npos; }, 60000));

    ::PostMessageA(frame, WM_COMMAND, ID_TRAY_UNINSTALL, 0);
    HWND box = Dialog("Kestrix");
    ASSERT_NE(nullptr, box);
    // The success box stays open until the unregistration has run and three
    // ticks of the timer have been due.
    ASSERT_TRUE(WaitUntil([&] { return !KeyExists(HKEY_CLASSES_ROOT, kClsidKey); }, 60000));
    ::Sleep(3000);   // three periods of the timer under test, not a wait for the program
    EXPECT_EQ(1, CountProcessWindows(program->Pid(), "#32770", "Kestrix"));   // no "CoCreateInstance failed!" on top
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0xFFFFu, program->Wait(60000));
    program.reset();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey));   // not written back by an aborted exit
}

// When the shell restarts (broadcast "TaskbarCreated"), the tray icon comes
// back; while a dialog has it hidden, it only comes back when the dialog closes.
TEST_F(DesktopProgramTest, TrayIconComesBackWhenTheShellRestarts)
{
    StoreSettings(0, 1, 0, 3, 0);
    Start();
    HWND tray = Tray();
    HWND frame = Frame();
    ASSERT_TRUE(tray && frame);
    auto iconExists = [&] {
        NOTIFYICONDATAA nid{};
        nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
        nid.hWnd = tray;
        nid.uID = IDR_TRAYMENU;
        return ::Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
    };
    auto shellRestarts = [&] {
        NOTIFYICONDATAA nid{};
        nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
        nid.hWnd = tray;
        nid.uID = IDR_TRAYMENU;
        ::Shell_NotifyIconA(NIM_DELETE, &nid);   // a new shell knows no icons
        ::PostMessageA(tray, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    };
    ASSERT_TRUE(WaitUntil(iconExists));

    shellRestarts();
    EXPECT_TRUE(WaitUntil(iconExists));

    ::PostMessageA(frame, WM_COMMAND, ID_TRAY_ABOUT, 0);   // hides the icon while open
    HWND about = Dialog("About Kestrix");
    ASSERT_NE(nullptr, about);
    ASSERT_TRUE(WaitUntil([&] { return !iconExists(); }));
    ::PostMessageA(tray, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(about); }));
    EXPECT_TRUE(WaitUntil(iconExists));   // restored once, by the dialog's end
    EXPECT_EQ(0u, ExitThroughTray());
}

namespace {

struct ProcessWindows {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND hWnd, LPARAM param)
{
    ProcessWindows* windows = reinterpret_cast<ProcessWindows*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid == windows->pid) windows->found.push_back(hWnd);
    return TRUE;
}

// The session ends as Windows ends it: every top-level window of the process
// is asked and told, then the process is ended without its normal exit.
void EndSession(ChildProcess& program)
{
    ProcessWindows windows{program.Pid(), {}};
    ::EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&windows));
    DWORD_PTR answer = 0;
    for (HWND hWnd : windows.found) ::SendMessageTimeoutA(hWnd, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 20000, &answer);
    for (HWND hWnd : windows.found) ::SendMessageTimeoutA(hWnd, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 20000, &answer);
    program.Stop();
}

// The settings key's values, as one text to compare.
std::string SettingsValues()
{
    kx::RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return "";
    std::string text;
    for (const RegValue& v : ListValues(key.Get())) text += v.name + "=" + std::to_string(v.type) + ":" + v.data + "\n";
    return text;
}

}   // namespace

// A second start while Kestrix runs only brings up the running one's main
// dialog (or the dialog it shows already) and ends with 0: no second tray
// icon, no scan, no settings written over the first one's.
TEST_F(DesktopProgramTest, SecondStartBringsUpTheRunningProgramAndWritesNothing)
{
    StoreSettings(1, 1, 0, 3, 1);
    Start();
    ASSERT_NE(nullptr, Frame());
    const std::string logPath = Folder() + "\\Kestrix.log";
    ASSERT_TRUE(WaitUntil([&] { return CountOf(ReadWholeFile(logPath), "Scan completed") == 1; }, 60000));
    {
        // Missing from the key: a program that writes its record brings it back.
        kx::RegKey key;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_ALL_ACCESS, key.Put()));
        ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteValueA(key.Get(), "ScanInterval"));
    }
    const std::string settings = SettingsValues();
    const std::string log = ReadWholeFile(logPath);

    ChildProcess second(Folder() + "\\Kestrix.exe", "", Folder());
    EXPECT_EQ(0u, second.Wait(60000));
    HWND dialog = Dialog(KX_TITLE);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(settings, SettingsValues());
    EXPECT_EQ(log, ReadWholeFile(logPath));

    // With the dialog up and another window in front, a third start brings
    // that dialog forward instead of opening one more.
    HWND other = ::CreateWindowExA(0, "STATIC", "In front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                   nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, other);
    auto foreground = [](HWND expected) {
        return WaitUntil([&] {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
            return ::GetForegroundWindow() == expected;
        });
    };
    ::SetForegroundWindow(other);
    ASSERT_TRUE(foreground(other));
    ChildProcess third(Folder() + "\\Kestrix.exe", "", Folder());
    EXPECT_EQ(0u, third.Wait(60000));
    EXPECT_TRUE(foreground(dialog));
    ::DestroyWindow(other);
    EXPECT_EQ(1, CountProcessWindows(program->Pid(), "#32770", KX_TITLE));
    EXPECT_EQ(0u, CloseAndExitThroughTray(dialog));
}

// A change made in the options dialog is stored when it closes with OK, and
// one still in memory when the session ends (the dialog open, the process
// then ended without its normal exit) is stored by the session's end.
TEST_F(DesktopProgramTest, OptionsOkAndTheSessionsEndStoreTheSettings)
{
    StoreSettings(0, 0, 0, 3, 0);
    Start();
    HWND frame = Frame();
    ASSERT_NE(nullptr, frame);
    ::PostMessageA(frame, WM_COMMAND, ID_TRAY_OPTIONS, 0);
    HWND options = Dialog("Options...");
    ASSERT_NE(nullptr, options);
    Click(options, IDC_SILENT);
    Click(options, IDOK);
    DWORD value = 0;
    EXPECT_TRUE(WaitUntil([&] { return ReadDword("SilentMode", value) && value == 1; }));

    // The same from the main dialog's options box.
    ::PostMessageA(frame, WM_COMMAND, ID_TRAY_OPEN, 0);
    HWND dialog = Dialog(KX_TITLE);
    ASSERT_NE(nullptr, dialog);
    ::PostMessageA(dialog, WM_COMMAND, ID_OPTIONS, 0);
    options = Dialog("Options...");
    ASSERT_NE(nullptr, options);
    Click(options, IDC_LOG);
    Click(options, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return ReadDword("LoggingEnabled", value) && value == 1; }));
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(dialog); }));

    ::PostMessageA(frame, WM_COMMAND, ID_TRAY_OPTIONS, 0);
    options = Dialog("Options...");
    ASSERT_NE(nullptr, options);
    Click(options, IDC_AUTOSCAN);
    EndSession(*program);
    program.reset();
    EXPECT_TRUE(ReadDword("AutoScan", value));
    EXPECT_EQ(1u, value);
    EXPECT_TRUE(ReadDword("SilentMode", value));
    EXPECT_EQ(1u, value);
}
