// The settings record and its registry values, read back with their types
// and bytes.
#include "framework/Handles.h"
#include "framework/RegistryTree.h"
#include "app/ProgramState.h"
#include "app/Settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kx::DeleteKeyTree(HKEY_LOCAL_MACHINE, kSettingsKeyPath);   // subkeys too: a failed run may leave one
        ASSERT_EQ(ERROR_SUCCESS, OpenSettingsKey(key.Put()));
    }
    void TearDown() override
    {
        key.Reset();
        kx::DeleteKeyTree(HKEY_LOCAL_MACHINE, kSettingsKeyPath);   // subkeys too: a failed run may leave one
    }
    void Set(const char* name, DWORD type, const std::string& bytes)
    {
        ::RegSetValueExA(key.Get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()));
    }
    static std::string Dword(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
    // The record read from the key, field by field.
    void ExpectRead(LONG autoScan, LONG silent, LONG timed, LONG interval, LONG logging)
    {
        ReadSettings(key.Get(), settings);
        EXPECT_EQ(autoScan, settings.AutoScan);
        EXPECT_EQ(silent, settings.SilentMode);
        EXPECT_EQ(timed, settings.TimedScanning);
        EXPECT_EQ(interval, settings.ScanInterval);
        EXPECT_EQ(logging, settings.LoggingEnabled);
    }

    kx::RegKey key;
    AppSettings settings = DefaultSettings();
};

}   // namespace

TEST_F(SettingsTest, DefaultsStayWhenTheKeyHoldsNothing)
{
    EXPECT_FALSE(CProgramState().Uninstalled());
    ExpectRead(1, 0, 0, 3, 1);
}

TEST_F(SettingsTest, ValuesAreTakenOnlyAsTheRulesSay)
{
    struct Case {
        const char* what;
        const char* name;
        DWORD type;
        std::string bytes;
        LONG AppSettings::*field;
        LONG expected;
    };
    const Case cases[] = {
        {"switch 2 is ignored", "AutoScan", REG_BINARY, Dword(2), &AppSettings::AutoScan, 1},
        {"switch as REG_DWORD is taken", "SilentMode", REG_DWORD, Dword(1), &AppSettings::SilentMode, 1},
        {"switch of another type is taken", "TimedScanning", REG_SZ, Dword(1), &AppSettings::TimedScanning, 1},
        {"switch 0 is taken", "LoggingEnabled", REG_BINARY, Dword(0), &AppSettings::LoggingEnabled, 0},
        {"switch longer than 4 bytes", "LoggingEnabled", REG_BINARY, Dword(0) + "x", &AppSettings::LoggingEnabled, 1},
        {"switch shorter than 4 bytes", "LoggingEnabled", REG_BINARY, std::string(2, '\0'),
         &AppSettings::LoggingEnabled, 1},
        {"interval as REG_DWORD, any number", "ScanInterval", REG_DWORD, Dword(123456789), &AppSettings::ScanInterval,
         123456789},
        {"interval as REG_BINARY is ignored", "ScanInterval", REG_BINARY, Dword(180000), &AppSettings::ScanInterval, 3},
        {"interval shorter than 4 bytes", "ScanInterval", REG_DWORD, std::string(2, '\x10'), &AppSettings::ScanInterval,
         3},
    };
    for (const Case& c : cases) {
        settings = DefaultSettings();
        ::RegDeleteValueA(key.Get(), c.name);
        Set(c.name, c.type, c.bytes);
        ReadSettings(key.Get(), settings);
        EXPECT_EQ(c.expected, settings.*c.field) << c.what;
    }
}

TEST_F(SettingsTest, WriteStoresFourByteValuesWithTheirTypes)
{
    settings.AutoScan = 0;
    settings.SilentMode = 1;
    settings.TimedScanning = 1;
    settings.ScanInterval = 180000;
    settings.LoggingEnabled = 0;
    WriteSettings(key.Get(), settings);

    struct Expected {
        const char* name;
        DWORD type;
        DWORD value;
    };
    for (Expected e : {Expected{"AutoScan", REG_BINARY, 0}, Expected{"SilentMode", REG_BINARY, 1},
                       Expected{"TimedScanning", REG_BINARY, 1}, Expected{"ScanInterval", REG_DWORD, 180000},
                       Expected{"LoggingEnabled", REG_BINARY, 0}}) {
        BYTE data[16] = {};
        DWORD size = sizeof data, type = 0;
        ASSERT_EQ(ERROR_SUCCESS, ::RegQueryValueExA(key.Get(), e.name, nullptr, &type, data, &size)) << e.name;
        EXPECT_EQ(e.type, type) << e.name;
        EXPECT_EQ(4u, size) << e.name;
        EXPECT_EQ(Dword(e.value), std::string(reinterpret_cast<char*>(data), 4)) << e.name;
    }

    // And they read back the same.
    settings = DefaultSettings();
    ExpectRead(0, 1, 1, 180000, 0);
}
