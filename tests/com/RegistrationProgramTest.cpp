// The distribution's regsvr32.exe: what each outcome returns, that /s keeps
// it silent and that otherwise one box says what happened. Started with the
// command line the desktop program gives it, which leaves out the program's
// own name.
#include "tests/support/MessageBoxes.h"
#include "framework/RegistryTree.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace kxtest;

namespace {

DWORD RunRegsvr32(const std::string& folder, const std::string& commandLine)
{
    std::string output;
    return RunAndCapture(folder + "\\regsvr32.exe", commandLine, folder, output);
}

// Every key and value under a key, one line each, in enumeration order.
void ListTree(HKEY parent, const std::string& path, std::vector<std::string>& lines)
{
    kx::RegKey key;
    if (::RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return;
    lines.push_back(path);
    for (DWORD i = 0;; ++i) {
        char name[512];
        BYTE data[2048];
        DWORD nameLength = sizeof name, dataLength = sizeof data, type = 0;
        if (::RegEnumValueA(key.Get(), i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS) break;
        lines.push_back(path + "|" + name + "|" + std::to_string(type) + "|" +
                        std::string(reinterpret_cast<char*>(data), dataLength));
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD length = sizeof name;
        if (::RegEnumKeyExA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(name);
    }
    key.Reset();
    for (const std::string& sub : subkeys) ListTree(parent, path.empty() ? sub : path + "\\" + sub, lines);
}

const char kForeignClsid[] = "{11111111-1111-1111-1111-111111111111}";

class RegistrationProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CopyDistribution(dir.Path()));
        ASSERT_TRUE(::CopyFileA(HelperPath("FailingServer.dll").c_str(), (dir / "failing.dll").c_str(), FALSE));
    }
    ScratchDir dir{"regsvr32"};
};

}   // namespace

TEST_F(RegistrationProgramTest, ExitCodesTellWhatHappened)
{
    struct Case {
        const char* args;
        DWORD code;
    } cases[] = {
        {" quarrion.dll /s", 0},
        {" quarrion.dll /u /s", 0},
        {" /s /u quarrion.dll", 0},    // options in any place
        {" \"quarrion.dll\" /s", 0},   // quoted name
        {" missing.dll /s", 3},        // cannot be loaded
        {" readme.txt /s", 3},         // not a DLL at all
        {" kernel32.dll /s", 4},       // no DllRegisterServer
        {" failing.dll /s", 5},        // the call fails
        {" failing.dll /u /s", 5},
        {" /s", 1},                            // no DLL named
        {" quarrion.dll /x /s", 1},            // unknown option
        {"regsvr32.exe quarrion.dll /s", 0},   // with the program's name
        {"\"regsvr 32.exe\" quarrion.dll /u /s", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.code, RunRegsvr32(dir.Path(), c.args)) << c.args;
}

TEST_F(RegistrationProgramTest, RegistersAndUnregistersTheEngine)
{
    ASSERT_EQ(0u, RunRegsvr32(dir.Path(), " quarrion.dll /s"));
    kx::RegKey key;
    EXPECT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CLASSES_ROOT, kClsidKey, 0, KEY_READ, key.Put()));
    key.Reset();
    ASSERT_EQ(0u, RunRegsvr32(dir.Path(), " quarrion.dll /u /s"));
    EXPECT_NE(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CLASSES_ROOT, kClsidKey, 0, KEY_READ, key.Put()));
}

TEST_F(RegistrationProgramTest, UnregistrationLeavesTheClassesRootAsItWas)
{
    ASSERT_EQ(0u, RunRegsvr32(dir.Path(), " quarrion.dll /u /s"));   // nothing of ours before
    std::vector<std::string> before, registered, after;
    ListTree(HKEY_CLASSES_ROOT, "", before);
    ASSERT_EQ(0u, RunRegsvr32(dir.Path(), " quarrion.dll /s"));
    ListTree(HKEY_CLASSES_ROOT, "", registered);
    EXPECT_NE(before, registered);
    ASSERT_EQ(0u, RunRegsvr32(dir.Path(), " quarrion.dll /u /s"));
    ListTree(HKEY_CLASSES_ROOT, "", after);
    EXPECT_EQ(before, after);
    for (const char* ours : {"TypeLib\\{80951144-3F67-11D2-96E1-444553540000}",
                             "Interface\\{A942BD40-3FCB-11D2-96E1-444553540000}", "ScanEngine.ScanEngine"}) {
        kx::RegKey key;
        EXPECT_NE(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CLASSES_ROOT, ours, 0, KEY_READ, key.Put())) << ours;
    }
}

TEST_F(RegistrationProgramTest, UnregistrationLeavesAnotherProductsProgIdAlone)
{
    const std::pair<const char*, const char*> keys[] = {
        {"ScanEngine.ScanEngine\\CLSID", kForeignClsid},
        {"ScanEngine.ScanEngine\\CurVer", "ScanEngine.ScanEngine.7"},
        {"ScanEngine.ScanEngine.1\\CLSID", kForeignClsid},
    };
    for (const auto& k : keys)
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueA(HKEY_CLASSES_ROOT, k.first, REG_SZ, k.second, 0));
    std::vector<std::string> before, after;
    ListTree(HKEY_CLASSES_ROOT, "ScanEngine.ScanEngine", before);
    ListTree(HKEY_CLASSES_ROOT, "ScanEngine.ScanEngine.1", before);
    EXPECT_EQ(0u, RunRegsvr32(dir.Path(), " quarrion.dll /u /s"));
    ListTree(HKEY_CLASSES_ROOT, "ScanEngine.ScanEngine", after);
    ListTree(HKEY_CLASSES_ROOT, "ScanEngine.ScanEngine.1", after);
    EXPECT_EQ(before, after);
    kx::DeleteKeyTree(HKEY_CLASSES_ROOT, "ScanEngine.ScanEngine");
    kx::DeleteKeyTree(HKEY_CLASSES_ROOT, "ScanEngine.ScanEngine.1");
}

TEST_F(RegistrationProgramTest, WithoutSilentOneBoxSaysWhatHappened)
{
    struct Case {
        const char* args;
        DWORD code;
        const char* says;
    } cases[] = {
        {" quarrion.dll", 0, "DllRegisterServer in quarrion.dll succeeded."},
        {" quarrion.dll /u", 0, "DllUnregisterServer in quarrion.dll succeeded."},
        {" missing.dll", 3, "missing.dll could not be loaded"},
        {" failing.dll", 5, "DllRegisterServer in failing.dll failed (0x80070005)."},
    };
    for (const Case& c : cases) {
        std::vector<ShownBox> boxes;
        DWORD code;
        {
            BoxAnswerer answerer("regsvr32");
            code = RunRegsvr32(dir.Path(), c.args);
            boxes = answerer.Boxes();
        }
        EXPECT_EQ(c.code, code) << c.args;
        ASSERT_EQ(1u, boxes.size()) << c.args;
        EXPECT_NE(std::string::npos, boxes[0].text.find(c.says)) << boxes[0].text;
    }
}
