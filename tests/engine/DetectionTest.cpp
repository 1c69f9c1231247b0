// Whole detection passes against real processes started from mock server
// files, real RunServices values and the real log.
#include "tests/engine/EngineProbe.h"
#include "tests/engine/ExpectedLog.h"
#include "engine/ProgressPopup.h"
#include "tests/support/RunServicesState.h"
#include "tests/support/TestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

using namespace kxtest;

namespace {

// Records the progress windows created on this thread and their last caption.
class PopupWatch {
public:
    PopupWatch()
    {
        s_current = this;
        m_hook = ::SetWindowsHookExA(WH_CBT, Hook, nullptr, ::GetCurrentThreadId());
    }
    ~PopupWatch()
    {
        ::UnhookWindowsHookEx(m_hook);
        s_current = nullptr;
    }
    int created = 0;
    std::string lastCaption;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        char cls[64] = {};
        if ((code == HCBT_CREATEWND || code == HCBT_DESTROYWND) && ::GetClassNameA(hWnd, cls, sizeof cls) &&
            std::string(cls) == CProgressPopup::kClassName) {
            if (code == HCBT_CREATEWND) s_current->created++;
            char caption[256] = {};
            ::GetWindowTextA(hWnd, caption, sizeof caption);
            if (code == HCBT_DESTROYWND) s_current->lastCaption = caption;
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static PopupWatch* s_current;
    HHOOK m_hook;
};
PopupWatch* PopupWatch::s_current = nullptr;

struct PassResult {
    long found = -1;
    std::vector<std::string> registry, processes;
    std::string log;   // the section, with the header checked and removed
    int popups = 0;
    std::string popupCaption;
};

class DetectionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&icc);
    }

    PassResult Pass(bool silent = true, long logging = 1)
    {
        PassResult r;
        {
            PopupWatch watch;
            EngineProbe engine;
            long out = 0;
            engine.Init(logging, silent ? 1 : 0, &out);
            EXPECT_EQ(S_OK, engine.DetectDW(&r.found));
            r.registry = engine.RegistryList();
            r.processes = engine.ProcessList();
            r.popups = watch.created;
            r.popupCaption = watch.lastCaption;
        }
        std::string log = ReadWholeFile(dir / "Kestrix.log");
        ::DeleteFileA((dir / "Kestrix.log").c_str());
        r.log = logging ? AfterHeader(log) : log;
        return r;
    }

    RunServicesState registry;
    ScratchDir dir{"detection"};
    CurrentDirectory cd{dir.Path()};
    std::string sys = SystemDirectory() + "\\";
};

}   // namespace

TEST_F(DetectionTest, NothingFoundWhenNoRunningImageCarriesTheSignature)
{
    // Near misses: the signature one byte off at either end, one byte early or
    // late, cut short by the end of the file.
    const char* nearMisses[] = {"clean.exe",
                                "server_sig_first_byte_changed.exe",
                                "server_sig_last_byte_changed.exe",
                                "server_sig_at_15709.exe",
                                "server_sig_at_15711.exe",
                                "server_short_16733.exe"};
    std::vector<std::unique_ptr<TempFile>> files;
    std::vector<std::unique_ptr<ChildProcess>> running;
    for (const char* name : nearMisses) {
        files.emplace_back(new TempFile(FixturePath(name), dir / name));
        running.emplace_back(new ChildProcess(files.back()->Path()));
    }
    TempFile registered(FixturePath("server_sig_first_byte_changed.exe"), sys + "kxnear.exe");
    ChildProcess registeredProcess(registered.Path());
    RunServicesState::SetString("Near", "kxnear.exe");

    PassResult r = Pass();
    EXPECT_EQ(0, r.found);
    EXPECT_EQ(std::string(kNotDetected) + kFooter, r.log);
    EXPECT_EQ(std::vector<std::string>{sys + "kxnear.exe"}, r.registry);
}

TEST_F(DetectionTest, DefaultValueBlankExeInTheSystemDirectoryIsFoundOnce)
{
    TempFile server(FixturePath("server_blank_value.exe"), sys + " .exe");
    ChildProcess running(server.Path());
    RunServicesState::SetString("", " .exe");

    PassResult r = Pass();
    EXPECT_EQ(1, r.found);
    EXPECT_EQ(std::vector<std::string>{"(Default)"}, r.registry);
    EXPECT_EQ(std::vector<std::string>{sys + " .exe"}, r.processes);
    EXPECT_EQ(FoundSection({"(Default)"}, {sys + " .exe"}) + kFooter, r.log);
}

TEST_F(DetectionTest, RegisteredPathDifferingOnlyInCaseCountsAsTheSame)
{
    TempFile server(FixturePath("server.exe"), sys + "kxagent.exe");
    ChildProcess running(server.Path());
    std::string upper = ToUpper(sys) + "KXAGENT.EXE";
    RunServicesState::SetString("Agent Service", upper);

    PassResult r = Pass();
    EXPECT_EQ(1, r.found);
    EXPECT_EQ(std::vector<std::string>{"Agent Service"}, r.registry);
    EXPECT_EQ(std::vector<std::string>{upper}, r.processes);   // listed once, as registered
    EXPECT_EQ(FoundSection({"Agent Service"}, {upper}) + kFooter, r.log);
}

TEST_F(DetectionTest, ServerOutsideSystemDirectoryIsFoundByTheFullScanWithItsValueNameFromItsBlock)
{
    struct Case {
        const char* what;
        bool registered;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"not registered: the name comes only from the block", false, {"Agent"}},
        {"registered under the same name: listed twice", true, {"Agent", "Agent"}},
    };
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");
    ChildProcess running(server.Path());
    for (const Case& c : cases) {
        RunServicesState::Clear();
        if (c.registered) RunServicesState::SetString("Agent", server.Path());
        PassResult r = Pass();
        EXPECT_EQ(1, r.found) << c.what;
        EXPECT_EQ(c.names, r.registry) << c.what;
        EXPECT_EQ(std::vector<std::string>{server.Path()}, r.processes) << c.what;
        EXPECT_EQ(FoundSection(c.names, {server.Path()}) + kFooter, r.log) << c.what;
    }
}

TEST_F(DetectionTest, TwoProcessesOfOneServerGiveTwoEntriesAndOneConfigurationRecord)
{
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");
    ChildProcess a(server.Path()), b(server.Path());
    PassResult r = Pass();
    EXPECT_EQ(1, r.found);
    EXPECT_EQ((std::vector<std::string>{server.Path(), server.Path()}), r.processes);
    EXPECT_EQ(std::vector<std::string>{"Agent"}, r.registry);
}

TEST_F(DetectionTest, BothRoutesTogetherListRegisteredServerFirstAndReadOnlyTheOther)
{
    TempFile registered(FixturePath("server_blank_value.exe"), sys + " .exe");
    TempFile other(FixturePath("server.exe"), dir / "agent.exe");
    TempFile exact(FixturePath("server_exact_16734.exe"), dir / "exact.exe");
    ChildProcess a(registered.Path()), b(other.Path());
    RunServicesState::SetString("", " .exe");

    PassResult r = Pass();
    EXPECT_EQ(1, r.found);
    EXPECT_EQ((std::vector<std::string>{sys + " .exe", other.Path()}), r.processes);
    EXPECT_EQ((std::vector<std::string>{"(Default)", "Agent"}), r.registry);

    // A signature that ends exactly at the end of its file is found too; its
    // block lies past the end and reads as zeros: an empty value name.
    ChildProcess c(exact.Path());
    r = Pass();
    EXPECT_EQ(1, r.found);
    ASSERT_EQ(3u, r.processes.size());
    EXPECT_EQ("(Default)", r.registry.at(0));
    EXPECT_EQ(3u, r.registry.size());
}

TEST_F(DetectionTest, UnconfiguredServerAddsAnEmptyValueName)
{
    TempFile server(FixturePath("server_unconfigured.exe"), dir / "plain.exe");
    ChildProcess running(server.Path());
    PassResult r = Pass();
    EXPECT_EQ(1, r.found);
    EXPECT_EQ(std::vector<std::string>{""}, r.registry);
    EXPECT_EQ(FoundSection({""}, {server.Path()}) + kFooter, r.log);
}

TEST_F(DetectionTest, SilentAndShownPassesAgreeAndOnlyTheShownOneHasAWindow)
{
    TempFile server(FixturePath("server.exe"), dir / "agent.exe");
    ChildProcess running(server.Path());
    PassResult silent = Pass(true);
    PassResult shown = Pass(false);
    PassResult unlogged = Pass(true, 0);

    EXPECT_EQ(0, silent.popups);
    EXPECT_EQ(1, shown.popups);
    EXPECT_EQ("Progress [100%]", shown.popupCaption);
    for (const PassResult* r : {&shown, &unlogged}) {
        EXPECT_EQ(silent.found, r->found);
        EXPECT_EQ(silent.registry, r->registry);
        EXPECT_EQ(silent.processes, r->processes);
    }
    EXPECT_EQ(silent.log, shown.log);
    EXPECT_EQ("\r\n", unlogged.log);   // logging off: the opening line break only
}

TEST_F(DetectionTest, ImageThatCannotBeOpenedIsLoggedAndSkipped)
{
    TempFile image(FixturePath("clean.exe"), dir / "locked.exe");
    ChildProcess running(image.Path());
    kx::FileHandle lock(::CreateFileA(image.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock.Valid());

    PassResult r = Pass();
    EXPECT_EQ(0, r.found);
    EXPECT_EQ("FILE SCAN PHASE: Error trying to open the file " + image.Path() + " for scanning.  File skipped." +
                  kNotDetected + kFooter,
              r.log);
}
