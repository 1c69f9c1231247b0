// A module without a usable signature resource: message box, then exit 65535.
#include "tests/support/TestSupport.h"
#include "tests/support/MessageBoxes.h"

#include <gtest/gtest.h>

using namespace kxtest;

TEST(SignatureLoadTest, MissingOrWrongSizedResourceEndsTheProcessAfterItsMessage)
{
    for (const char* probe : {"signature_missing_probe", "signature_short_probe"}) {
        ScratchDir dir(probe);
        CurrentDirectory cd(dir.Path());
        ChildProcess child(HelperPath((std::string(probe) + ".exe").c_str()));
        ShownBox box;
        ASSERT_TRUE(AnswerMessageBox(probe, box)) << probe;
        EXPECT_EQ("Error loading signature. Program cannot continue.", box.text) << probe;
        EXPECT_TRUE(box.hasIcon) << probe;
        EXPECT_EQ(0xFFFFu, child.Wait(30000)) << probe;
    }
}
