// Taking configuration blocks apart, hostile ones included: the parse stays
// within its 100 bytes and gives a defined record for every block.
#include "engine/core/ConfigurationBlock.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct BlockCase {
    const char* what;
    std::vector<unsigned char> bytes;   // the rest of the block is zero
    std::string fileName;
    std::string valueName;
};

std::vector<unsigned char> Bytes(const std::string& s)
{
    return {s.begin(), s.end()};
}
std::vector<unsigned char> operator+(std::vector<unsigned char> a, const std::vector<unsigned char>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
std::vector<unsigned char> Zeros(size_t n)
{
    return std::vector<unsigned char>(n, 0);
}
std::vector<unsigned char> Fill(size_t n, char c)
{
    return std::vector<unsigned char>(n, static_cast<unsigned char>(c));
}

}   // namespace

TEST(ConfigurationBlockTest, TakesEveryKindOfBlockApartWithinItsBounds)
{
    const std::vector<unsigned char> skipped = {0xAA, 0xBB, 0xCC, 0xDD};
    const BlockCase cases[] = {
        {"configured", Zeros(3) + Bytes("agent.exe") + Zeros(1) + skipped + Bytes("Agent"), "agent.exe", "Agent"},
        {"no leading zeros", Bytes("agent.exe") + Zeros(1) + skipped + Bytes("Agent"), "agent.exe", "Agent"},
        {"unconfigured marker", Zeros(7) + std::vector<unsigned char>{1, 2, 3, 4} + Bytes("junk"), "", ""},
        {"empty value field takes the first character", Bytes(" .exe") + Zeros(1) + skipped, " .exe", " "},
        {"all zeros", {}, "", ""},
        {"marker cut by the block's end", Zeros(98) + std::vector<unsigned char>{1, 2}, "\x01\x02", "\x01"},
        {"name without terminator runs to the end", Fill(100, 'A'), std::string(100, 'A'), "A"},
        {"name ending in the last byte leaves no room for a value", Fill(99, 'B'), std::string(99, 'B'), "B"},
        {"value field starting past the end",
         Zeros(90) + Bytes("abcdefgh") + Zeros(1) + std::vector<unsigned char>{skipped.front()}, "abcdefgh", "a"},
        {"value without terminator runs to the end", Bytes("x.exe") + Zeros(1) + skipped + Fill(89, 'V'), "x.exe",
         std::string(89, 'V')},
        {"high bytes are plain text", Bytes("\xE9t\xE9.exe") + Zeros(1) + skipped + Bytes("\xFF\x80"), "\xE9t\xE9.exe",
         "\xFF\x80"},
    };
    for (const BlockCase& c : cases) {
        std::vector<unsigned char> block = c.bytes;
        ASSERT_LE(block.size(), kConfigurationBlockSize) << c.what;
        block.resize(kConfigurationBlockSize, 0);
        // Exactly 100 bytes on the heap: a read past them is caught by the
        // checks of the fuzzing build.
        std::unique_ptr<ConfigurationBlock> exact(new ConfigurationBlock);
        std::copy(block.begin(), block.end(), exact->begin());
        std::unique_ptr<CConfigRecord> record = ParseConfigurationBlock(*exact);
        EXPECT_EQ(c.fileName, record->m_strFileName) << c.what;
        EXPECT_EQ(c.valueName, record->m_strValueName) << c.what;
    }
}
