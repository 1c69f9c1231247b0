// Whole detection and removal passes over a snapshot as Windows 95, 98 and ME
// give it: szExeFile holds the full path, in upper case, and neither
// QueryFullProcessImageName nor a module snapshot is there to resolve it.
// The engine's three ToolHelp32 entry points are bound to a double that lists
// the running mock servers (real processes) that way.
#include "EngineProbe.h"
#include "ExpectedLog.h"
#include "MessageBoxes.h"
#include "RunServicesState.h"
#include "TestSupport.h"

#include "EngineModule.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace kxtest;

namespace {

// The processes the double lists, in the order given.
std::vector<PROCESSENTRY32> g_entries;
size_t g_next = 0;

HANDLE WINAPI SnapshotDouble(DWORD flags, DWORD)
{
    if (!(flags & TH32CS_SNAPPROCESS)) return INVALID_HANDLE_VALUE;   // 9x: no other kind asked for here
    return ::CreateEventA(nullptr, TRUE, FALSE, nullptr);            // closed by the engine like a snapshot
}

BOOL WINAPI NextDouble(HANDLE, LPPROCESSENTRY32 entry)
{
    if (g_next >= g_entries.size() || entry->dwSize != sizeof(PROCESSENTRY32)) {
        ::SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *entry = g_entries[g_next++];
    return TRUE;
}

BOOL WINAPI FirstDouble(HANDLE snapshot, LPPROCESSENTRY32 entry)
{
    g_next = 0;
    return NextDouble(snapshot, entry);
}

void List(DWORD pid, const std::string& path)
{
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    e.th32ProcessID = pid;
    lstrcpynA(e.szExeFile, ToUpper(path).c_str(), sizeof e.szExeFile);
    g_entries.push_back(e);
}

class Win9xEngine : public EngineProbe {
public:
    Win9xEngine()
    {
        m_pfnCreateToolhelp32Snapshot = SnapshotDouble;
        m_pfnProcess32First = FirstDouble;
        m_pfnProcess32Next = NextDouble;
        m_pfnQueryFullProcessImageName = nullptr;
        m_pfnModule32First = nullptr;
    }
};

class Win9xSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_entries.clear();
        char self[MAX_PATH];
        DWORD n = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
        List(::GetCurrentProcessId(), std::string(self, n));
        List(0xFFFFFFF0u, "C:\\WINDOWS\\SYSTEM\\GONE.EXE");   // ended since: nothing to open
    }
    void TearDown() override { g_entries.clear(); }

    RunServicesState registry;
    ScratchDir dir{"win9x snapshot"};
    std::unique_ptr<CurrentDirectory> cd{new CurrentDirectory(dir.Path())};
    std::string sys = SystemDirectory() + "\\";
};

} // namespace

TEST_F(Win9xSnapshotTest, DetectsAndRemovesServersListedByUpperCaseFullPaths)
{
    TempFile registered(FixturePath("server_blank_value.exe"), sys + " .exe");
    TempFile outside(FixturePath("server.exe"), dir / "agent.exe");
    TempFile clean(FixturePath("clean.exe"), dir / "clean.exe");
    ChildProcess a(registered.Path()), b(outside.Path()), c(clean.Path());
    ASSERT_TRUE(a.Running() && b.Running() && c.Running());
    List(a.Pid(), registered.Path());
    List(b.Pid(), outside.Path());
    List(c.Pid(), clean.Path());
    RunServicesState::SetString("", " .exe");

    long detected = -1, removed = -1;
    HRESULT hr = E_FAIL;
    std::vector<std::string> processes;
    std::vector<ShownBox> boxes;
    {
        BoxAnswerer answerer(EngineTitle());
        {
            Win9xEngine engine;
            long out = 0;
            engine.Init(1, 1, &out);
            engine.DetectDW(&detected);
            processes = engine.m_pProcessList->Items();
            hr = engine.RemoveDW(&removed);
        }
        boxes = answerer.Boxes();
    }

    EXPECT_EQ(1, detected);
    // The server a RunServices value names is listed by the path the value
    // gives (in the system directory); the other as the snapshot reports it.
    EXPECT_EQ(std::vector<std::string>({sys + " .exe", ToUpper(outside.Path())}), processes);
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(1, removed);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(a.Running());
    EXPECT_FALSE(b.Running());
    EXPECT_TRUE(c.Running());   // no signature: never touched
    EXPECT_FALSE(FileExists(registered.Path()));
    EXPECT_FALSE(FileExists(outside.Path()));
    EXPECT_TRUE(FileExists(clean.Path()));
    EXPECT_TRUE(FileExists(dir / "Infected Files\\DUSKWIRE.KSX"));
    EXPECT_TRUE(FileExists(dir / "Infected Files\\AGENT.EXE.KSX"));
    EXPECT_TRUE(RunServicesState::Values().empty());

    std::string log = AfterHeader(ReadWholeFile(dir / "Kestrix.log"));
    EXPECT_NE(std::string::npos, log.find(ToUpper(outside.Path()))) << log;
}

TEST_F(Win9xSnapshotTest, CleanSnapshotFindsNothingAndRemovalTouchesNothing)
{
    TempFile clean(FixturePath("clean.exe"), dir / "clean.exe");
    ChildProcess c(clean.Path());
    List(c.Pid(), clean.Path());

    long detected = -1;
    {
        Win9xEngine engine;
        long out = 0;
        engine.Init(1, 1, &out);
        engine.DetectDW(&detected);
        EXPECT_TRUE(engine.m_pProcessList->Items().empty());
    }
    EXPECT_EQ(0, detected);
    EXPECT_TRUE(c.Running());
    EXPECT_TRUE(FileExists(clean.Path()));
}
