#include "rescue/DiskImage.h"

#include <sys/stat.h>

std::string TskError()
{
    const char* text = tsk_error_get();
    std::string s = text ? text : "unknown error";
    tsk_error_reset();
    for (char& c : s)
        if (c == '\n') c = ' ';
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::unique_ptr<CDiskImage> CDiskImage::Open(const std::string& path, std::string& error)
{
    std::unique_ptr<CDiskImage> image(new CDiskImage);
    image->m_path = path;
    if (!image->OpenHere(error)) return nullptr;
    return image;
}

bool CDiskImage::OpenHere(std::string& error)
{
    bool isQcow = false;
    m_info = OpenQcow(m_path, error, isQcow);
    if (isQcow) {
        m_format = "qcow2";
        return m_info != nullptr;
    }
    m_info = tsk_img_open_utf8_sing(m_path.c_str(), TSK_IMG_TYPE_DETECT, 0);
    if (!m_info) {
        error = "not a disk image The Sleuth Kit can open (" + TskError() + ")";
        return false;
    }
    struct stat st {};
    const bool device = stat(m_path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
    switch (m_info->itype) {
    case TSK_IMG_TYPE_RAW:
        m_format = device ? "block device" : m_info->num_img > 1 ? "split raw" : "raw";
        m_inPlace = m_info->num_img == 1;
        break;
    case TSK_IMG_TYPE_EWF_EWF: m_format = "EWF"; break;
    case TSK_IMG_TYPE_VMDK_VMDK: m_format = "VMDK"; break;
    case TSK_IMG_TYPE_VHD_VHD: m_format = "VHD"; break;
    default: m_format = tsk_img_type_toname(m_info->itype); break;
    }
    return true;
}

void CDiskImage::DropCache()
{
    // One thread reads an image at a time, so the cache's lock is not needed.
    for (int i = 0; i < TSK_IMG_INFO_CACHE_NUM; ++i) {
        m_info->cache_len[i] = 0;
        m_info->cache_age[i] = 0;
    }
}

CDiskImage::~CDiskImage()
{
    if (m_info) tsk_img_close(m_info);
}
