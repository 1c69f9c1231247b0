#include "Mtools.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

bool RunMtools(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // mtools checks the geometry against the partition table unless told not
    // to; the volume's own boot sector is what counts here.
    setenv("MTOOLS_SKIP_CHECK", "1", 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);   // never waits for an answer
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string MtoolsImage(const std::string& image, uint64_t offset)
{
    return offset ? image + "@@" + std::to_string(offset) : image;
}

std::string MtoolsPath(const std::string& path)
{
    std::string p = "::/" + path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

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
    return fsync(m_fd) == 0;
}
