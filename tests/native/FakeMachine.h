// A machine made of tables: files with their bytes, RunServices values,
// running images. Whatever the rules do to it can be read back, and any
// seam call can be made to fail or throw.
#pragma once

#include "engine/core/Machine.h"
#include "engine/core/PassHost.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// The test signature: 1,024 bytes of a pattern of its own.
const unsigned char* TestSignature();
// File contents: a server (the signature at its offset and a configuration
// block naming fileName and valueName), or a clean program of the same size.
std::string ServerBytes(const std::string& fileName, const std::string& valueName);
std::string CleanBytes();

class CFakeMachine : public CMachine {
public:
    struct File {
        std::string bytes;
        bool directory = false;
        bool inUse = false;   // held by another opener
        bool unreadable = false;
        bool blockUnreadable = false;   // cannot be opened once the signature was read
        bool fixed = false;             // refuses to be moved
    };

    std::string system = "C:\\WINDOWS\\SYSTEM";
    std::string quarantine = "C:\\KESTRIX\\Infected Files";
    // Per drive letter, a quarantine directory of that drive's own (else the one above).
    std::map<char, std::string> quarantineOn;
    std::vector<std::string> unmakeable;   // directories that cannot be made
    std::map<std::string, File> files;     // by lower-case path
    std::vector<RunServicesValue> values;
    bool keyAvailable = true;
    std::vector<std::string> refusedDeletes;   // value names the system will not delete
    std::vector<std::string> running;
    // Runs before every seam call with the call's name; may throw.
    std::function<void(const char*)> before = [](const char*) {};

    void Put(const std::string& path, const std::string& bytes) { files[LowerCase(path)] = File{bytes}; }
    bool Has(const std::string& path) const { return files.count(LowerCase(path)) != 0; }
    const std::string& Bytes(const std::string& path) { return files.at(LowerCase(path)).bytes; }
    std::vector<std::string> ValueNames() const;

    bool ReadRunServices(std::vector<RunServicesValue>& out) override;
    ValueLookup LookUpRunServicesValue(const std::string& name, std::string& data) override;
    bool DeleteRunServicesValue(const std::string& name) override;
    bool ListRunningImages(std::vector<std::string>& images) override;
    bool TerminateImage(const std::string& imagePath) override;
    std::string SystemDirectory() override { return system; }
    std::string LowerCase(const std::string& text) const override;
    bool ReadAt(const std::string& path, long offset, unsigned char* buffer, size_t length, size_t& got) override;
    FileState StateOf(const std::string& path) override;
    bool Exists(const std::string& path) override;
    std::string QuarantineDirectory() override { return quarantine; }
    std::string QuarantineDirectoryFor(const std::string& path) override
    {
        auto it = path.empty() ? quarantineOn.end() : quarantineOn.find(path[0]);
        return it == quarantineOn.end() ? quarantine : it->second;
    }
    bool MakeDirectory(const std::string& path) override;
    MoveResult Move(const std::string& from, const std::string& to) override;
    bool Delete(const std::string& path) override;

private:
    const RunServicesValue* Find(const std::string& name) const;
};

// Records what a pass reports.
class CRecordingHost : public CPassHost {
public:
    std::vector<EngineNotice> notices;
    size_t steps = 0;
    void Notify(EngineNotice notice) override { notices.push_back(notice); }
    void ProgressBegin(size_t) override {}
    void ProgressStep() override { ++steps; }
    void ProgressEnd() override {}
};
