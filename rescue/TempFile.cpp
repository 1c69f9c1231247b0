#include "rescue/TempFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

TempFile::TempFile()
{
    // In memory where the system has it: no file system to create, write
    // and remove it on. Children inherit the descriptor, so the path serves
    // mtools too.
    m_fd = memfd_create("kestrix-rescue", 0);
    if (m_fd >= 0) {
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
        m_inMemory = true;
        return;
    }
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
    if (!m_path.empty() && !m_inMemory) unlink(m_path.c_str());
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
