#include "rescue/Mtools.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

void PrepareMtools()
{
    // mtools checks the geometry against the partition table unless told not
    // to; the volume's own boot sector is what counts here.
    setenv("MTOOLS_SKIP_CHECK", "1", 1);
}

bool RunMtools(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
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
