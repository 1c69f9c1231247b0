// The engine object's switches and the result lists it hands out.
#include "EngineProbe.h"
#include "TestSupport.h"

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
    for (auto get : {&CScanEngine::get_RegistryList, &CScanEngine::get_ProcessList}) {
        VARIANT v;
        EXPECT_EQ(S_OK, (engine.*get)(&v));
        EXPECT_TRUE(ReadList(v).empty());
        EXPECT_EQ(S_OK, ::VariantClear(&v));
    }
}

TEST_F(EngineObjectTest, ListsHandOutEveryEntryInOrderWithEmptyEntriesAsEmptyStrings)
{
    EngineProbe engine;
    engine.m_pRegistryList->Append("(Default)");
    engine.m_pRegistryList->Append("");
    engine.m_pRegistryList->Append("Caf\xE9");                       // ANSI code page (1252): e acute
    engine.m_pProcessList->SetAt(2, "C:\\WINDOWS\\SYSTEM\\ .exe");   // grows with empty entries

    VARIANT registry, processes;
    engine.get_RegistryList(&registry);
    engine.get_ProcessList(&processes);
    EXPECT_EQ((std::vector<std::wstring>{L"(Default)", L"", L"Caf\u00e9"}), ReadList(registry));
    EXPECT_EQ((std::vector<std::wstring>{L"", L"", L"C:\\WINDOWS\\SYSTEM\\ .exe"}), ReadList(processes));
    ::VariantClear(&registry);
    ::VariantClear(&processes);

    // The caller owns what it got: the engine's lists are unchanged.
    EXPECT_EQ(3, engine.m_pRegistryList->GetCount());
}

TEST_F(EngineObjectTest, InitAndSwitchesSetSilentModeFromAnyNonZeroValue)
{
    EngineProbe engine;
    EXPECT_FALSE(engine.m_bSilent);
    long result = 0;
    EXPECT_EQ(S_OK, engine.Init(0, 1, &result));
    EXPECT_EQ(1, result);
    EXPECT_TRUE(engine.m_bSilent);
    EXPECT_FALSE(engine.m_pLog->IsEnabled());

    struct Case {
        long value;
        bool on;
    };
    for (Case c : {Case{0, false}, Case{-3, true}, Case{0, false}, Case{2, true}}) {
        EXPECT_EQ(S_OK, engine.put_Silent(c.value));
        EXPECT_EQ(c.on, engine.m_bSilent) << c.value;
        EXPECT_EQ(S_OK, engine.put_Logging(c.value));
        EXPECT_EQ(c.on, engine.m_pLog->IsEnabled()) << c.value;
    }
    engine.Init(5, -1, &result);
    EXPECT_TRUE(engine.m_bSilent);
    EXPECT_TRUE(engine.m_pLog->IsEnabled());
}

TEST(StringListTest, SetAtGrowsRemoveAtShiftsAndFindIgnoresCase)
{
    CStringList list;
    list.SetAt(3, "d");
    EXPECT_EQ(4, list.GetCount());
    EXPECT_EQ("", list.GetAt(0));
    list.SetAt(0, "C:\\Windows\\System\\Agent.EXE");
    list.RemoveAt(1);
    EXPECT_EQ((std::vector<std::string>{"C:\\Windows\\System\\Agent.EXE", "", "d"}), list.Items());
    EXPECT_EQ(0, list.FindNoCase("c:\\WINDOWS\\system\\agent.exe"));
    EXPECT_EQ(-1, list.FindNoCase("c:\\windows\\system\\agent.ex"));
    // Hyphens count: file names are compared ordinally, not by word sort.
    EXPECT_FALSE(EqualsNoCase("co-op.exe", "coop-.exe"));
}
