// One file system of an input, seen the way the scan needs it: files by
// volume-relative path (backslashes, no drive, no leading backslash, matched
// without regard to case), read at an offset, walked whole; and, where the
// input can be written safely, the few changes a removal makes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct VolumeEntry {
    std::string path;   // as the volume spells it, e.g. WINDOWS\SYSTEM\KERNEL32.DLL
    uint64_t size = 0;
    bool directory = false;
    uint64_t id = 0;      // the file system's own number for it (fast reopen)
    bool sized = true;    // false when a listing left the size to the first read
    uint64_t place = 0;   // where a directory's entries lie: what a loop repeats
};

class CVolume {
public:
    virtual ~CVolume() = default;

    virtual std::string FileSystem() const = 0;   // "FAT16", "FAT32", "NTFS", "directory", ...
    virtual uint64_t Offset() const = 0;          // byte offset in the input

    // The entry of a path; false when nothing has this name.
    virtual bool Find(const std::string& path, VolumeEntry& entry) = 0;
    // The entries of one directory ("" is the root); false when it cannot be read.
    virtual bool List(const std::string& directory, std::vector<VolumeEntry>& entries) = 0;
    // Reads up to length bytes at offset; false when the file cannot be read.
    virtual bool Read(const VolumeEntry& file, uint64_t offset, unsigned char* buffer, size_t length, size_t& got) = 0;
    // The entries of a directory this volume listed; by default, by its path.
    virtual bool List(const VolumeEntry& directory, std::vector<VolumeEntry>& entries)
    {
        return List(directory.path, entries);
    }
    // The same, each entry named by its name alone (a walk lists many:
    // the folder is said once).
    virtual bool ListNames(const VolumeEntry& directory, std::vector<VolumeEntry>& entries);
    // Whether Read needs an entry's whole path (else its id does).
    virtual bool ReadsByPath() const { return false; }
    // Bytes read so far (for progress and benchmarks).
    virtual uint64_t BytesRead() const = 0;

    // Every file below the root, depth first, as its folder's path and an
    // entry named by the file's name alone (file may take the entry);
    // problems found on the way (unreadable directories, loops) are passed
    // to problem. Returns false when the walk could not finish.
    using FileVisit = std::function<void(const std::string& folder, VolumeEntry& entry)>;
    bool Walk(const FileVisit& file, const std::function<void(const std::string&)>& problem);

    // The removal's changes. Writable() says whether this volume takes them.
    virtual bool Writable() const { return false; }
    virtual bool MakeDirectory(const std::string&) { return false; }
    // Renames within the volume; never replaces an existing target.
    virtual bool Rename(const std::string&, const std::string&) { return false; }
    virtual bool Remove(const std::string&) { return false; }
    // Creates a new file (never over an existing one) holding these bytes.
    virtual bool WriteNew(const std::string&, const std::vector<unsigned char>&) { return false; }

    // Reads a whole file of at most limit bytes.
    bool ReadAll(const std::string& path, std::vector<unsigned char>& bytes, uint64_t limit);

protected:
    // The root directory as an entry, its place as its sub directories'
    // entries would give it.
    virtual VolumeEntry Root();
    // Ids already entered on the current walk, to see a directory loop.
    virtual bool WalkFrom(const VolumeEntry& directory, std::vector<uint64_t>& trail, const FileVisit& file,
                          const std::function<void(const std::string&)>& problem);
};

// Joins volume-relative paths with a backslash.
std::string JoinPath(const std::string& directory, const std::string& name);
