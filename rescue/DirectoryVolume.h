// A Windows volume mounted at a directory: plain file operations, names
// matched without regard to case as Windows matches them.
#pragma once

#include "rescue/Volume.h"

class CDirectoryVolume : public CVolume {
public:
    explicit CDirectoryVolume(const std::string& root) : m_root(root) {}

    std::string FileSystem() const override { return "directory"; }
    uint64_t Offset() const override { return 0; }
    bool Find(const std::string& path, VolumeEntry& entry) override;
    bool List(const std::string& directory, std::vector<VolumeEntry>& entries) override;
    bool Read(const VolumeEntry& file, uint64_t offset, unsigned char* buffer, size_t length, size_t& got) override;
    uint64_t BytesRead() const override { return m_bytesRead; }
    bool ReadsByPath() const override { return true; }

    bool Writable() const override { return true; }
    bool MakeDirectory(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    bool WriteNew(const std::string& path, const std::vector<unsigned char>& bytes) override;

protected:
    VolumeEntry Root() override;

private:
    // The host path of a volume path as the disk spells it; for a new name,
    // the directory is matched and the last part kept as given.
    bool HostPath(const std::string& path, std::string& host, bool mustExist);

    std::string m_root;
    uint64_t m_bytesRead = 0;
};
