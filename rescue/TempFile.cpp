#include "TempFile.h"

#include <unistd.h>

#include <cstdlib>

TempFile::TempFile()
{
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/kestrix-rescue-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_fd = mkstemp(name.data());
    if (m_fd >= 0) m_path = name.data();
}

TempFile::~TempFile()
{
    if (m_fd >= 0) close(m_fd);
    if (!m_path.empty()) unlink(m_path.c_str());
}

bool TempFile::Write(const std::vector<unsigned char>& bytes)
{
    if (m_fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;   // read by this program or a child at once: no need to reach the disk
}
