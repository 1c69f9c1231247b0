// A FAT or NTFS volume of an image, read through The Sleuth Kit. A FAT
// volume of an image that can be written in place takes a removal's changes
// through mtools.
#pragma once

#include "rescue/DiskImage.h"
#include "rescue/Volume.h"

class CTskVolume : public CVolume {
public:
    // Null with error set when no file system can be opened at offset.
    static std::unique_ptr<CTskVolume> Open(CDiskImage& image, uint64_t offset, std::string& error);
    ~CTskVolume() override;

    std::string FileSystem() const override { return m_name; }
    uint64_t Offset() const override { return m_offset; }
    bool Find(const std::string& path, VolumeEntry& entry) override;
    bool List(const std::string& directory, std::vector<VolumeEntry>& entries) override;
    bool List(const VolumeEntry& directory, std::vector<VolumeEntry>& entries) override;
    bool ListNames(const VolumeEntry& directory, std::vector<VolumeEntry>& entries) override;
    bool Read(const VolumeEntry& file, uint64_t offset, unsigned char* buffer, size_t length, size_t& got) override;
    uint64_t BytesRead() const override { return m_bytesRead; }
    // How many bytes of the input the file system says it spans.
    uint64_t Extent() const { return uint64_t(m_fs->block_count) * m_fs->block_size; }

    bool Writable() const override;
    bool MakeDirectory(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    bool WriteNew(const std::string& path, const std::vector<unsigned char>& bytes) override;

protected:
    VolumeEntry Root() override;

private:
    CTskVolume(CDiskImage& image, uint64_t offset) : m_image(image), m_offset(offset) {}
    bool OpenHere(std::string& error);
    // After mtools wrote to the image: read it afresh.
    bool Refresh();
    void CloseFileSystem();
    VolumeEntry EntryOf(TSK_FS_FILE* file, const std::string& path) const;
    // Names are joined to directory unless namesOnly.
    bool ListOpen(TSK_FS_DIR* dir, const std::string& directory, std::vector<VolumeEntry>& entries, bool namesOnly);
    TSK_FS_DIR* OpenDirectory(const VolumeEntry& directory);

    CDiskImage& m_image;
    uint64_t m_offset;
    TSK_FS_INFO* m_fs = nullptr;
    TSK_FS_FILE* m_reused = nullptr;   // the file object reads by number share
    std::string m_name;
    uint64_t m_bytesRead = 0;
};
