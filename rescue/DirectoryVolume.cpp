#include "rescue/DirectoryVolume.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace {

struct DirClose {
    void operator()(DIR* d) const { closedir(d); }
};

std::vector<std::string> Parts(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path + "\\") {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    return parts;
}

// The entry of dir whose name matches part without regard to case.
bool MatchName(const std::string& dir, const std::string& part, std::string& found)
{
    struct stat st {};
    if (lstat((dir + "/" + part).c_str(), &st) == 0) {
        found = part;
        return true;
    }
    std::unique_ptr<DIR, DirClose> d(opendir(dir.c_str()));
    if (!d) return false;
    while (dirent* e = readdir(d.get()))
        if (strcasecmp(e->d_name, part.c_str()) == 0) {
            found = e->d_name;
            return true;
        }
    return false;
}

}   // namespace

bool CDirectoryVolume::HostPath(const std::string& path, std::string& host, bool mustExist)
{
    std::vector<std::string> parts = Parts(path);
    host = m_root;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (parts[i] == "." || parts[i] == ".." || parts[i].find('/') != std::string::npos) return false;
        std::string found;
        if (MatchName(host, parts[i], found)) {
            host += "/" + found;
        } else if (!mustExist && i + 1 == parts.size()) {
            host += "/" + parts[i];
        } else {
            return false;
        }
    }
    return true;
}

bool CDirectoryVolume::Find(const std::string& path, VolumeEntry& entry)
{
    std::string host;
    struct stat st {};
    if (!HostPath(path, host, true) || lstat(host.c_str(), &st) != 0) return false;
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return false;
    entry.path = path;
    entry.size = uint64_t(st.st_size);
    entry.directory = S_ISDIR(st.st_mode);
    entry.id = entry.place = uint64_t(st.st_ino);
    return true;
}

VolumeEntry CDirectoryVolume::Root()
{
    VolumeEntry root = CVolume::Root();
    struct stat st {};
    if (stat(m_root.c_str(), &st) == 0) root.id = root.place = uint64_t(st.st_ino);
    return root;
}

bool CDirectoryVolume::List(const std::string& directory, std::vector<VolumeEntry>& entries)
{
    entries.clear();
    std::string host;
    if (!HostPath(directory, host, true)) return false;
    std::unique_ptr<DIR, DirClose> d(opendir(host.c_str()));
    if (!d) return false;
    while (dirent* e = readdir(d.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        // Links are not followed: a mounted Windows volume has none of its own.
        if (lstat((host + "/" + name).c_str(), &st) != 0) continue;
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) continue;
        VolumeEntry v;
        v.path = JoinPath(directory, name);
        v.size = uint64_t(st.st_size);
        v.directory = S_ISDIR(st.st_mode);
        v.id = v.place = uint64_t(st.st_ino);
        entries.push_back(v);
    }
    return true;
}

bool CDirectoryVolume::Read(const VolumeEntry& file, uint64_t offset, unsigned char* buffer, size_t length, size_t& got)
{
    got = 0;
    std::string host;
    if (!HostPath(file.path, host, true)) return false;
    int fd = open(host.c_str(), O_RDONLY | O_NOFOLLOW);
    if (fd < 0) return false;
    bool ok = true;
    while (got < length) {
        ssize_t n = pread(fd, buffer + got, length - got, off_t(offset + got));
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        got += size_t(n);
    }
    close(fd);
    m_bytesRead += got;
    return ok;
}

bool CDirectoryVolume::MakeDirectory(const std::string& path)
{
    std::string host;
    return HostPath(path, host, false) && mkdir(host.c_str(), 0755) == 0;
}

bool CDirectoryVolume::Rename(const std::string& from, const std::string& to)
{
    std::string a, b;
    if (!HostPath(from, a, true) || !HostPath(to, b, false)) return false;
    struct stat st {};
    if (lstat(b.c_str(), &st) == 0) return false;   // never over an existing name
    // Only a move within one file system is a rename: across them, the
    // quarantine's own copying takes over.
    return ::rename(a.c_str(), b.c_str()) == 0;
}

bool CDirectoryVolume::Remove(const std::string& path)
{
    std::string host;
    return HostPath(path, host, true) && unlink(host.c_str()) == 0;
}

bool CDirectoryVolume::WriteNew(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::string host;
    if (!HostPath(path, host, false)) return false;
    int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        ok = n > 0;
        if (ok) done += size_t(n);
    }
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (!ok) unlink(host.c_str());
    return ok;
}
