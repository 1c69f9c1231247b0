// Kestrix.log as engine objects write it, read back byte for byte.
#include "tests/engine/EngineProbe.h"
#include "tests/engine/ExpectedLog.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>

using namespace kxtest;

namespace {

class ScanLogTest : public ::testing::Test {
protected:
    ScratchDir dir{"scanlog"};
    CurrentDirectory cd{dir.Path()};
    std::string Log() const { return ReadWholeFile(dir / "Kestrix.log"); }
};

// The section after "\r\n<header>", whose form is checked: a marker when
// it does not open so.
std::string StrictAfterHeader(const std::string& section)
{
    std::string rest;
    return SplitHeader(section, rest) ? rest : "<no header in: " + section + ">";
}

}   // namespace

TEST_F(ScanLogTest, SectionWithLoggingOnHasHeaderTextsAndFooterInCrLf)
{
    {
        EngineProbe engine;
        long result = 0;
        EXPECT_EQ(S_OK, engine.Init(1, 0, &result));
        EXPECT_EQ(1, result);
        engine.Log("first line\nsecond ");
        engine.Log("continues\n\tindented\n");
    }
    EXPECT_EQ(std::string("first line\r\nsecond continues\r\n\tindented\r\n") + kFooter, StrictAfterHeader(Log()));
}

TEST_F(ScanLogTest, LoggingOffStillCreatesFileAndAppendsOneLineBreakPerObject)
{
    ASSERT_TRUE(WriteWholeFile(dir / "Kestrix.log", "earlier section\r\n"));
    for (int i = 0; i < 2; ++i) {
        EngineProbe engine;
        long result = 0;
        engine.Init(0, 1, &result);
        EXPECT_EQ(1, result);
        engine.Log("dropped\n");
    }
    EXPECT_EQ("earlier section\r\n\r\n\r\n", Log());
}

TEST_F(ScanLogTest, LoggingSwitchedOnAfterInitWritesTextsAndFooterButNoHeader)
{
    {
        EngineProbe engine;
        long result = 0;
        engine.Init(0, 0, &result);
        engine.Log("before\n");
        engine.put_Logging(7);   // any non-zero value
        engine.Log("after\n");
    }
    EXPECT_EQ(std::string("\r\nafter\r\n") + kFooter, Log());
}

TEST_F(ScanLogTest, LoggingSwitchedOffMidSectionDropsLaterTextsAndFooter)
{
    {
        EngineProbe engine;
        long result = 0;
        engine.Init(1, 0, &result);
        engine.Log("kept\n");
        engine.put_Logging(0);
        engine.Log("dropped\n");
    }
    EXPECT_EQ("kept\r\n", StrictAfterHeader(Log()));
}

TEST_F(ScanLogTest, ObjectWithoutInitWritesNothingAndDoesNotCrash)
{
    {
        EngineProbe engine;
        engine.Log("nowhere\n");
        EXPECT_EQ(S_OK, engine.put_Logging(1));
    }
    EXPECT_FALSE(FileExists(dir / "Kestrix.log"));
}

TEST_F(ScanLogTest, FileIsExclusiveSoASecondObjectLosesItsSectionSilently)
{
    {
        EngineProbe first;
        long result = 0;
        first.Init(1, 0, &result);
        first.Log("first object\n");

        // Nobody else can open the file while the first object holds it.
        kx::FileHandle other(::CreateFileA("Kestrix.log", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(other.Valid());
        EXPECT_EQ(ERROR_SHARING_VIOLATION, ::GetLastError());

        {
            EngineProbe second;
            EXPECT_EQ(S_OK, second.Init(1, 0, &result));
            EXPECT_EQ(1, result);
            EXPECT_FALSE(second.ScanLog()->HasFile());
            second.Log("second object\n");
        }
        first.Log("first again\n");
    }
    EXPECT_EQ(std::string("first object\r\nfirst again\r\n") + kFooter, StrictAfterHeader(Log()));
}

TEST_F(ScanLogTest, SecondInitOnOneObjectClosesTheFirstSectionAndStartsAnother)
{
    {
        EngineProbe engine;
        long result = 0;
        engine.Init(1, 0, &result);
        engine.Log("pass one\n");
        engine.Init(1, 0, &result);
        engine.Log("pass two\n");
    }
    std::string log = Log();
    std::string rest = StrictAfterHeader(log);
    std::string firstSection = std::string("pass one\r\n") + kFooter;
    ASSERT_EQ(firstSection, rest.substr(0, firstSection.size()));
    EXPECT_EQ(std::string("pass two\r\n") + kFooter, StrictAfterHeader(rest.substr(firstSection.size())));
}

TEST_F(ScanLogTest, TextsLargerThanTheBufferArriveWhole)
{
    std::string big;
    for (int i = 0; i < 3000; ++i) big += "line " + std::to_string(i) + "\n";
    std::string expected;
    for (char c : big) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    {
        EngineProbe engine;
        long result = 0;
        engine.Init(1, 0, &result);
        for (size_t at = 0; at < big.size(); at += 1000) engine.Log(big.substr(at, 1000));
    }
    EXPECT_EQ(expected + kFooter, StrictAfterHeader(Log()));
}

TEST(LogDateTest, FormatsWithLeadingZerosAndTwentyFourHourClock)
{
    struct Case {
        int year, month, day, hour, minute;
        const char* text;
    };
    const Case cases[] = {
        {2026, 12, 7, 15, 20, "Monday December 07, 2026 at 15:20"},
        {2026, 12, 7, 9, 5, "Monday December 07, 2026 at 09:05"},
        {2027, 1, 1, 0, 0, "Friday January 01, 2027 at 00:00"},
        {2024, 2, 29, 23, 59, "Thursday February 29, 2024 at 23:59"},
    };
    for (const Case& c : cases) {
        struct tm local {};
        local.tm_year = c.year - 1900;
        local.tm_mon = c.month - 1;
        local.tm_mday = c.day;
        local.tm_hour = c.hour;
        local.tm_min = c.minute;
        local.tm_isdst = -1;
        EXPECT_EQ(c.text, FormatLogDate(mktime(&local)));
    }
}
