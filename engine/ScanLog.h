// The scan log of one engine object: one section of Kestrix.log, from the
// opening line break through the header to the footer.
#pragma once

#include "engine/LogFile.h"

#include <ctime>
#include <memory>
#include <string>

class CScanLog {
public:
    // Opens Kestrix.log in the current directory and writes the opening line
    // break, logging on or off. A file that cannot be opened is not reported:
    // the section is lost.
    CScanLog();
    virtual ~CScanLog();

    // Sets the switch, then writes the header (only when logging is on).
    void Start(bool bLogging);
    void Write(const char* text);
    void Write(const std::string& text) { Write(text.c_str()); }
    void SetEnabled(bool bEnabled) { m_bEnabled = bEnabled; }
    // Writes the footer (only when logging is on) and closes the file.
    void Close();

    bool IsEnabled() const { return m_bEnabled; }
    bool HasFile() const { return m_pFile != nullptr; }

    static const char* const kFileName;

private:
    bool m_bEnabled = false;
    std::unique_ptr<CLogFile> m_pFile;
    time_t m_timeStart;
};

// The header's date: "%A %B %d, %Y at %H:%M" of t in local time, C locale;
// empty when t cannot be converted.
std::string FormatLogDate(time_t t);
