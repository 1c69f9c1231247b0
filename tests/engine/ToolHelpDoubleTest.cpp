// Whole passes with the engine's three ToolHelp32 entry points bound to a
// double that lists real processes as the test says: as Windows 95, 98 and ME
// give them (szExeFile the full path, in upper case, nothing to resolve it
// with), with bare names that NT cannot resolve, and failing in mid-pass.
#include "tests/engine/EngineProbe.h"
#include "tests/engine/ExpectedLog.h"
#include "tests/support/MessageBoxes.h"
#include "tests/support/RunServicesState.h"
#include "tests/support/TestSupport.h"

#include "engine/EngineModule.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace kxtest;

namespace {

// The processes the double lists, in the order given.
std::vector<PROCESSENTRY32> g_entries;
size_t g_next = 0;
bool g_throw = false;   // the next Process32Next throws, as an allocation failing inside a pass

HANDLE WINAPI SnapshotDouble(DWORD flags, DWORD)
{
    if (!(flags & TH32CS_SNAPPROCESS)) return INVALID_HANDLE_VALUE;   // 9x: no other kind asked for here
    return ::CreateEventA(nullptr, TRUE, FALSE, nullptr);             // closed by the engine like a snapshot
}

BOOL WINAPI NextDouble(HANDLE, LPPROCESSENTRY32 entry)
{
    if (g_throw) throw std::bad_alloc();
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

void ListAs(DWORD pid, const std::string& exeFile)
{
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    e.th32ProcessID = pid;
    lstrcpynA(e.szExeFile, exeFile.c_str(), sizeof e.szExeFile);
    g_entries.push_back(e);
}

void List(DWORD pid, const std::string& path)
{
    ListAs(pid, ToUpper(path));
}

// The snapshot is the double's; path resolution stays the system's (NT) or
// is absent (9x).
class DoubleMachine : public CLiveMachine {
public:
    explicit DoubleMachine(bool resolves)
    {
        m_pfnCreateToolhelp32Snapshot = SnapshotDouble;
        m_pfnProcess32First = FirstDouble;
        m_pfnProcess32Next = NextDouble;
        if (!resolves) {
            m_pfnQueryFullProcessImageName = nullptr;
            m_pfnModule32First = nullptr;
        }
    }
};

class DoubleEngine : public EngineProbe {
public:
    explicit DoubleEngine(bool resolves) : EngineProbe(std::unique_ptr<CMachine>(new DoubleMachine(resolves))) {}
};

class Win9xEngine : public DoubleEngine {
public:
    Win9xEngine() : DoubleEngine(false) {}
};

class SnapshotDoubleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_entries.clear();
        char self[MAX_PATH];
        DWORD n = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
        List(::GetCurrentProcessId(), std::string(self, n));
        List(0xFFFFFFF0u, "C:\\WINDOWS\\SYSTEM\\GONE.EXE");   // ended since: nothing to open
    }
    void TearDown() override
    {
        g_entries.clear();
        g_throw = false;
    }

    RunServicesState registry;
    ScratchDir dir{"snapshot double"};
    std::unique_ptr<CurrentDirectory> cd{new CurrentDirectory(dir.Path())};
    std::string sys = SystemDirectory() + "\\";
};

}   // namespace

TEST_F(SnapshotDoubleTest, DetectsAndRemovesServersListedByUpperCaseFullPaths)
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
            processes = engine.ProcessList();
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

TEST_F(SnapshotDoubleTest, CleanSnapshotFindsNothingAndRemovalTouchesNothing)
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
        EXPECT_TRUE(engine.ProcessList().empty());
    }
    EXPECT_EQ(0, detected);
    EXPECT_TRUE(c.Running());
    EXPECT_TRUE(FileExists(clean.Path()));
}

TEST_F(SnapshotDoubleTest, AFailureInsideAPassEndsItWithNothingFoundAndNothingRemoved)
{
    TempFile outside(FixturePath("server.exe"), dir / "agent.exe");
    ChildProcess b(outside.Path());
    List(b.Pid(), outside.Path());

    long detected = -1, removed = 1, again = 1;
    HRESULT detectHr = E_FAIL, removeHr = E_FAIL, retryHr = E_FAIL;
    {
        BoxAnswerer answerer(EngineTitle());
        Win9xEngine engine;
        long out = 0;
        engine.Init(1, 1, &out);
        detectHr = engine.DetectDW(&detected);
        ASSERT_EQ(1, detected);
        g_throw = true;   // the removal's process lookup fails
        removeHr = engine.RemoveDW(&removed);
        g_throw = false;
        retryHr = engine.RemoveDW(&again);   // the failed pass used up the detection
        EXPECT_TRUE(answerer.Boxes().empty());

        g_throw = true;
        long redetected = 1;   // as Init left the caller's variable
        EXPECT_EQ(S_OK, engine.DetectDW(&redetected));
        EXPECT_EQ(0, redetected);
    }
    EXPECT_EQ(S_OK, detectHr);
    EXPECT_EQ(S_FALSE, removeHr);
    EXPECT_EQ(0, removed);
    EXPECT_EQ(S_FALSE, retryHr);
    EXPECT_EQ(0, again);
    EXPECT_TRUE(b.Running());
    EXPECT_TRUE(FileExists(outside.Path()));
    std::string log = ReadWholeFile(dir / "Kestrix.log");
    EXPECT_NE(std::string::npos, log.find("ENGINE ERROR: RemoveDW stopped: out of memory.\r\n")) << log;
    EXPECT_NE(std::string::npos, log.find("ENGINE ERROR: DetectDW stopped: out of memory.\r\n")) << log;
}

// Windows NT lists the idle process as process 0 and some processes by bare
// names that the system will not resolve ("System", protected processes).
// Files of those names in the current folder must not stand in for them.
TEST_F(SnapshotDoubleTest, UnresolvableNamesAndTheIdleProcessAreNotScanned)
{
    g_entries.clear();
    TempFile idle(FixturePath("server.exe"), dir / "[System Process]");
    TempFile system(FixturePath("server.exe"), dir / "System");
    ListAs(0, "[System Process]");
    ListAs(4, "System");
    ListAs(::GetCurrentProcessId(), "engine_removal_tests.exe");

    long detected = -1;
    std::vector<std::string> processes;
    {
        DoubleEngine engine(true);
        long out = 0;
        engine.Init(1, 1, &out);
        engine.DetectDW(&detected);
        engine.Engine().Machine().ListRunningImages(processes);
    }
    EXPECT_EQ(0, detected);
    ASSERT_EQ(1u, processes.size());   // only the one the system resolved
    EXPECT_EQ(ToLower(HelperPath("engine_removal_tests.exe")), ToLower(processes[0]));
    std::string log = ReadWholeFile(dir / "Kestrix.log");
    EXPECT_EQ(std::string::npos, log.find("Error trying to open")) << log;
}
