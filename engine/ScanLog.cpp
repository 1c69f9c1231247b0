#include "engine/ScanLog.h"

const char* const CScanLog::kFileName = "Kestrix.log";

CScanLog::CScanLog() : m_timeStart(time(nullptr))
{
    m_pFile = CLogFile::Open(kFileName);
    if (m_pFile) m_pFile->Write("\n");
}

CScanLog::~CScanLog() = default;

void CScanLog::Start(bool bLogging)
{
    m_bEnabled = bLogging;
    Write("***************** Scan started on " + FormatLogDate(m_timeStart) + " ****************\n");
}

void CScanLog::Write(const char* text)
{
    if (m_bEnabled && m_pFile) m_pFile->Write(text);
}

void CScanLog::Close()
{
    Write("\n******************************** Scan completed ************************************\n\n");
    if (m_pFile) {
        m_pFile->Close();
        m_pFile.reset();
    }
}

std::string FormatLogDate(time_t t)
{
    const struct tm* local = localtime(&t);
    if (!local) return std::string();
    char text[128];
    size_t n = strftime(text, sizeof text, "%A %B %d, %Y at %H:%M", local);
    return std::string(text, n);
}
