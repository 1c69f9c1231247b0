#include "engine/LogFile.h"

std::unique_ptr<CLogFile> CLogFile::Open(const char* path)
{
    HANDLE h = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0 /* no sharing */, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::unique_ptr<CLogFile>(new CLogFile(h));
}

CLogFile::~CLogFile()
{
    Close();
}

void CLogFile::Write(const char* text)
{
    if (!m_file) return;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') m_buffer += '\r';
        m_buffer += *p;
    }
    if (m_buffer.size() >= kBufferSize) Flush();
}

bool CLogFile::Flush()
{
    if (!m_file || m_buffer.empty()) return true;
    std::string pending;
    pending.swap(m_buffer);

    // Append mode: whatever else happened to the file, text goes to its end.
    // SetFilePointer with a high part: the end of a log past 4 GB is no error.
    LONG high = 0;
    ::SetLastError(NO_ERROR);
    if (::SetFilePointer(m_file.Get(), 0, &high, FILE_END) == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR)
        return false;
    const char* data = pending.data();
    size_t left = pending.size();
    while (left > 0) {
        DWORD written = 0;
        if (!::WriteFile(m_file.Get(), data, static_cast<DWORD>(left), &written, nullptr) || written == 0) return false;
        data += written;
        left -= written;
    }
    return true;
}

bool CLogFile::Close()
{
    if (!m_file) return true;
    bool flushed = Flush();
    bool closed = m_file.Reset();
    return flushed && closed;
}
