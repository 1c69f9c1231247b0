// The distribution's regsvr32.exe: what each outcome returns, that /s keeps
// it silent and that otherwise one box says what happened. Started with the
// command line the desktop program gives it, which leaves out the program's
// own name.
#include "MessageBoxes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace kxtest;

namespace {

DWORD RunRegsvr32(const std::string& folder, const std::string& commandLine)
{
    std::string output;
    return RunAndCapture(folder + "\\regsvr32.exe", commandLine, folder, output);
}

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
