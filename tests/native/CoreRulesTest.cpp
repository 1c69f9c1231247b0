// The detection and removal rules over a machine made of tables: hostile
// configuration blocks, values of other programs, files of one name, moves
// that fail and calls that throw.
#include "engine/core/Detection.h"
#include "tests/native/FakeMachine.h"
#include "engine/core/Removal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace {

const std::string kSys = "C:\\WINDOWS\\SYSTEM\\";
const std::string kDropper = "C:\\TEMP\\DROPPER.EXE";
const std::string kQuarantine = "C:\\KESTRIX\\Infected Files\\";

struct Pass {
    DetectionResult detection;
    RemovalResult removal;
    CRecordingHost host;
};

void DetectAndRemove(CFakeMachine& machine, Pass& pass)
{
    pass.detection = Detect(machine, TestSignature(), pass.host);
    ASSERT_TRUE(pass.detection.found);
    Remove(machine, pass.detection, TestSignature(), pass.host, pass.removal);
}

bool Said(const RemovalResult& r, RemovalEvent::Kind kind, const std::string& subject)
{
    return std::any_of(r.events.begin(), r.events.end(),
                       [&](const RemovalEvent& e) { return e.kind == kind && e.subject == subject; });
}

// A machine with another program's default value and a running dropper
// whose block names fileName and valueName.
CFakeMachine DropperMachine(const std::string& fileName, const std::string& valueName)
{
    CFakeMachine m;
    m.values = {{"", "C:\\Program Files\\OtherVendor\\svc.exe"}};
    m.Put("C:\\Program Files\\OtherVendor\\svc.exe", CleanBytes());
    m.Put(kDropper, ServerBytes(fileName, valueName));
    m.running = {kDropper};
    return m;
}

}   // namespace

TEST(DetectionRules, ARegisteredServerInTheSystemDirectoryIsFoundOnceByItsValue)
{
    CFakeMachine m;
    m.Put(kSys + " .exe", ServerBytes(" .exe", ""));
    m.values = {{"", " .exe"}, {"Other", "C:\\TOOLS\\OTHER.EXE"}};
    m.running = {"C:\\WINDOWS\\EXPLORER.EXE", kSys + " .EXE"};
    CRecordingHost host;
    DetectionResult d = Detect(m, TestSignature(), host);

    EXPECT_TRUE(d.found);
    ASSERT_EQ(1u, d.images.size());
    EXPECT_EQ(kSys + " .exe", d.images[0].path);   // as the value names it
    EXPECT_EQ(FoundBy::RunServices, d.images[0].how);
    EXPECT_TRUE(d.configs.empty());
    EXPECT_EQ(std::vector<std::string>{"(Default)"}, d.valueNames);
    ASSERT_EQ(2u, d.values.size());
    EXPECT_TRUE(d.values[0].carrier);
    EXPECT_FALSE(d.values[1].carrier);
    EXPECT_EQ(2u, host.steps);   // every running image once
    EXPECT_EQ(std::vector<std::string>{"C:\\WINDOWS\\EXPLORER.EXE"}, d.unreadableImages);
}

TEST(DetectionRules, NothingRunningWithTheSignatureIsNoDetectionWhateverTheValuesSay)
{
    CFakeMachine m;
    m.Put(kSys + "agent.exe", ServerBytes("agent.exe", "Agent"));   // installed, not running
    m.values = {{"Agent", "agent.exe"}};
    CRecordingHost host;
    DetectionResult d = Detect(m, TestSignature(), host);
    EXPECT_FALSE(d.found);
    EXPECT_TRUE(d.values[0].carrier);
    EXPECT_EQ(std::vector<std::string>{kSys + "agent.exe"}, d.registryList);
    EXPECT_EQ("\n\t   ---------------- Duskwire NOT detected ----------------\n", DetectionLogText(d));
}

TEST(DetectionRules, ConfigurationScanSkipsUnreadableFilesAndReadsAtMostTenBlocks)
{
    CFakeMachine m;
    m.Put(kSys + " .exe", ServerBytes(" .exe", ""));
    m.values = {{"", " .exe"}};
    m.running = {kSys + " .exe"};
    for (int i = 0; i < 12; ++i) {
        std::string path = "C:\\D\\AGENT" + std::to_string(i) + ".EXE";
        m.Put(path, ServerBytes("agent.exe", "Agent"));
        m.running.push_back(path);
    }
    m.files.at(m.LowerCase("C:\\D\\AGENT1.EXE")).blockUnreadable = true;
    CRecordingHost host;
    DetectionResult d = Detect(m, TestSignature(), host);
    ASSERT_TRUE(d.found);
    EXPECT_EQ(13u, d.images.size());
    EXPECT_EQ(std::vector<std::string>{"C:\\D\\AGENT1.EXE"}, d.unreadableConfigFiles);
    EXPECT_EQ(10u, d.configs.size());
    EXPECT_EQ(11u, d.valueNames.size());   // (Default) and ten records
    EXPECT_EQ("C:\\D\\AGENT10.EXE", d.configs.back().imagePath);
    EXPECT_NE(std::string::npos,
              DetectionLogText(d).find("CONFIGURATION SCAN PHASE: Error trying to open the file "
                                       "C:\\D\\AGENT1.EXE for configuration scanning.  File skipped."));
}

TEST(RemovalRules, TakesOnlyWhatCarriesTheSignature)
{
    struct Case {
        const char* what;
        std::string blockFile, blockValue;
        std::function<void(CFakeMachine&)> setUp;
        std::vector<std::string> valuesLeft;    // besides the foreign default value
        std::vector<std::string> filesLeft;     // still where they were
        std::vector<std::string> quarantined;   // names in Infected Files
        RemovalEvent::Kind said;
        std::string subject;
    };
    const Case cases[] = {
        {"a system file without the signature",
         "notepad.exe",
         "Agent",
         [](CFakeMachine& m) { m.Put(kSys + "notepad.exe", CleanBytes()); },
         {},
         {kSys + "notepad.exe"},
         {"DROPPER.EXE.KSX"},
         RemovalEvent::FileLeftAlone,
         kSys + "notepad.exe"},
        {"\"(Default)\" as a block name",
         "agent.exe",
         "(Default)",
         [](CFakeMachine&) {},
         {},
         {},
         {"DROPPER.EXE.KSX"},
         RemovalEvent::ValueLeftAlone,
         "(Default)"},
        {"an empty value name",
         "agent.exe",
         "",
         [](CFakeMachine&) {},
         {},
         {},
         {"DROPPER.EXE.KSX"},
         RemovalEvent::FilesQuarantined,
         ""},
        {"a missing value name",
         "agent.exe",
         "Evil",
         [](CFakeMachine&) {},
         {},
         {},
         {"DROPPER.EXE.KSX"},
         RemovalEvent::ValueMissing,
         "Evil"},
        {"a name with a path",
         "..\\notepad.exe",
         "Agent",
         [](CFakeMachine& m) { m.Put("C:\\WINDOWS\\notepad.exe", ServerBytes("x", "y")); },
         {},
         {"C:\\WINDOWS\\notepad.exe"},
         {"DROPPER.EXE.KSX"},
         RemovalEvent::NotPlainFileName,
         "..\\notepad.exe"},
        {"a value whose data names a file without the signature",
         "agent.exe",
         "Agent",
         [](CFakeMachine& m) {
             m.values.push_back({"Agent", "C:\\TOOLS\\AGENT.EXE"});
             m.Put("C:\\TOOLS\\AGENT.EXE", CleanBytes());
         },
         {"Agent"},
         {"C:\\TOOLS\\AGENT.EXE"},
         {"DROPPER.EXE.KSX"},
         RemovalEvent::ValueLeftAlone,
         "Agent"},
        {"the installed copy and its value",
         "agent.exe",
         "Agent",
         [](CFakeMachine& m) {
             m.values.push_back({"Agent", "agent.exe"});
             m.Put(kSys + "agent.exe", ServerBytes("agent.exe", "Agent"));
         },
         {},
         {},
         {"DROPPER.EXE.KSX", "agent.exe.KSX"},
         RemovalEvent::FilesQuarantined,
         ""},
    };
    for (const Case& c : cases) {
        CFakeMachine m = DropperMachine(c.blockFile, c.blockValue);
        c.setUp(m);
        Pass pass;
        DetectAndRemove(m, pass);
        EXPECT_TRUE(pass.removal.succeeded) << c.what;
        EXPECT_TRUE(pass.host.notices.empty()) << c.what;
        std::vector<std::string> left{""};
        left.insert(left.end(), c.valuesLeft.begin(), c.valuesLeft.end());
        EXPECT_EQ(left, m.ValueNames()) << c.what;
        for (const std::string& f : c.filesLeft) EXPECT_TRUE(m.Has(f)) << c.what << ": " << f;
        EXPECT_FALSE(m.Has(kDropper)) << c.what;
        std::vector<std::string> moved;
        for (const QuarantinedFile& q : pass.removal.quarantined) moved.push_back(q.to.substr(kQuarantine.size()));
        EXPECT_EQ(c.quarantined, moved) << c.what;
        EXPECT_TRUE(Said(pass.removal, c.said, c.subject)) << c.what;
    }
}

TEST(RemovalRules, ANameGivenThreeTimesIsDeletedOnceAndCostsNothingElse)
{
    // The installed copy runs from the system directory, its dropper twice.
    CFakeMachine m = DropperMachine("agent.exe", "Agent");
    m.values.push_back({"Agent", "agent.exe"});
    m.Put(kSys + "agent.exe", ServerBytes("agent.exe", "Agent"));
    m.running = {kSys + "agent.exe", kDropper, kDropper};
    Pass pass;
    DetectAndRemove(m, pass);
    EXPECT_EQ((std::vector<std::string>{"Agent", "Agent", "Agent"}), pass.detection.valueNames);
    EXPECT_TRUE(pass.removal.succeeded);
    EXPECT_EQ(std::vector<std::string>{"Agent"}, pass.removal.deletedValues);
    EXPECT_EQ(std::vector<std::string>{""}, m.ValueNames());
    EXPECT_TRUE(m.running.empty());
}

TEST(RemovalRules, FilesOfOneNameAreAllKeptAndAnOlderCopyIsReplacedOnlyOnceTheNewOneIsIn)
{
    CFakeMachine m;
    m.Put("C:\\A\\SETUP.EXE", ServerBytes("", ""));
    m.Put("C:\\B\\SETUP.EXE", ServerBytes("x", ""));
    m.Put("C:\\C\\ .exe", ServerBytes("", ""));
    m.Put(kSys + " .exe", ServerBytes("", ""));
    m.running = {"C:\\A\\SETUP.EXE", "C:\\B\\SETUP.EXE", "C:\\C\\ .exe", kSys + " .exe"};
    m.MakeDirectory(m.quarantine);
    m.Put(kQuarantine + "SETUP.EXE.KSX", "an earlier pass's copy");
    const std::string first = m.Bytes("C:\\A\\SETUP.EXE"), second = m.Bytes("C:\\B\\SETUP.EXE");
    Pass pass;
    DetectAndRemove(m, pass);
    EXPECT_TRUE(pass.removal.succeeded);
    EXPECT_EQ(first, m.Bytes(kQuarantine + "SETUP.EXE.KSX"));
    EXPECT_EQ(second, m.Bytes(kQuarantine + "SETUP.EXE.2.KSX"));
    EXPECT_TRUE(m.Has(kQuarantine + "DUSKWIRE.KSX"));
    EXPECT_TRUE(m.Has(kQuarantine + "DUSKWIRE.2.KSX"));
    for (const auto& f : m.files) EXPECT_EQ(std::string::npos, f.first.find(".tmp")) << f.first;
}

TEST(RemovalRules, AMachineOfSeveralVolumesQuarantinesEachFileOnItsOwn)
{
    CFakeMachine m;
    m.quarantineOn['D'] = "D:\\Infected Files";
    m.Put(kSys + " .exe", ServerBytes("", ""));
    m.Put("D:\\TOOLS\\LOADER.EXE", ServerBytes("", ""));
    m.running = {kSys + " .exe", "D:\\TOOLS\\LOADER.EXE"};
    Pass pass;
    DetectAndRemove(m, pass);
    EXPECT_TRUE(pass.removal.succeeded);
    EXPECT_TRUE(m.Has(kQuarantine + "DUSKWIRE.KSX"));
    EXPECT_TRUE(m.Has("D:\\Infected Files\\LOADER.EXE.KSX"));
    EXPECT_FALSE(m.Has(kQuarantine + "LOADER.EXE.KSX"));

    // A directory that cannot be made there halts the pass before that file moves.
    CFakeMachine n;
    n.quarantineOn['D'] = "D:\\Infected Files";
    n.unmakeable = {"D:\\Infected Files"};
    n.Put("D:\\TOOLS\\LOADER.EXE", ServerBytes("", ""));
    n.running = {"D:\\TOOLS\\LOADER.EXE"};
    Pass failed;
    DetectAndRemove(n, failed);
    EXPECT_FALSE(failed.removal.succeeded);
    EXPECT_TRUE(Said(failed.removal, RemovalEvent::DirectoryFailed, "D:\\Infected Files\\"));
    EXPECT_TRUE(n.Has("D:\\TOOLS\\LOADER.EXE"));
}

TEST(RemovalRules, AFileThatCannotBeMovedHaltsThePassAndLosesNothing)
{
    struct Case {
        const char* what;
        std::function<void(CFakeMachine&)> breakIt;
    };
    const Case cases[] = {
        {"held open elsewhere", [](CFakeMachine& m) { m.files.at(m.LowerCase(kDropper)).inUse = true; }},
        {"refusing the move", [](CFakeMachine& m) { m.files.at(m.LowerCase(kDropper)).fixed = true; }},
        {"a relative path", [](CFakeMachine& m) { m.running = {"TEMP\\DROPPER.EXE"}; }},
    };
    for (const Case& c : cases) {
        CFakeMachine m = DropperMachine("agent.exe", "Agent");
        m.Put("TEMP\\DROPPER.EXE", ServerBytes("agent.exe", "Agent"));
        m.MakeDirectory(m.quarantine);
        m.Put(kQuarantine + "DROPPER.EXE.KSX", "older");
        c.breakIt(m);
        Pass pass;
        DetectAndRemove(m, pass);
        EXPECT_FALSE(pass.removal.succeeded) << c.what;
        ASSERT_FALSE(pass.removal.events.empty()) << c.what;
        EXPECT_EQ(RemovalEvent::RenameHalted, pass.removal.events.back().kind) << c.what;
        EXPECT_EQ("older", m.Bytes(kQuarantine + "DROPPER.EXE.KSX")) << c.what;
        EXPECT_TRUE(m.Has(kDropper)) << c.what;
    }
}

TEST(RemovalRules, AValueTheSystemWillNotDeleteFailsTheRegistryPhase)
{
    CFakeMachine m = DropperMachine("agent.exe", "Agent");
    m.values.push_back({"Agent", kDropper});
    m.refusedDeletes = {"Agent"};
    Pass pass;
    DetectAndRemove(m, pass);
    EXPECT_FALSE(pass.removal.succeeded);
    EXPECT_EQ(std::vector<EngineNotice>{EngineNotice::RegistryCleanFailed}, pass.host.notices);
    EXPECT_TRUE(Said(pass.removal, RemovalEvent::ValueNotDeleted, "Agent"));
    EXPECT_TRUE(m.Has(kDropper));   // nothing moved after the failed phase
}

TEST(RemovalRules, AnExceptionBetweenStepsLeavesWhatWasDoneSaidAndNothingMore)
{
    CFakeMachine m = DropperMachine("agent.exe", "Agent");
    m.values.push_back({"Agent", kDropper});
    Pass pass;
    pass.detection = Detect(m, TestSignature(), pass.host);
    m.before = [](const char* call) {
        if (std::string(call) == "LookUpRunServicesValue") throw std::bad_alloc();
    };
    EXPECT_THROW(Remove(m, pass.detection, TestSignature(), pass.host, pass.removal), std::bad_alloc);
    EXPECT_FALSE(pass.removal.succeeded);
    EXPECT_EQ(std::vector<std::string>{kDropper}, pass.removal.terminated);
    ASSERT_EQ(2u, pass.removal.events.size());
    EXPECT_EQ(RemovalEvent::Terminated, pass.removal.events.back().kind);
    EXPECT_EQ(2u, m.values.size());
    EXPECT_TRUE(m.Has(kDropper));
}
