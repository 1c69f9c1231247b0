// Hostile and broken surroundings: a log held by another program, a log on a
// full disk, eleven and more servers found only by the full scan, registry
// names past the buffers. No crash, nothing escapes the engine call, nothing
// of the user's is lost.
#include "tests/engine/EngineProbe.h"
#include "engine/live/RegistryKey.h"
#include "tests/support/RunServicesState.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kxtest;

namespace {

class BadInputTest : public ::testing::Test {
protected:
    RunServicesState registry;
    ScratchDir dir{"bad input"};
    std::string sys = SystemDirectory() + "\\";
};

}   // namespace

TEST_F(BadInputTest, LogHeldByAnotherProgramLosesTheSectionButNotThePass)
{
    CurrentDirectory cd(dir.Path());
    ASSERT_TRUE(WriteWholeFile(dir / "Kestrix.log", "the user's earlier log\r\n"));
    ChildProcess holder(HelperPath("FileHolder.exe"), "\"" + (dir / "Kestrix.log") + "\" 60");
    // Held once nobody else can open it; a holder that gave up ends the wait.
    ASSERT_TRUE(WaitUntil([&] {
        return !holder.Running() || !kx::FileHandle(::CreateFileA((dir / "Kestrix.log").c_str(), GENERIC_READ, 0,
                                                                  nullptr, OPEN_EXISTING, 0, nullptr));
    }));
    ASSERT_TRUE(holder.Running()) << "the holder could not open the log";
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");
    ChildProcess running(server.Path());
    {
        EngineProbe engine;
        long out = 0;
        EXPECT_EQ(S_OK, engine.Init(1, 1, &out));
        EXPECT_FALSE(engine.ScanLog()->HasFile());
        EXPECT_EQ(S_OK, engine.DetectDW(&out));
        EXPECT_EQ(1, out);
    }
    holder.Stop();
    EXPECT_EQ("the user's earlier log\r\n", ReadWholeFile(dir / "Kestrix.log"));
}

TEST_F(BadInputTest, LogOnAFullDiskNeverStopsAPass)
{
    // Drive K: is a 256 KiB tmpfs, mapped in by the full_disk fixture.
    if (::GetFileAttributesA("K:\\") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no full-disk drive K:";
    ::DeleteFileA("K:\\Kestrix.log");
    ::DeleteFileA("K:\\filler");
    {
        kx::FileHandle filler(::CreateFileA("K:\\filler", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(filler.Valid());
        std::string block(4096, 'x');
        DWORD written = 0;
        while (::WriteFile(filler.Get(), block.data(), 4096, &written, nullptr) && written == 4096) {}
    }
    CurrentDirectory cd("K:\\");
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");
    ChildProcess running(server.Path());
    {
        EngineProbe engine;
        long out = 0;
        EXPECT_EQ(S_OK, engine.Init(1, 1, &out));
        for (int i = 0; i < 200; ++i) engine.Log(std::string(100, 'l') + "\n");   // past the buffer: writes fail
        EXPECT_EQ(S_OK, engine.DetectDW(&out));
        EXPECT_EQ(1, out);
    }   // the close fails too
    ::DeleteFileA("K:\\filler");
    ::DeleteFileA("K:\\Kestrix.log");
}

TEST_F(BadInputTest, QuarantineOnADriveTooSmallForTheServerKeepsTheOlderCopyAndTheServer)
{
    if (::GetFileAttributesA("K:\\") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no full-disk drive K:";
    ScratchDir work("K:", "small quarantine");
    CurrentDirectory cd(work.Path());
    ASSERT_TRUE(::CreateDirectoryA((work / "Infected Files").c_str(), nullptr));
    const std::string older = work / "Infected Files\\agent.exe.KSX";
    ASSERT_TRUE(WriteWholeFile(older, "an earlier removal's copy"));
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");   // on C:, 124,988 bytes
    ChildProcess running(server.Path());
    {
        // Room for the log, not for the server.
        kx::FileHandle filler(
            ::CreateFileA((work / "filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(filler.Valid());
        std::string block(4096, 'x');
        DWORD written = 0;
        while (::WriteFile(filler.Get(), block.data(), 4096, &written, nullptr) && written == 4096) {}
    }
    ::DeleteFileA((work / "filler").c_str());
    {
        kx::FileHandle filler(
            ::CreateFileA((work / "filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        std::string block(4096, 'x');
        DWORD written = 0;
        ULARGE_INTEGER free{};
        while (::GetDiskFreeSpaceExA(work.Path().c_str(), &free, nullptr, nullptr) && free.QuadPart > 64 * 1024 &&
               ::WriteFile(filler.Get(), block.data(), 4096, &written, nullptr) && written == 4096) {}
    }

    long detected = 0, removed = 1;
    {
        EngineProbe engine;
        long out = 0;
        engine.Init(1, 1, &out);
        engine.DetectDW(&detected);
        EXPECT_EQ(S_FALSE, engine.RemoveDW(&removed));
    }
    EXPECT_EQ(1, detected);
    EXPECT_EQ(0, removed);
    EXPECT_EQ("an earlier removal's copy", ReadWholeFile(older));
    EXPECT_EQ(ReadWholeFile(FixturePath("server.exe")), ReadWholeFile(server.Path()));
    WIN32_FIND_DATAA found;
    kx::FindHandle others(::FindFirstFileA((work / "Infected Files\\*.TMP").c_str(), &found));
    EXPECT_FALSE(others.Valid()) << "left behind: " << found.cFileName;
}

TEST_F(BadInputTest, ElevenServersFoundOnlyByTheFullScanFillTenRecords)
{
    TempFile registered(FixturePath("server_blank_value.exe"), sys + " .exe");
    RunServicesState::SetString("", " .exe");
    std::vector<std::unique_ptr<TempFile>> files;
    std::vector<std::unique_ptr<ChildProcess>> running;
    running.emplace_back(new ChildProcess(registered.Path()));
    for (int i = 0; i < 11; ++i) {
        files.emplace_back(new TempFile(FixturePath("server.exe"), dir / ("agent" + std::to_string(i) + ".exe")));
        running.emplace_back(new ChildProcess(files.back()->Path()));
    }
    CurrentDirectory cd(dir.Path());
    EngineProbe engine;
    long out = 0;
    engine.Init(0, 1, &out);
    EXPECT_EQ(S_OK, engine.DetectDW(&out));
    EXPECT_EQ(1, out);
    EXPECT_EQ(12u, engine.ProcessList().size());
    ASSERT_NE(nullptr, engine.Detection());
    EXPECT_EQ(10u, engine.Detection()->configs.size());
    ASSERT_EQ(11u, engine.RegistryList().size());   // (Default) and ten records
    EXPECT_EQ("(Default)", engine.RegistryList().at(0));
    for (size_t i = 1; i < 11; ++i) EXPECT_EQ("Agent", engine.RegistryList().at(i));

    EXPECT_EQ(S_OK, engine.RemoveDW(&out));
    EXPECT_EQ(1, out);
    for (auto& p : running) EXPECT_FALSE(p->Running());
    EXPECT_TRUE(FileExists(dir / "Infected Files\\DUSKWIRE.KSX"));
    EXPECT_TRUE(FileExists(dir / "Infected Files\\agent10.exe.KSX"));
}

TEST_F(BadInputTest, ValueNamesPastTheBufferEndTheEnumerationSafely)
{
    RunServicesState::SetString("A", "first.exe");
    RunServicesState::SetString("B" + std::string(300, 'n'), "second.exe");
    RunServicesState::SetString("C", "third.exe");
    CRegistryKey key;
    std::vector<RunServicesValue> values;
    EXPECT_EQ(0, key.ReadValues(HKEY_LOCAL_MACHINE, kRunServicesPath, values));
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ("A", values[0].name);
    EXPECT_EQ("first.exe", values[0].data);
}
