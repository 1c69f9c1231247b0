// A Windows that is switched off, behind the same seam as the running one:
// the RunServices values come from its registry file, nothing runs, and the
// "running images" are the files a scan must check: those the values name,
// every file of the system folder and of the Windows folder, and with
// allFiles every file of every volume. Drive letters follow the system's
// order: the installation's own volume is C:, the others follow, primary
// partitions before logical ones.
#pragma once

#include "rescue/Disk.h"
#include "rescue/Installation.h"
#include "engine/core/Machine.h"
#include "rescue/SystemDatEdit.h"

#include <deque>
#include <unordered_map>
#include <unordered_set>
#include <memory>
#include <string>
#include <vector>

// Why a file was checked.
enum class ListedBy { RunServicesValue, SystemFolder, WindowsFolder, AllFiles };
const char* ListedByName(ListedBy how);

// A file to check: its volume and entry. A walk's files are named by their
// name alone and a folder of the machine's folder table (a walk lists many,
// and each folder is kept once); others by their whole volume path.
const size_t kNoFolder = size_t(-1);

struct ListedFile {
    ListedBy how = ListedBy::AllFiles;
    size_t volume = 0;
    VolumeEntry entry;
    size_t folder = kNoFolder;
};

class COfflineMachine : public CMachine {
public:
    // installation may be null: then there is no registry and no system
    // folder, and only allFiles gives files to check.
    COfflineMachine(CDisk& disk, const Installation* installation, bool allFiles);

    // Reads the registry and lists the files; what cannot be read goes to errors.
    void Prepare(std::vector<std::string>& errors);

    // Paths on volumes that are not in the input (or no volume at all), in the order met.
    const std::vector<std::string>& NotChecked() const { return m_notChecked; }
    char LetterOf(size_t volume) const;
    const std::string& RegistryError() const { return m_registryError; }
    const std::string& Backup() const;
    // Why the last registry edit failed.
    const std::string& EditError() const { return m_editError; }
    const ListedFile* ListedAs(const std::string& path) const;
    uint64_t SizeOf(const std::string& path);

    bool ReadRunServices(std::vector<RunServicesValue>& values) override;
    ValueLookup LookUpRunServicesValue(const std::string& name, std::string& data) override;
    bool DeleteRunServicesValue(const std::string& name) override;
    bool ListRunningImages(std::vector<std::string>& images) override;
    bool TerminateImage(const std::string&) override { return true; }   // nothing runs
    std::string SystemDirectory() override;
    std::string LowerCase(const std::string& text) const override;
    bool ReadAt(const std::string& path, long offset, unsigned char* buffer, size_t length, size_t& got) override;
    FileState StateOf(const std::string& path) override;
    bool Exists(const std::string& path) override;
    std::string QuarantineDirectory() override;
    // "Infected Files" at the root of the file's own volume.
    std::string QuarantineDirectoryFor(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override;
    MoveResult Move(const std::string& from, const std::string& to) override;
    bool Delete(const std::string& path) override;

private:
    // The volume and volume path of a Windows path; false (and the path
    // noted as not checked) when it lies on no volume of the input.
    bool Resolve(const std::string& path, CVolume*& volume, std::string& inside);
    bool Lookup(const std::string& path, CVolume*& volume, VolumeEntry& entry);
    std::string WindowsPath(size_t volume, const std::string& inside) const;
    size_t VolumeIndex(const CVolume* volume) const;
    void Add(size_t volume, VolumeEntry entry, ListedBy how, size_t folder = kNoFolder);
    // The Windows path of a listed file, and its volume path.
    std::string WindowsPathOf(const ListedFile& file) const;
    std::string InsideOf(const ListedFile& file) const;
    // Whether path is the Windows path of this listed file.
    bool Names(const ListedFile& file, const std::string& path) const;
    // After a removal wrote to a volume, listed entries may be stale.
    void Changed() { m_entriesCurrent = false; }
    void AddFolder(size_t volume, const std::string& folder, ListedBy how);
    bool LoadRegistry();

    CDisk& m_disk;
    const Installation* m_installation;
    bool m_allFiles;
    std::vector<char> m_letters;   // per volume
    std::unique_ptr<CSystemDatEditor> m_editor;
    bool m_registryRead = false;
    std::vector<RunServicesValue> m_values;
    std::string m_registryError;
    std::string m_editError;
    std::vector<std::string> m_folders;                      // the walks' folders, in the order met
    std::deque<ListedFile> m_listed;                         // grows without moving what it holds: a walk lists many
    std::unordered_map<std::string, size_t> m_listedIndex;   // lower-case path -> m_listed, but for the walk's
    std::unordered_set<size_t> m_indexedLengths;             // the lengths of those paths
    std::vector<std::string> m_notChecked;
    std::vector<std::string> m_walkProblems;
    bool m_entriesCurrent = true;
    mutable size_t m_cursor = 0;   // the listed file read last
};
