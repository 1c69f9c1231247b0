// The engine object's switches and the result lists it hands out.
#include "tests/engine/EngineProbe.h"
#include "engine/com/ListVariant.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kxtest;

namespace {

// Reads a list VARIANT, checking its form on the way.
std::vector<std::wstring> ReadList(VARIANT& v)
{
    std::vector<std::wstring> items;
    EXPECT_EQ(VT_ARRAY | VT_BSTR, V_VT(&v));
    SAFEARRAY* array = V_ARRAY(&v);
    EXPECT_NE(nullptr, array);
    if (!array) return items;
    EXPECT_EQ(1u, ::SafeArrayGetDim(array));
    LONG lower = -1, upper = -2;
    ::SafeArrayGetLBound(array, 1, &lower);
    ::SafeArrayGetUBound(array, 1, &upper);
    EXPECT_EQ(0, lower);
    BSTR* data = nullptr;
    ::SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
    for (LONG i = lower; i <= upper; ++i) {
        EXPECT_NE(nullptr, data[i]) << "element " << i << " is missing";
        items.emplace_back(data[i] ? std::wstring(data[i], ::SysStringLen(data[i])) : L"<null>");
    }
    ::SafeArrayUnaccessData(array);
    return items;
}

class EngineObjectTest : public ::testing::Test {
protected:
    ScratchDir dir{"engineobject"};
    CurrentDirectory cd{dir.Path()};
};

}   // namespace

TEST_F(EngineObjectTest, ListsBeforeAnyPassAreEmptyArraysWithLowerBoundZero)
{
    EngineProbe engine;
    for (auto get : {&EngineProbe::get_RegistryList, &EngineProbe::get_ProcessList}) {
        VARIANT v;
        EXPECT_EQ(S_OK, (engine.*get)(&v));
        EXPECT_TRUE(ReadList(v).empty());
        EXPECT_EQ(S_OK, ::VariantClear(&v));
    }
}

TEST_F(EngineObjectTest, ListsHandOutEveryEntryInOrderWithEmptyEntriesAsEmptyStrings)
{
    const std::vector<std::string> registryList{"(Default)", "", "Caf\xE9"};   // ANSI code page (1252): e acute
    const std::vector<std::string> processList{"", "", "C:\\WINDOWS\\SYSTEM\\ .exe"};

    VARIANT registry, processes;
    StringListToVariant(registryList, &registry);
    StringListToVariant(processList, &processes);
    EXPECT_EQ((std::vector<std::wstring>{L"(Default)", L"", L"Caf\u00e9"}), ReadList(registry));
    EXPECT_EQ((std::vector<std::wstring>{L"", L"", L"C:\\WINDOWS\\SYSTEM\\ .exe"}), ReadList(processes));
    ::VariantClear(&registry);
    ::VariantClear(&processes);
}

TEST_F(EngineObjectTest, InitAndSwitchesSetSilentModeFromAnyNonZeroValue)
{
    EngineProbe engine;
    EXPECT_FALSE(engine.IsSilent());
    long result = 0;
    EXPECT_EQ(S_OK, engine.Init(0, 1, &result));
    EXPECT_EQ(1, result);
    EXPECT_TRUE(engine.IsSilent());
    EXPECT_FALSE(engine.ScanLog()->IsEnabled());

    struct Case {
        long value;
        bool on;
    };
    for (Case c : {Case{0, false}, Case{-3, true}, Case{0, false}, Case{2, true}}) {
        EXPECT_EQ(S_OK, engine.put_Silent(c.value));
        EXPECT_EQ(c.on, engine.IsSilent()) << c.value;
        EXPECT_EQ(S_OK, engine.put_Logging(c.value));
        EXPECT_EQ(c.on, engine.ScanLog()->IsEnabled()) << c.value;
    }
    engine.Init(5, -1, &result);
    EXPECT_TRUE(engine.IsSilent());
    EXPECT_TRUE(engine.ScanLog()->IsEnabled());
}

TEST(LiveMachineTest, FileNamesCompareOrdinallyAfterLowerCasing)
{
    // Hyphens count: file names are compared ordinally, not by word sort.
    CLiveMachine machine;
    EXPECT_EQ("c:\\windows\\system\\agent.exe", machine.LowerCase("C:\\Windows\\System\\Agent.EXE"));
    EXPECT_NE(machine.LowerCase("co-op.exe"), machine.LowerCase("coop-.exe"));
}
