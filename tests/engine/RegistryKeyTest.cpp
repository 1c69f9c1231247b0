// The RunServices key read and cleaned through CRegistryKey, in the prefix's
// real registry.
#include "engine/live/RegistryKey.h"
#include "tests/support/RunServicesState.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kxtest;

namespace {

class RegistryKeyTest : public ::testing::Test {
protected:
    RunServicesState state;
    CRegistryKey key;

    // name=data pairs as ReadValues gives them.
    std::vector<std::string> Read()
    {
        std::vector<RunServicesValue> values{{"stale", "stale"}};
        EXPECT_EQ(0, key.ReadValues(HKEY_LOCAL_MACHINE, kRunServicesPath, values));
        std::vector<std::string> pairs;
        for (const RunServicesValue& v : values) pairs.push_back(v.name + "=" + v.data);
        return pairs;
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (const RegValue& v : RunServicesState::Values()) names.push_back(v.name);
        return names;
    }
};

}   // namespace

TEST_F(RegistryKeyTest, ValuesComeInTheKeysOrderWithTheDefaultValueUnnamed)
{
    EXPECT_TRUE(Read().empty());
    RunServicesState::SetString("", " .exe");
    RunServicesState::SetString("Agent", "agent.exe");
    RunServicesState::SetString("WithArgs", "C:\\tools\\agent.exe -run");
    RunServicesState::SetString("EmptyData", "");
    // Wine enumerates values sorted by name, the default value first.
    EXPECT_EQ(
        (std::vector<std::string>{"= .exe", "Agent=agent.exe", "EmptyData=", "WithArgs=C:\\tools\\agent.exe -run"}),
        Read());
}

TEST_F(RegistryKeyTest, DataOfAnyTypeIsReadAsTextWithinTheBuffer)
{
    RunServicesState::SetRaw("Binary", REG_BINARY, std::string("bin.exe", 7));   // no terminator
    RunServicesState::SetRaw("Dword", REG_DWORD, std::string("\x41\x42\x00\x00", 4));
    RunServicesState::SetRaw("Full", REG_SZ, std::string(259, 'f') + std::string(1, '\0'));   // fills 260 bytes
    EXPECT_EQ((std::vector<std::string>{"Binary=bin.exe", "Dword=AB", "Full=" + std::string(259, 'f')}), Read());

    std::string data;
    ASSERT_EQ(0, key.Open(HKEY_LOCAL_MACHINE, kRunServicesPath));
    EXPECT_EQ(ValueLookup::Found, key.LookUp("Binary", data));
    EXPECT_EQ("bin.exe", data);
    EXPECT_EQ(ValueLookup::Found, key.LookUp("dword", data));   // names compare ignoring case
    EXPECT_EQ("AB", data);
}

TEST_F(RegistryKeyTest, TooLongValueEndsTheEnumerationButCanStillBeLookedUp)
{
    RunServicesState::SetString("A", "first.exe");
    RunServicesState::SetString("B", std::string(300, 'x'));
    RunServicesState::SetString("C", "after.exe");
    EXPECT_EQ(std::vector<std::string>{"A=first.exe"}, Read());

    std::string data = "stale";
    ASSERT_EQ(0, key.Open(HKEY_LOCAL_MACHINE, kRunServicesPath));
    EXPECT_EQ(ValueLookup::Found, key.LookUp("B", data));
    EXPECT_EQ("", data);   // too long to name a path
    EXPECT_EQ(ValueLookup::Found, key.LookUp("C", data));
    EXPECT_EQ("after.exe", data);
}

TEST_F(RegistryKeyTest, DeleteValueTakesExactlyTheNamedValue)
{
    struct Case {
        const char* what;
        std::string name;
        bool deleted;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {"named", "Agent", true, {"", "Other"}},
        {"the default value", "", true, {"Agent", "Other"}},
        {"a missing name deletes nothing", "A", false, {"", "Agent", "Other"}},
        {"\"(Default)\" is a name like any other", "(Default)", false, {"", "Agent", "Other"}},
    };
    for (const Case& c : cases) {
        RunServicesState::Clear();
        RunServicesState::SetString("", " .exe");
        RunServicesState::SetString("Agent", "agent.exe");
        RunServicesState::SetString("Other", "other.exe");
        CRegistryKey deleter;
        std::string data;
        EXPECT_FALSE(deleter.DeleteValue(c.name)) << c.what << ": no key is open";
        ASSERT_EQ(0, deleter.Open(HKEY_LOCAL_MACHINE, kRunServicesPath));
        EXPECT_EQ(c.deleted ? ValueLookup::Found : ValueLookup::Missing, deleter.LookUp(c.name, data)) << c.what;
        EXPECT_EQ(c.deleted, deleter.DeleteValue(c.name)) << c.what;
        EXPECT_EQ(c.left, Names()) << c.what;
    }
}

TEST_F(RegistryKeyTest, MissingKeyIsCreatedVolatile)
{
    const char* path = "SOFTWARE\\Kestrix Tests\\Volatile";
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    std::vector<RunServicesValue> values;
    EXPECT_EQ(0, key.ReadValues(HKEY_LOCAL_MACHINE, path, values));
    EXPECT_TRUE(values.empty());
    // A volatile key takes only volatile children.
    HKEY child = nullptr;
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE,
              ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(path) + "\\Child").c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &child, nullptr));
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kestrix Tests");
}
