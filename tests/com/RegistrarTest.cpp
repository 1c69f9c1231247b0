// The registrar script: parsing (malformed scripts are rejected whole) and
// writing with roll-back, in the prefix's registry.
#include "framework/Handles.h"
#include "engine/com/Registrar.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kxtest;

namespace {

}   // namespace

TEST(RegistrarScriptTest, ParsesKeysValuesAndAttributes)
{
    const char* text =
        "HKCR\n{\n NoRemove CLSID\n {\n  ForceRemove {A942BD41-3FCB-11D2-96E1-444553540000} = s 'Class'\n  {\n"
        "   ForceRemove 'Programmable'\n   InprocServer32 = s 'C:\\it''s\\q.dll'\n   {\n"
        "    val ThreadingModel = s 'Apartment'\n   }\n  }\n }\n}\n";
    std::vector<RegistrarScript> script;
    std::string error;
    ASSERT_TRUE(ParseRegistrarScript(text, script, error)) << error;
    ASSERT_EQ(1u, script.size());
    EXPECT_EQ("HKCR", script[0].rootName);
    const RegistrarKey& clsid = script[0].keys.at(0);
    EXPECT_EQ("CLSID", clsid.name);
    EXPECT_TRUE(clsid.noRemove);
    const RegistrarKey& cls = clsid.subkeys.at(0);
    EXPECT_EQ("{A942BD41-3FCB-11D2-96E1-444553540000}", cls.name);
    EXPECT_TRUE(cls.forceRemove);
    EXPECT_EQ("Class", cls.values.at(0).data);
    EXPECT_EQ("Programmable", cls.subkeys.at(0).name);
    EXPECT_TRUE(cls.subkeys.at(0).values.empty());
    const RegistrarKey& server = cls.subkeys.at(1);
    EXPECT_EQ("C:\\it's\\q.dll", server.values.at(0).data);
    EXPECT_EQ("ThreadingModel", server.values.at(1).name);
    EXPECT_EQ("Apartment", server.values.at(1).data);
}

TEST(RegistrarScriptTest, RejectsMalformedScriptsWithAMessage)
{
    const char* bad[] = {
        "HKCR",                              // no block
        "HKCR { Key = s 'unterminated }",    // open quote
        "HKCR { Key = s 'x' ",               // no closing brace
        "HKCR { Key = d '1' }",              // only strings
        "HKCR { Key = s }",                  // no text
        "HKCR { = s 'x' }",                  // no key name
        "HKCR { Key { val = s 'x' } }",      // no value name
        "HKCR { Key { val Name s 'x' } }",   // no '='
        "HKCR { {unterminated = s 'x' }",    // braced name without '}'
        "HKCR { a\\b = s 'x' }",             // nested path in one name
        "HKCR { Key } }",                    // stray brace
        "{ Key }",                           // no root
    };
    for (const char* text : bad) {
        std::vector<RegistrarScript> script;
        std::string error;
        EXPECT_FALSE(ParseRegistrarScript(text, script, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_TRUE(script.empty()) << text;
    }
    std::string deep = "HKCR {";
    for (int i = 0; i < 1000; ++i) deep += " K {";
    std::vector<RegistrarScript> script;
    std::string error;
    EXPECT_FALSE(ParseRegistrarScript(deep, script, error));
}

TEST(RegistrarScriptTest, ExpandsParametersAndRejectsUnknownOnes)
{
    std::string out, error;
    EXPECT_TRUE(ExpandRegistrarParameters("a %MODULE% b %% c", {{"MODULE", "C:\\x.dll"}}, out, error));
    EXPECT_EQ("a C:\\x.dll b % c", out);
    EXPECT_FALSE(ExpandRegistrarParameters("%OTHER%", {{"MODULE", "x"}}, out, error));
    EXPECT_FALSE(ExpandRegistrarParameters("50% done", {{"MODULE", "x"}}, out, error));
}

TEST(RegistrarTest, FailedWriteRollsBackWhatWasWritten)
{
    // A volatile key takes no non-volatile children: the second entry fails.
    kx::RegKey volatileKey;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CLASSES_ROOT, "KxTestVolatile", 0, nullptr, REG_OPTION_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, volatileKey.Put(), nullptr));
    const char* text = "HKCR\n{\n KxTestFirst = s 'one'\n {\n  Child = s 'two'\n }\n"
                       " NoRemove KxTestVolatile\n {\n  Durable = s 'x'\n }\n}\n";
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE), UpdateRegistryFromScript(text, {}, true));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "KxTestFirst"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "KxTestVolatile"));   // NoRemove
    volatileKey.Reset();
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "KxTestVolatile");

    // A malformed script writes nothing at all.
    EXPECT_EQ(E_FAIL, UpdateRegistryFromScript("HKCR { KxTestFirst = s 'one' } }", {}, true));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "KxTestFirst"));
}
