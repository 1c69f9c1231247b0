#include "rescue/Disk.h"

#include "rescue/DirectoryVolume.h"
#include "rescue/TskVolume.h"

#include <sys/stat.h>

#include <algorithm>

const char* RoleName(VolumeRole role)
{
    switch (role) {
    case VolumeRole::Primary: return "primary";
    case VolumeRole::Logical: return "logical";
    case VolumeRole::Whole: return "whole";
    case VolumeRole::Mounted: return "mounted";
    }
    return "";
}

namespace {

std::string At(uint64_t offset)
{
    return "at offset " + std::to_string(offset);
}

// Says which of the two ways in failed, from the first sector's marks.
std::string WhatFailed(CDiskImage& image)
{
    unsigned char sector[512] = {};
    if (tsk_img_read(image.Info(), 0, reinterpret_cast<char*>(sector), sizeof sector) != ssize_t(sizeof sector))
        return "not a disk image: the first sector cannot be read";
    tsk_error_reset();
    const bool marked = sector[510] == 0x55 && sector[511] == 0xAA;
    const bool fat = std::string(reinterpret_cast<char*>(sector) + 0x36, 3) == "FAT" ||
                     std::string(reinterpret_cast<char*>(sector) + 0x52, 3) == "FAT";
    if (marked && fat) return "the FAT file system at offset 0 is corrupt";
    if (marked) return "the partition table is corrupt";
    return "not a disk image: neither a partition table nor a file system can be read";
}

}   // namespace

std::unique_ptr<CDisk> CDisk::Open(const std::string& input, std::vector<std::string>& errors)
{
    std::unique_ptr<CDisk> disk(new CDisk);
    struct stat st {};
    if (stat(input.c_str(), &st) != 0) {
        errors.push_back(input + ": no such file or directory");
        return nullptr;
    }
    if (S_ISDIR(st.st_mode)) {
        disk->m_format = "directory";
        DiskVolume v;
        v.volume.reset(new CDirectoryVolume(input));
        v.role = VolumeRole::Mounted;
        disk->m_volumes.push_back(std::move(v));
        return disk;
    }
    std::string error;
    disk->m_image = CDiskImage::Open(input, error);
    if (!disk->m_image) {
        errors.push_back(input + ": " + error);
        return nullptr;
    }
    CDiskImage& image = *disk->m_image;
    disk->m_format = image.Format();

    TSK_VS_INFO* vs = tsk_vs_open(image.Info(), 0, TSK_VS_TYPE_DOS);
    if (vs) {
        const uint64_t sectors = image.Size() / vs->block_size;
        for (TSK_PNUM_T i = 0; i < vs->part_count; ++i) {
            const TSK_VS_PART_INFO* part = tsk_vs_part_get(vs, i);
            if (!part || !(part->flags & TSK_VS_PART_FLAG_ALLOC)) continue;
            const uint64_t offset = uint64_t(part->start) * vs->block_size;
            const std::string where = std::string(part->table_num == 0 ? "primary" : "logical") + " partition " +
                                      At(offset) + " (" + (part->desc ? part->desc : "?") + ")";
            if (uint64_t(part->start) + part->len > sectors)
                errors.push_back(input + ": " + where + " extends past the end of the image (truncated?)");
            std::unique_ptr<CTskVolume> volume = CTskVolume::Open(image, offset, error);
            if (!volume) {
                errors.push_back(input + ": " + where + ": no file system can be read (" + error + ")");
                continue;
            }
            DiskVolume v;
            v.volume = std::move(volume);
            v.role = part->table_num == 0 ? VolumeRole::Primary : VolumeRole::Logical;
            v.offset = offset;
            disk->m_volumes.push_back(std::move(v));
        }
        tsk_vs_close(vs);
        // Primary partitions come first in the order drive letters follow.
        std::stable_partition(disk->m_volumes.begin(), disk->m_volumes.end(),
                              [](const DiskVolume& v) { return v.role == VolumeRole::Primary; });
        return disk;
    }
    const std::string tableError = TskError();
    std::unique_ptr<CTskVolume> volume = CTskVolume::Open(image, 0, error);
    if (!volume) {
        errors.push_back(input + ": " + WhatFailed(image) + " (" + tableError + "; " + error + ")");
        return disk;
    }
    if (volume->Extent() > image.Size())
        errors.push_back(input + ": the " + volume->FileSystem() +
                         " file system at offset 0 extends past the end "
                         "of the image (truncated?)");
    DiskVolume v;
    v.volume = std::move(volume);
    v.role = VolumeRole::Whole;
    disk->m_volumes.push_back(std::move(v));
    return disk;
}

bool CDisk::WritableInPlace() const
{
    return !m_image || m_image->WritableInPlace();
}

uint64_t CDisk::BytesRead() const
{
    uint64_t total = 0;
    for (const DiskVolume& v : m_volumes) total += v.volume->BytesRead();
    return total;
}
