// An input as a set of volumes: the partitions of an MBR disk (primary,
// then logical, in the table's order), a single volume, or a directory where
// a volume is mounted. What cannot be read is said once, where it is.
#pragma once

#include "rescue/DiskImage.h"
#include "rescue/Volume.h"

#include <memory>
#include <string>
#include <vector>

enum class VolumeRole { Primary, Logical, Whole, Mounted };

struct DiskVolume {
    std::unique_ptr<CVolume> volume;
    VolumeRole role = VolumeRole::Whole;
    uint64_t offset = 0;
};

class CDisk {
public:
    // Null only when the input is neither a directory nor an image; errors
    // then holds why. Otherwise errors holds what parts could not be read.
    static std::unique_ptr<CDisk> Open(const std::string& input, std::vector<std::string>& errors);

    const std::string& Format() const { return m_format; }
    std::vector<DiskVolume>& Volumes() { return m_volumes; }
    // Whether a removal may write here: a directory, a raw image, a raw
    // partition or a block device.
    bool WritableInPlace() const;
    uint64_t BytesRead() const;

private:
    std::string m_format;
    std::unique_ptr<CDiskImage> m_image;
    std::vector<DiskVolume> m_volumes;
};

const char* RoleName(VolumeRole role);
