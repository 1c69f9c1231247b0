#include "rescue/Volume.h"

#include <algorithm>

std::string JoinPath(const std::string& directory, const std::string& name)
{
    return directory.empty() ? name : directory + "\\" + name;
}

bool CVolume::Walk(const FileVisit& file, const std::function<void(const std::string&)>& problem)
{
    VolumeEntry root = Root();
    std::vector<uint64_t> trail{root.place};
    return WalkFrom(root, trail, file, problem);
}

VolumeEntry CVolume::Root()
{
    VolumeEntry root;
    root.directory = true;
    return root;
}

bool CVolume::ListNames(const VolumeEntry& directory, std::vector<VolumeEntry>& entries)
{
    if (!List(directory, entries)) return false;
    const size_t skip = directory.path.empty() ? 0 : directory.path.size() + 1;
    for (VolumeEntry& e : entries) e.path.erase(0, skip);
    return true;
}

bool CVolume::WalkFrom(const VolumeEntry& directory, std::vector<uint64_t>& trail, const FileVisit& file,
                       const std::function<void(const std::string&)>& problem)
{
    std::vector<VolumeEntry> entries;
    if (!ListNames(directory, entries)) {
        problem("the directory \\" + directory.path + " cannot be read");
        return false;
    }
    bool whole = true;
    for (VolumeEntry& e : entries) {
        if (!e.directory) {
            file(directory.path, e);   // it may take the entry: it is not used here again
            continue;
        }
        e.path = JoinPath(directory.path, e.path);
        // A directory that is its own ancestor would walk for ever.
        if (std::find(trail.begin(), trail.end(), e.place) != trail.end()) {
            problem("directory loop at \\" + e.path);
            whole = false;
            continue;
        }
        trail.push_back(e.place);
        whole = WalkFrom(e, trail, file, problem) && whole;
        trail.pop_back();
    }
    return whole;
}

bool CVolume::ReadAll(const std::string& path, std::vector<unsigned char>& bytes, uint64_t limit)
{
    VolumeEntry entry;
    if (!Find(path, entry) || entry.directory || entry.size > limit) return false;
    bytes.assign(entry.size, 0);
    size_t got = 0;
    return entry.size == 0 || (Read(entry, 0, bytes.data(), bytes.size(), got) && got == bytes.size());
}
