// Whole removal passes after real detections: processes terminated, values
// deleted, files moved into "Infected Files"; and every failure path with its
// message box answered by the test.
#include "engine/EngineModule.h"
#include "tests/engine/EngineProbe.h"
#include "tests/engine/ExpectedLog.h"
#include "tests/support/MessageBoxes.h"
#include "tests/support/RunServicesState.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kxtest;

namespace {

const char kRemovalStart[] = "\r\n\t     -------------------- Removal Phase ----------------------\r\n";
const char kTerminated[] = "All running copies of the Duskwire server terminated.\r\n";
const char kRegistryRemoved[] = "All registry entries removed.\r\n";
const char kAllRenamed[] = "All detected copies of the Duskwire server listed above renamed with a '.KSX'\r\n"
                           "extension in the 'Infected Files' directory.\r\n";

std::vector<std::string> ValueNames()
{
    std::vector<std::string> names;
    for (const RegValue& v : RunServicesState::Values()) names.push_back(v.name);
    return names;
}

// RunServices replaced by a registry link to a key that does not exist: the
// engine's open of the key then fails, as with a damaged registry.
class BrokenRunServicesKey {
public:
    BrokenRunServicesKey()
    {
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRunServicesPath);
        kx::RegKey link;
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunServicesPath, 0, nullptr,
                          REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr,
                          link.Put(), nullptr);
        std::wstring target = L"\\Registry\\Machine\\Software\\Kestrix Tests Nowhere\\Key";
        ::RegSetValueExW(link.Get(), L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                         static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    }
    ~BrokenRunServicesKey()
    {
        kx::RegKey link;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunServicesPath, REG_OPTION_OPEN_LINK, DELETE | KEY_ALL_ACCESS,
                            link.Put()) == ERROR_SUCCESS) {
            using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
            auto deleteKey = reinterpret_cast<NtDeleteKeyFn>(
                reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
            deleteKey(link.Get());
        }
        RunServicesState::Clear();   // recreates the real key
    }
};

class RemovalTest : public ::testing::Test {
protected:
    struct Outcome {
        long detected = -1, removed = -1;
        HRESULT hr = E_FAIL;
        std::vector<std::string> registry, processes;
        std::vector<ShownBox> boxes;
        std::string log;   // after the header
    };

    // Detects, runs between() (to break something), removes; the log is read
    // once the engine object is gone.
    template <typename Between>
    Outcome Run(Between between)
    {
        Outcome o;
        {
            BoxAnswerer answerer(EngineTitle());
            {
                EngineProbe engine;
                long out = 0;
                engine.Init(1, 1, &out);
                engine.DetectDW(&o.detected);
                o.registry = engine.RegistryList();
                o.processes = engine.ProcessList();
                between();
                o.hr = engine.RemoveDW(&o.removed);
            }
            o.boxes = answerer.Boxes();
        }
        std::string log = ReadWholeFile(logPath);
        ::DeleteFileA(logPath.c_str());
        o.log = AfterHeader(log);
        return o;
    }
    Outcome Run()
    {
        return Run([] {});
    }

    std::string Quarantined(const std::string& name) const { return dir / ("Infected Files\\" + name); }

    RunServicesState registry;
    ScratchDir dir{"removal"};
    std::unique_ptr<CurrentDirectory> cd{new CurrentDirectory(dir.Path())};
    std::string logPath = dir / "Kestrix.log";
    std::string sys = SystemDirectory() + "\\";
};

}   // namespace

TEST_F(RemovalTest, RemovesEverythingDetectedAndKeepsEveryCopyOfEachName)
{
    TempFile registered(FixturePath("server_blank_value.exe"), sys + " .exe");
    TempFile installed(FixturePath("server.exe"), sys + "agent.exe");   // the copy its block names
    TempFile outside(FixturePath("server.exe"), dir / "agent.exe");
    TempFile windll(FixturePath("clean.exe"), sys + "windll.dll");
    ChildProcess a(registered.Path()), b(outside.Path());
    RunServicesState::SetString("", " .exe");
    RunServicesState::SetString("Agent", "agent.exe");
    RunServicesState::SetString("Keep", "C:\\tools\\keep.exe");

    Outcome o = Run();
    EXPECT_EQ(1, o.detected);
    EXPECT_EQ(S_OK, o.hr);
    EXPECT_EQ(1, o.removed);
    EXPECT_TRUE(o.boxes.empty());

    EXPECT_EQ(STILL_ACTIVE == a.Wait(0) ? 0u : 1u, 1u);
    EXPECT_FALSE(a.Running());
    EXPECT_FALSE(b.Running());
    EXPECT_EQ(std::vector<std::string>{"Keep"}, ValueNames());
    for (const std::string& gone : {registered.Path(), installed.Path(), outside.Path(), windll.Path()})
        EXPECT_FALSE(FileExists(gone)) << gone;
    EXPECT_TRUE(FileExists(Quarantined("DUSKWIRE.KSX")));
    EXPECT_TRUE(FileExists(Quarantined("windll.dll.KSX")));
    // Two files named agent.exe: both kept, the second under a number.
    EXPECT_EQ(ReadWholeFile(FixturePath("server.exe")), ReadWholeFile(Quarantined("agent.exe.KSX")));
    EXPECT_EQ(ReadWholeFile(FixturePath("server.exe")), ReadWholeFile(Quarantined("agent.exe.2.KSX")));

    EXPECT_EQ(FoundSection({"(Default)", "Agent"}, {sys + " .exe", outside.Path()}) + kRemovalStart + kTerminated +
                  kRegistryRemoved + kAllRenamed + kFooter,
              o.log);
}

TEST_F(RemovalTest, NamesThatAreNotThereCostNothingAndCapitalBlankExeKeepsItsName)
{
    TempFile image(FixturePath("server_blank_value.exe"), dir / " .EXE");   // its block names " .exe" and " "
    TempFile installed(FixturePath("clean.exe"), sys + " .exe");            // no signature: not the server's
    ChildProcess running(image.Path());
    RunServicesState::SetString("", "unrelated.exe");
    RunServicesState::SetString("Keep", "keep.exe");

    Outcome o = Run();
    EXPECT_EQ(std::vector<std::string>{" "}, o.registry);
    EXPECT_EQ(1, o.removed);
    EXPECT_EQ((std::vector<std::string>{"", "Keep"}), ValueNames());   // the default value stays
    EXPECT_TRUE(FileExists(Quarantined(" .EXE.KSX")));
    EXPECT_FALSE(FileExists(Quarantined("DUSKWIRE.KSX")));
    EXPECT_TRUE(FileExists(installed.Path()));
    EXPECT_EQ(FoundSection({" "}, {image.Path()}) + kRemovalStart + kTerminated +
                  "*NOTICE* The RunServices value   does not exist. The key's default value was left in place.\r\n" +
                  kRegistryRemoved + "*NOTICE* The file " + sys +
                  " .exe does not carry the Duskwire signature. File left alone.\r\n" + kAllRenamed + kFooter,
              o.log);
}

TEST_F(RemovalTest, ProcessThatEndedSinceDetectionFailsThePassBeforeAnythingIsTouched)
{
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");
    auto running = std::make_unique<ChildProcess>(server.Path());
    RunServicesState::SetString("Agent", server.Path());

    Outcome o = Run([&] { running.reset(); });
    EXPECT_EQ(1, o.detected);
    EXPECT_EQ(S_FALSE, o.hr);
    EXPECT_EQ(0, o.removed);
    ASSERT_EQ(1u, o.boxes.size());
    EXPECT_EQ("Error trying to terminate the process. Removal Failed!  See Kestrix.log for details.", o.boxes[0].text);
    EXPECT_TRUE(o.boxes[0].hasIcon);
    EXPECT_EQ(std::vector<std::string>{"Agent"}, ValueNames());
    EXPECT_TRUE(FileExists(server.Path()));
    EXPECT_FALSE(FileExists(dir / "Infected Files"));
    EXPECT_EQ(FoundSection({"Agent", "Agent"}, {server.Path()}) + kRemovalStart +
                  "PROCESS TERMINATION PHASE: Error trying to terminate the process(s)." + kFooter,
              o.log);
}

TEST_F(RemovalTest, RegistryKeyThatCannotBeOpenedFailsThePassAfterTermination)
{
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");
    ChildProcess running(server.Path());
    std::unique_ptr<BrokenRunServicesKey> broken;

    Outcome o = Run([&] { broken.reset(new BrokenRunServicesKey); });
    EXPECT_EQ(0, o.removed);
    EXPECT_EQ(S_FALSE, o.hr);
    ASSERT_EQ(1u, o.boxes.size());
    EXPECT_EQ("Error trying to remove registry entries. Removal Failed! See Kestrix.log for details.", o.boxes[0].text);
    EXPECT_FALSE(running.Running());
    EXPECT_TRUE(FileExists(server.Path()));
    EXPECT_EQ(FoundSection({"Agent"}, {server.Path()}) + kRemovalStart + kTerminated +
                  "REGISTRY CLEAN PHASE: Error trying to remove registry entries." + kFooter,
              o.log);
}

TEST_F(RemovalTest, QuarantineDirectoryThatCannotBeCreatedFailsThePassWithNothingMoved)
{
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");
    ChildProcess running(server.Path());
    RunServicesState::SetString("Agent", server.Path());

    // The log stays where Init opened it; the quarantine goes under the
    // directory that is current at removal: here the host's /proc, where no
    // directory can be made.
    const std::string proc = "Z:\\proc";
    std::unique_ptr<CurrentDirectory> inProc;
    Outcome o = Run([&] { inProc.reset(new CurrentDirectory(proc)); });
    inProc.reset();

    EXPECT_EQ(0, o.removed);
    ASSERT_EQ(1u, o.boxes.size());
    EXPECT_EQ("Error creating trojan-depository directory. See log for details.", o.boxes[0].text);
    EXPECT_TRUE(o.boxes[0].hasIcon);
    EXPECT_TRUE(ValueNames().empty());
    EXPECT_TRUE(FileExists(server.Path()));
    EXPECT_EQ(FoundSection({"Agent", "Agent"}, {server.Path()}) + kRemovalStart + kTerminated + kRegistryRemoved +
                  "Error creating " + proc + "\\Infected Files\\ . File rename phase failed.\r\n" + kFooter,
              o.log);
}

TEST_F(RemovalTest, RefusedMovesHaltTheRenamePhaseWithoutLosingAnything)
{
    struct Case {
        const char* what;
        bool fileInPlaceOfDirectory;
    };
    for (Case c : {Case{"a file named Infected Files", true}, Case{"an older copy that cannot be deleted", false}}) {
        TempFile server(FixturePath("server.exe"), dir / "agent.exe");
        ChildProcess running(server.Path());
        if (c.fileInPlaceOfDirectory) {
            ASSERT_TRUE(WriteWholeFile(dir / "Infected Files", "the user's own file"));
        } else {
            ::CreateDirectoryA((dir / "Infected Files").c_str(), nullptr);
            ::CreateDirectoryA(Quarantined("agent.exe.KSX").c_str(), nullptr);   // cannot be deleted as a file
        }

        Outcome o = Run();
        EXPECT_EQ(0, o.removed) << c.what;
        EXPECT_EQ(S_FALSE, o.hr) << c.what;
        EXPECT_TRUE(o.boxes.empty()) << c.what;
        EXPECT_TRUE(FileExists(server.Path())) << c.what;
        EXPECT_EQ(FoundSection({"Agent"}, {server.Path()}) + kRemovalStart + kTerminated + kRegistryRemoved +
                      "Removal halted: Error renaming " + server.Path() + " . File rename phase incomplete." + kFooter,
                  o.log)
            << c.what;
        if (c.fileInPlaceOfDirectory) {
            EXPECT_EQ("the user's own file", ReadWholeFile(dir / "Infected Files"));
            ::DeleteFileA((dir / "Infected Files").c_str());
        } else {
            ::RemoveDirectoryA(Quarantined("agent.exe.KSX").c_str());
        }
    }
}

TEST_F(RemovalTest, FileHeldOpenElsewhereIsPassedOverSilently)
{
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");
    TempFile windll(FixturePath("clean.exe"), sys + "windll.dll");
    ChildProcess running(server.Path());
    kx::FileHandle held(
        ::CreateFileA(windll.Path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.Valid());

    Outcome o = Run();
    EXPECT_EQ(1, o.removed);
    EXPECT_TRUE(o.boxes.empty());
    EXPECT_TRUE(FileExists(windll.Path()));
    EXPECT_FALSE(FileExists(Quarantined("windll.dll.KSX")));
    EXPECT_TRUE(FileExists(Quarantined("agent.exe.KSX")));
    EXPECT_EQ(FoundSection({"Agent"}, {server.Path()}) + kRemovalStart + kTerminated + kRegistryRemoved + kAllRenamed +
                  kFooter,
              o.log);
}

TEST_F(RemovalTest, FileNamesFromConfigurationBlocksNeverLeaveTheSystemDirectory)
{
    struct Case {
        const char* fixture;
        const char* name;     // as the block gives it
        std::string victim;   // where the name points
    };
    std::string windows = sys.substr(0, sys.size() - 1);
    windows = windows.substr(0, windows.find_last_of('\\') + 1);
    const Case cases[] = {
        {"server_name_absolute.exe", "C:\\kxvictim.txt", "C:\\kxvictim.txt"},
        {"server_name_relative.exe", "..\\kxvictim.txt", windows + "kxvictim.txt"},
        {"server_name_slash.exe", "../kxvictim.txt", windows + "kxvictim.txt"},
        {"server_name_dotdot.exe", "..", ""},
    };
    for (const Case& c : cases) {
        if (!c.victim.empty()) {
            ASSERT_TRUE(WriteWholeFile(c.victim, "precious")) << c.fixture;
        }
        TempFile server(FixturePath(c.fixture), dir / "agent.exe");
        ChildProcess running(server.Path());
        Outcome o = Run();
        EXPECT_EQ(1, o.removed) << c.fixture;
        if (!c.victim.empty()) {
            EXPECT_EQ("precious", ReadWholeFile(c.victim)) << c.fixture;
            ::DeleteFileA(c.victim.c_str());
        }
        EXPECT_NE(
            std::string::npos,
            o.log.find(std::string("*NOTICE* The file name ") + c.name +
                       " in the Duskwire server configuration data is not a plain file name. File not moved.\r\n"))
            << c.fixture << "\n"
            << o.log;
    }
}

// What a hostile configuration block or an unlucky machine puts in the way:
// the removal takes only files that carry the signature and values whose
// data names such a file.
TEST_F(RemovalTest, AFileNamedByABlockIsMovedOnlyWhenItCarriesTheSignature)
{
    const std::string notepad = sys + "notepad.exe";
    ASSERT_TRUE(FileExists(notepad));
    const std::string before = ReadWholeFile(notepad);
    TempFile dropper(FixturePath("server_name_notepad.exe"), dir / "dropper.exe");
    ChildProcess running(dropper.Path());

    Outcome o = Run();
    EXPECT_EQ(1, o.removed);
    EXPECT_EQ(before, ReadWholeFile(notepad));
    EXPECT_FALSE(FileExists(Quarantined("notepad.exe.KSX")));
    EXPECT_TRUE(FileExists(Quarantined("dropper.exe.KSX")));
    EXPECT_NE(std::string::npos, o.log.find("*NOTICE* The file " + notepad +
                                            " does not carry the Duskwire signature. File left alone.\r\n"))
        << o.log;
}

TEST_F(RemovalTest, AnotherProgramsDefaultValueSurvivesMissingAndRepeatedNames)
{
    const std::string foreign = "C:\\Program Files\\OtherVendor\\svc.exe";
    struct Case {
        const char* what;
        bool installed;   // an installed copy started by "Agent", plus its dropper running twice
    };
    for (Case c : {Case{"a block naming Evil, which does not exist", false}, Case{"Agent listed three times", true}}) {
        RunServicesState::Clear();
        RunServicesState::SetString("", foreign);
        std::unique_ptr<TempFile> copy;
        std::vector<std::unique_ptr<ChildProcess>> running;
        TempFile dropper(FixturePath(c.installed ? "server.exe" : "server_value_evil.exe"), dir / "dropper.exe");
        if (c.installed) {
            copy.reset(new TempFile(FixturePath("server.exe"), sys + "agent.exe"));
            RunServicesState::SetString("Agent", "agent.exe");
            running.emplace_back(new ChildProcess(copy->Path()));
            running.emplace_back(new ChildProcess(dropper.Path()));
        }
        running.emplace_back(new ChildProcess(dropper.Path()));

        Outcome o = Run();
        EXPECT_EQ(1, o.removed) << c.what;
        EXPECT_EQ(c.installed ? std::vector<std::string>({"Agent", "Agent", "Agent"})
                              : std::vector<std::string>{"Evil"},
                  o.registry)
            << c.what;
        const std::vector<RegValue> left = RunServicesState::Values();
        ASSERT_EQ(1u, left.size()) << c.what;
        EXPECT_EQ("", left[0].name) << c.what;
        EXPECT_EQ(foreign + std::string(1, '\0'), left[0].data) << c.what;
        EXPECT_EQ(!c.installed, o.log.find("*NOTICE* The RunServices value Evil does not exist. The key's default "
                                           "value was left in place.\r\n") != std::string::npos)
            << c.what << "\n"
            << o.log;
        EXPECT_EQ(c.installed, FileExists(Quarantined("agent.exe.KSX"))) << c.what;
    }
}

TEST_F(RemovalTest, TwoCarriersOfOneNameAreBothKept)
{
    ::CreateDirectoryA((dir / "a").c_str(), nullptr);
    ::CreateDirectoryA((dir / "b").c_str(), nullptr);
    TempFile first(FixturePath("server_unconfigured.exe"), dir / "a\\setup.exe");
    TempFile second(FixturePath("server.exe"), dir / "b\\setup.exe");
    ChildProcess a(first.Path()), b(second.Path());

    Outcome o = Run();
    EXPECT_EQ(1, o.removed);
    EXPECT_FALSE(FileExists(first.Path()));
    EXPECT_FALSE(FileExists(second.Path()));
    // Which is first follows the snapshot; each copy is there once.
    std::string one = ReadWholeFile(Quarantined("setup.exe.KSX"));
    std::string two = ReadWholeFile(Quarantined("setup.exe.2.KSX"));
    EXPECT_NE(one, two);
    for (const std::string& copy : {one, two})
        EXPECT_TRUE(copy == ReadWholeFile(FixturePath("server.exe")) ||
                    copy == ReadWholeFile(FixturePath("server_unconfigured.exe")));
}

TEST_F(RemovalTest, AServerOnANetworkShareIsMovedFromWhereItIs)
{
    const std::string share = "\\\\kxserver\\share";
    ASSERT_TRUE(FileExists(share)) << "the test bed's share is missing";
    TempFile server(FixturePath("server.exe"), share + "\\agent.exe");
    ChildProcess running(server.Path());

    Outcome o = Run();
    ASSERT_EQ(1u, o.processes.size());
    EXPECT_EQ(1, o.removed) << o.log;
    EXPECT_FALSE(FileExists(server.Path()));
    EXPECT_EQ(ReadWholeFile(FixturePath("server.exe")), ReadWholeFile(Quarantined("agent.exe.KSX")));
}
