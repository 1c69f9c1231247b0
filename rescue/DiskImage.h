// An input opened as an image through The Sleuth Kit: raw and split raw,
// VHD, VMDK, EWF, a block device, and qcow2 through libqcow.
#pragma once

#include <tsk/libtsk.h>

#include <memory>
#include <string>

class CDiskImage {
public:
    // Null with error set when the path is no image any of them can open.
    static std::unique_ptr<CDiskImage> Open(const std::string& path, std::string& error);
    ~CDiskImage();
    CDiskImage(const CDiskImage&) = delete;
    CDiskImage& operator=(const CDiskImage&) = delete;

    TSK_IMG_INFO* Info() const { return m_info; }
    const std::string& Path() const { return m_path; }
    const std::string& Format() const { return m_format; }
    uint64_t Size() const { return uint64_t(m_info->size); }
    // A single raw file or a block device: the only inputs a removal writes to.
    bool WritableInPlace() const { return m_inPlace; }
    // Forgets what the library's read cache holds, so that what another
    // program (mtools) wrote is read. Volumes opened on the image stay valid.
    void DropCache();

private:
    CDiskImage() = default;
    bool OpenHere(std::string& error);

    std::string m_path;
    std::string m_format;
    TSK_IMG_INFO* m_info = nullptr;
    bool m_inPlace = false;
};

// The Sleuth Kit's last error as one line, and cleared.
std::string TskError();
// The qcow2 way in: an image object over libqcow; null when not qcow2.
TSK_IMG_INFO* OpenQcow(const std::string& path, std::string& error, bool& isQcow);
