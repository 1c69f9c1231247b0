// The one seam between the scan rules and a machine: what the detection and
// removal passes need of a system. The running Windows serves it through
// ToolHelp32, the registry and its files; a machine that is switched off (a
// disk read offline) serves it with no processes and a registry read from
// its files.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One value of the RunServices key as the machine holds it.
struct RunServicesValue {
    std::string name;   // empty for the default value
    std::string data;   // read as zero-terminated text, whatever its type
};

enum class ValueLookup { Found, Missing, KeyUnavailable };

// What a file is to the quarantine: absent, a directory, there but held by
// another opener, or free to be taken.
enum class FileState { Missing, Directory, InUse, Available };

enum class MoveResult {
    Moved,
    NotFound,   // the system's "not found" class of errors
    Failed,
};

class CMachine {
public:
    virtual ~CMachine() = default;

    // The values of the RunServices key in the machine's order; false when
    // the key cannot be opened.
    virtual bool ReadRunServices(std::vector<RunServicesValue>& values) = 0;
    virtual ValueLookup LookUpRunServicesValue(const std::string& name, std::string& data) = 0;
    virtual bool DeleteRunServicesValue(const std::string& name) = 0;

    // Image paths of the running processes, one per process, in the
    // machine's order; false when they cannot be listed.
    virtual bool ListRunningImages(std::vector<std::string>& images) = 0;
    // Ends the first process running this image and waits a while for it;
    // false when no such process could be ended.
    virtual bool TerminateImage(const std::string& imagePath) = 0;

    // The system directory without a final backslash; empty when unknown.
    virtual std::string SystemDirectory() = 0;
    // Lower case as the machine's file names compare.
    virtual std::string LowerCase(const std::string& text) const = 0;

    // Reads up to length bytes at offset into buffer, leaving bytes past the
    // end of the file as they were. False when the file cannot be opened;
    // got is 0 when the offset cannot be reached.
    virtual bool ReadAt(const std::string& path, long offset, unsigned char* buffer, size_t length, size_t& got) = 0;
    virtual FileState StateOf(const std::string& path) = 0;
    // Whether anything (a file or a directory) has this name.
    virtual bool Exists(const std::string& path) = 0;

    // Where quarantined files go, without a final backslash; empty when
    // unknown.
    virtual std::string QuarantineDirectory() = 0;
    // Where this file's quarantined copy goes: on a running machine the one
    // directory; a machine of several volumes may keep one on each.
    virtual std::string QuarantineDirectoryFor(const std::string& path)
    {
        (void)path;
        return QuarantineDirectory();
    }
    virtual bool MakeDirectory(const std::string& path) = 0;
    virtual MoveResult Move(const std::string& from, const std::string& to) = 0;
    virtual bool Delete(const std::string& path) = 0;
};
