// The log texts of a pass as the tests expect them in Kestrix.log (CR LF).
#pragma once

#include <regex>
#include <string>
#include <vector>

namespace kxtest {

const char kFooter[] =
    "\r\n******************************** Scan completed ************************************\r\n\r\n";
const char kNotDetected[] = "\r\n\t   ---------------- Duskwire NOT detected ----------------\r\n";

// The lines a detection that found the trojan writes.
inline std::string FoundSection(const std::vector<std::string>& values, const std::vector<std::string>& processes)
{
    std::string s = "\t     --------------- Detection Phase Started -----------------\r\n"
                    "Duskwire server installed as the following values under the registry key\r\n"
                    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices:\r\n";
    for (const std::string& v : values) s += "\t" + v + "\r\n";
    s += "\r\nDuskwire server found running as the following processes:\r\n";
    for (const std::string& p : processes) s += "\t" + p + "\r\n";
    return s;
}

// The header line of a section, with its date and time.
const char kHeaderPattern[] =
    R"(\*{17} Scan started on (Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday) )"
    R"((January|February|March|April|May|June|July|August|September|October|November|December) )"
    R"(\d\d, \d{4} at [0-2]\d:[0-5]\d \*{16}\r\n)";

// Splits "\r\n<header>rest": true, with rest, when the section opens so.
inline bool SplitHeader(const std::string& section, std::string& rest)
{
    std::smatch m;
    if (!std::regex_search(section, m, std::regex(std::string("^\r\n") + kHeaderPattern))) return false;
    rest = m.suffix();
    return true;
}

// A section after its opening line break and header; the whole text when
// there is no header.
inline std::string AfterHeader(const std::string& section)
{
    std::string rest;
    return SplitHeader(section, rest) ? rest : section;
}

}   // namespace kxtest
