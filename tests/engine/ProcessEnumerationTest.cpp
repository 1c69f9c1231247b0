// Process enumeration against real processes in the Wine prefix.
#include "engine/live/LiveMachine.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <tlhelp32.h>
#include <vector>

using namespace kxtest;

namespace {

class MachineProbe : public CLiveMachine {
public:
    bool ToolHelpBound() const { return m_pfnCreateToolhelp32Snapshot && m_pfnProcess32First && m_pfnProcess32Next; }
    void UnbindToolHelp()
    {
        m_pfnCreateToolhelp32Snapshot = nullptr;
        m_pfnProcess32First = nullptr;
        m_pfnProcess32Next = nullptr;
    }
};

class ProcessEnumerationTest : public ::testing::Test {
protected:
    ProcessEnumerationTest()
    {
        ::CreateDirectoryA((dir / "Sub Folder").c_str(), nullptr);
        image = dir / "Sub Folder\\agent.exe";
        EXPECT_TRUE(::CopyFileA(HelperPath("MockServer.exe").c_str(), image.c_str(), FALSE));
    }

    int CountOf(const std::vector<std::string>& list, const std::string& path)
    {
        int n = 0;
        for (const std::string& s : list) n += ToLower(s) == ToLower(path) ? 1 : 0;
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
    MachineProbe machine;
    EXPECT_TRUE(machine.ToolHelpBound());
    EXPECT_TRUE(machine.BindToolHelp());
}

TEST_F(ProcessEnumerationTest, SnapshotListsFullImagePathsOncePerProcess)
{
    ChildProcess a(image), b(image);
    CLiveMachine machine;
    std::vector<std::string> images{"from an earlier pass"};
    ASSERT_TRUE(machine.ListRunningImages(images));

    EXPECT_EQ(2, CountOf(images, image));
    EXPECT_EQ(0, CountOf(images, "from an earlier pass"));
    // Every entry is a full path, the system's own processes included.
    for (const std::string& path : images) EXPECT_NE(std::string::npos, path.find(":\\")) << path;
    EXPECT_EQ(1, CountOf(images, SystemDirectory() + "\\services.exe"));

    // A second snapshot replaces the first.
    b.Stop();
    ASSERT_TRUE(machine.ListRunningImages(images));
    EXPECT_EQ(1, CountOf(images, image));
}

TEST_F(ProcessEnumerationTest, FindProcessIdFindsTheFirstListedThenTheOtherIgnoringCase)
{
    auto a = std::make_unique<ChildProcess>(image);
    auto b = std::make_unique<ChildProcess>(image);
    std::vector<DWORD> order = SnapshotOrder({a.get(), b.get()});
    ASSERT_EQ(2u, order.size());

    CLiveMachine engine;
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
    CLiveMachine engine;
    EXPECT_EQ(static_cast<DWORD>(-1), engine.FindProcessId(dir / "agent.exe"));
    EXPECT_EQ(static_cast<DWORD>(-1), engine.FindProcessId("agent.exe"));
    EXPECT_EQ(a.Pid(), engine.FindProcessId(image));
}

TEST_F(ProcessEnumerationTest, WithoutToolHelpNothingIsListedAndNoProcessFound)
{
    ChildProcess a(image);
    MachineProbe machine;
    machine.UnbindToolHelp();
    std::vector<std::string> images{"stale"};
    EXPECT_FALSE(machine.ListRunningImages(images));
    EXPECT_TRUE(images.empty());
    EXPECT_EQ(0u, machine.FindProcessId(image));
    EXPECT_FALSE(machine.TerminateImage(image));
    EXPECT_TRUE(a.Running());
}

TEST_F(ProcessEnumerationTest, FullPathInTheSnapshotIsKeptAsItStands)
{
    // Windows 9x puts the full path into szExeFile; it is used unchanged.
    CLiveMachine engine;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    entry.th32ProcessID = ::GetCurrentProcessId();
    lstrcpyA(entry.szExeFile, "C:\\WINDOWS\\SYSTEM\\ .exe");
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\ .exe", engine.ImagePathOf(entry));
    // A bare name is resolved (here: this test program's own path).
    lstrcpyA(entry.szExeFile, "engine_core_tests.exe");
    EXPECT_EQ(ToLower(HelperPath("engine_core_tests.exe")), ToLower(engine.ImagePathOf(entry)));
}
