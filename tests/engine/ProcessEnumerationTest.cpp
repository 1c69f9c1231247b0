// Process enumeration against real processes in the Wine prefix.
#include "EngineProbe.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <tlhelp32.h>
#include <vector>

using namespace kxtest;

namespace {

class ProcessEnumerationTest : public ::testing::Test {
protected:
    ProcessEnumerationTest()
    {
        ::CreateDirectoryA((dir / "Sub Folder").c_str(), nullptr);
        image = dir / "Sub Folder\\agent.exe";
        EXPECT_TRUE(::CopyFileA(HelperPath("MockServer.exe").c_str(), image.c_str(), FALSE));
    }

    int CountOf(const CStringList& list, const std::string& path)
    {
        int n = 0;
        for (const std::string& s : list.Items()) n += EqualsNoCase(s, path) ? 1 : 0;
        return n;
    }

    // Pids of the processes with this image, in snapshot order.
    std::vector<DWORD> SnapshotOrder(const std::vector<const ChildProcess*>& children)
    {
        std::vector<DWORD> order;
        kx::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry))
            for (const ChildProcess* c : children)
                if (c->Pid() == entry.th32ProcessID) order.push_back(entry.th32ProcessID);
        return order;
    }

    ScratchDir dir{"processes"};
    std::string image;
};

}   // namespace

TEST_F(ProcessEnumerationTest, BindsToolHelpOnThisSystem)
{
    EngineProbe engine;
    EXPECT_TRUE(engine.ToolHelpBound());
    EXPECT_TRUE(engine.BindToolHelp());
}

TEST_F(ProcessEnumerationTest, SnapshotListsFullImagePathsOncePerProcess)
{
    ChildProcess a(image), b(image);
    EngineProbe engine;
    engine.m_pCandidateList->Append("from an earlier pass");
    ASSERT_TRUE(engine.SnapshotProcesses());

    EXPECT_EQ(2, CountOf(*engine.m_pProcessList, image));
    EXPECT_EQ(engine.m_pProcessList->Items(), engine.m_pCandidateList->Items());
    // Every entry is a full path, the system's own processes included.
    for (const std::string& path : engine.m_pProcessList->Items())
        EXPECT_NE(std::string::npos, path.find(":\\")) << path;
    EXPECT_EQ(1, CountOf(*engine.m_pProcessList, SystemDirectory() + "\\services.exe"));

    // A second snapshot replaces the first.
    b.Stop();
    ASSERT_TRUE(engine.SnapshotProcesses());
    EXPECT_EQ(1, CountOf(*engine.m_pProcessList, image));
}

TEST_F(ProcessEnumerationTest, FindProcessIdFindsTheFirstListedThenTheOtherIgnoringCase)
{
    auto a = std::make_unique<ChildProcess>(image);
    auto b = std::make_unique<ChildProcess>(image);
    std::vector<DWORD> order = SnapshotOrder({a.get(), b.get()});
    ASSERT_EQ(2u, order.size());

    EngineProbe engine;
    EXPECT_EQ(order[0], engine.FindProcessId(ToUpper(image)));
    EXPECT_EQ(order[0], engine.FindProcessId(ToLower(image)));

    (a->Pid() == order[0] ? a : b)->Stop();
    EXPECT_EQ(order[1], engine.FindProcessId(image));

    (a->Pid() == order[1] ? a : b)->Stop();
    EXPECT_EQ(static_cast<DWORD>(-1), engine.FindProcessId(image));
}

TEST_F(ProcessEnumerationTest, FindProcessIdComparesWholePathsNotJustNames)
{
    ChildProcess a(image);
    EngineProbe engine;
    EXPECT_EQ(static_cast<DWORD>(-1), engine.FindProcessId(dir / "agent.exe"));
    EXPECT_EQ(static_cast<DWORD>(-1), engine.FindProcessId("agent.exe"));
    EXPECT_EQ(a.Pid(), engine.FindProcessId(image));
}

TEST_F(ProcessEnumerationTest, WithoutToolHelpNothingIsListedAndNoProcessFound)
{
    ChildProcess a(image);
    EngineProbe engine;
    engine.UnbindToolHelp();
    engine.m_pProcessList->Append("stale");
    engine.m_pCandidateList->Append("kept");
    EXPECT_FALSE(engine.SnapshotProcesses());
    EXPECT_TRUE(engine.m_pProcessList->IsEmpty());
    EXPECT_EQ(std::vector<std::string>{"kept"}, engine.m_pCandidateList->Items());
    EXPECT_EQ(0u, engine.FindProcessId(image));
}

TEST_F(ProcessEnumerationTest, FullPathInTheSnapshotIsKeptAsItStands)
{
    // Windows 9x puts the full path into szExeFile; it is used unchanged.
    EngineProbe engine;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    entry.th32ProcessID = ::GetCurrentProcessId();
    lstrcpyA(entry.szExeFile, "C:\\WINDOWS\\SYSTEM\\ .exe");
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\ .exe", engine.ImagePathOf(entry));
    // A bare name is resolved (here: this test program's own path).
    lstrcpyA(entry.szExeFile, "engine_core_tests.exe");
    EXPECT_EQ(ToLower(HelperPath("engine_core_tests.exe")), ToLower(engine.ImagePathOf(entry)));
}
