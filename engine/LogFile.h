// Kestrix.log as an exclusively opened, buffered text file: every write lands
// at the end of the file and each line feed is stored as CR LF. Write and
// close failures (a full disk) are swallowed: the passes that log must never
// be stopped by their log.
#pragma once

#include "framework/Handles.h"

#include <memory>
#include <string>

class CLogFile {
public:
    // Opens (creating, never truncating) the file for exclusive use; null when
    // another opener holds it or it cannot be created.
    static std::unique_ptr<CLogFile> Open(const char* path);

    virtual ~CLogFile();

    void Write(const char* text);
    // Writes out the buffer; false when the file system refused (the buffered
    // text is dropped then, so a full disk cannot grow it without bound).
    bool Flush();
    // Flushes and closes; false when either failed.
    bool Close();

    static const size_t kBufferSize = 4096;

private:
    explicit CLogFile(HANDLE h) : m_file(h) {}

    kx::FileHandle m_file;
    std::string m_buffer;
};
