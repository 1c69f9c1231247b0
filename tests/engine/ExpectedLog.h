// The log texts of a pass as the tests expect them in Kestrix.log (CR LF).
#pragma once

#include <regex>
#include <string>
#include <vector>

namespace kxtest {

const char kFooter[] = "\r\n******************************** Scan completed ************************************\r\n\r\n";
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

// A section after its opening line break and header (whose form is checked);
// the whole text when there is no header.
inline std::string AfterHeader(const std::string& section)
{
    std::smatch m;
    if (std::regex_search(section, m, std::regex("^\r\n\\*{17} Scan started on [^\r]* \\*{16}\r\n"))) return m.suffix();
    return section;
}

} // namespace kxtest
