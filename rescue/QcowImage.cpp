// qcow2 images are read by libqcow and handed to The Sleuth Kit through its
// hook for images of other formats.
#include "rescue/DiskImage.h"
#include "rescue/LibyalFile.h"

#include <libqcow.h>

#include <cstdlib>
#include <cstring>

// Exported by the library, though its public headers do not declare it:
// the lock tsk_img_open_external set up.
extern "C" void tsk_deinit_lock(tsk_lock_t* lock);

namespace {

struct QcowImage {
    TSK_IMG_INFO info;   // first: The Sleuth Kit sees only this part
    libqcow_file_t* file;
};

std::string QcowError(libqcow_error_t*& e)
{
    return LibyalErrorText(e, libqcow_error_sprint, libqcow_error_free);
}

ssize_t Read(TSK_IMG_INFO* img, TSK_OFF_T offset, char* buffer, size_t length)
{
    QcowImage* q = reinterpret_cast<QcowImage*>(img);
    return libqcow_file_read_buffer_at_offset(q->file, buffer, length, offset, nullptr);
}

void Close(TSK_IMG_INFO* img)
{
    QcowImage* q = reinterpret_cast<QcowImage*>(img);
    libqcow_file_close(q->file, nullptr);
    libqcow_file_free(&q->file, nullptr);
    tsk_deinit_lock(&img->cache_lock);
    img->tag = 0;
    std::free(q);
}

void Stat(TSK_IMG_INFO*, FILE* out)
{
    std::fprintf(out, "qcow2 image (libqcow)\n");
}

}   // namespace

TSK_IMG_INFO* OpenQcow(const std::string& path, std::string& error, bool& isQcow)
{
    libqcow_error_t* e = nullptr;
    isQcow = libqcow_check_file_signature(path.c_str(), &e) == 1;
    if (e) libqcow_error_free(&e);
    if (!isQcow) return nullptr;

    libqcow_file_t* file = nullptr;
    size64_t size = 0;
    if (libqcow_file_initialize(&file, &e) != 1 || libqcow_file_open(file, path.c_str(), LIBQCOW_OPEN_READ, &e) != 1 ||
        libqcow_file_get_media_size(file, &size, &e) != 1) {
        error = "qcow2 image that libqcow cannot open (" + QcowError(e) + ")";
        if (file) libqcow_file_free(&file, nullptr);
        return nullptr;
    }
    QcowImage* q = static_cast<QcowImage*>(std::calloc(1, sizeof(QcowImage)));
    if (!q) {
        libqcow_file_close(file, nullptr);
        libqcow_file_free(&file, nullptr);
        error = "out of memory";
        return nullptr;
    }
    q->file = file;
    q->info.tag = TSK_IMG_INFO_TAG;
    return tsk_img_open_external(q, TSK_OFF_T(size), 512, Read, Close, Stat);
}
