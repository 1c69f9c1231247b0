// The RunServices key read and cleaned through CRegistryKey, in the prefix's
// real registry.
#include "RegistryKey.h"
#include "RunServicesState.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace kxtest;

namespace {

class RegistryKeyTest : public ::testing::Test {
protected:
    RunServicesState state;
    CRegistryKey key;
    std::string sys = SystemDirectory() + "\\";

    std::vector<std::string> Collect()
    {
        CStringList list;
        list.Append("stale");
        EXPECT_EQ(0, key.CollectValuePaths(HKEY_LOCAL_MACHINE, kRunServicesPath, list));
        return list.Items();
    }
    std::vector<std::string> Match(const std::vector<std::string>& files)
    {
        CStringList in, names;
        for (const std::string& f : files) in.Append(f);
        names.Append("stale");
        EXPECT_EQ(0, key.MatchValueNames(HKEY_LOCAL_MACHINE, kRunServicesPath, in, names));
        return names.Items();
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (const RegValue& v : RunServicesState::Values()) names.push_back(v.name);
        return names;
    }
};

}   // namespace

TEST_F(RegistryKeyTest, EmptyKeyGivesEmptyListsAndSuccess)
{
    EXPECT_TRUE(Collect().empty());
    EXPECT_TRUE(Match({sys + "agent.exe"}).empty());
}

TEST_F(RegistryKeyTest, DataBecomesFullPathsAndValuesMatchByFullPathIgnoringCase)
{
    RunServicesState::SetString("", " .exe");
    RunServicesState::SetString("Agent", "agent.exe");
    RunServicesState::SetString("Tools", "C:\\TOOLS\\AGENT.EXE");
    RunServicesState::SetString("Same", "C:\\tools\\agent.exe");
    RunServicesState::SetString("WithArgs", "C:\\tools\\agent.exe -run");
    RunServicesState::SetString("EmptyData", "");

    // Wine enumerates values sorted by name, the default value first.
    EXPECT_EQ((std::vector<std::string>{sys + " .exe", sys + "agent.exe", sys, "C:\\tools\\agent.exe",
                                        "C:\\TOOLS\\AGENT.EXE", "C:\\tools\\agent.exe -run"}),
              Collect());
    EXPECT_EQ((std::vector<std::string>{"(Default)", "Agent", "Same", "Tools"}),
              Match({"c:\\tools\\agent.exe", ToUpper(sys) + "AGENT.EXE", sys + " .exe"}));
    EXPECT_TRUE(Match({"C:\\agent.exe", "agent.exe"}).empty());
}

TEST_F(RegistryKeyTest, DataOfAnyTypeIsReadAsTextWithinTheBuffer)
{
    RunServicesState::SetRaw("Binary", REG_BINARY, std::string("bin.exe", 7));   // no terminator
    RunServicesState::SetRaw("Dword", REG_DWORD, std::string("\x41\x42\x00\x00", 4));
    RunServicesState::SetRaw("Full", REG_SZ, std::string(259, 'f') + std::string(1, '\0'));   // fills 260 bytes
    std::vector<std::string> paths = Collect();
    ASSERT_EQ(2u, paths.size());   // "Full" joined with the system directory no longer fits a path
    EXPECT_EQ(sys + "bin.exe", paths[0]);
    EXPECT_EQ(sys + "AB", paths[1]);
    EXPECT_EQ(std::vector<std::string>{"Binary"}, Match({sys + "bin.exe", sys + std::string(259, 'f')}));
}

TEST_F(RegistryKeyTest, TooLongValueEndsTheEnumeration)
{
    RunServicesState::SetString("A", "first.exe");
    RunServicesState::SetString("B", std::string(300, 'x'));
    RunServicesState::SetString("C", "after.exe");
    EXPECT_EQ(std::vector<std::string>{sys + "first.exe"}, Collect());
    EXPECT_EQ(std::vector<std::string>{}, Match({sys + "after.exe"}));
}

TEST_F(RegistryKeyTest, DeleteValuesTreatsDefaultNameAndFallsBackToTheDefaultValue)
{
    struct Case {
        const char* what;
        std::vector<std::string> toDelete;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {"named", {"Agent"}, {"", "Other"}},
        {"(Default)", {"(Default)"}, {"Agent", "Other"}},
        {"missing name costs the default value", {"A"}, {"Agent", "Other"}},
        {"all", {"Other", "(Default)", "Agent"}, {}},
    };
    for (const Case& c : cases) {
        RunServicesState::Clear();
        RunServicesState::SetString("", " .exe");
        RunServicesState::SetString("Agent", "agent.exe");
        RunServicesState::SetString("Other", "other.exe");
        CStringList names;
        for (const std::string& n : c.toDelete) names.Append(n);
        CRegistryKey deleter;
        EXPECT_EQ(0, deleter.DeleteValues(HKEY_LOCAL_MACHINE, kRunServicesPath, names)) << c.what;
        EXPECT_EQ(c.left, Names()) << c.what;
    }
}

TEST_F(RegistryKeyTest, MissingKeyIsCreatedVolatile)
{
    const char* path = "SOFTWARE\\Kestrix Tests\\Volatile";
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    CStringList list;
    EXPECT_EQ(0, key.CollectValuePaths(HKEY_LOCAL_MACHINE, path, list));
    EXPECT_TRUE(list.IsEmpty());
    // A volatile key takes only volatile children.
    HKEY child = nullptr;
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE,
              ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(path) + "\\Child").c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &child, nullptr));
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kestrix Tests");
}
