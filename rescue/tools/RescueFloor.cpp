// The floor the rescue scan is measured against: The Sleuth Kit's own walk
// of every volume of an image and the one read the signature needs from
// each file long enough to hold it, and nothing else (not even the search
// for orphan files, which the scan does not make either).
#include <tsk/libtsk.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

const TSK_OFF_T kOffset = 15710;
const size_t kLength = 1024;

struct Tally {
    unsigned long files = 0;
    unsigned long reads = 0;
    unsigned long long bytes = 0;
};

TSK_WALK_RET_ENUM Visit(TSK_FS_FILE* file, const char*, void* data)
{
    Tally& tally = *static_cast<Tally*>(data);
    if (!file->meta || file->meta->type != TSK_FS_META_TYPE_REG || !file->name ||
        !(file->name->flags & TSK_FS_NAME_FLAG_ALLOC))
        return TSK_WALK_CONT;
    ++tally.files;
    if (file->meta->size >= kOffset + TSK_OFF_T(kLength)) {
        char buffer[kLength];
        ssize_t n = tsk_fs_file_read(file, kOffset, buffer, kLength, TSK_FS_FILE_READ_FLAG_NONE);
        if (n > 0) {
            ++tally.reads;
            tally.bytes += size_t(n);
        }
    }
    return TSK_WALK_CONT;
}

void Walk(TSK_IMG_INFO* img, TSK_OFF_T offset, Tally& tally)
{
    // Opened as the scan opens a volume: FAT, else NTFS.
    TSK_FS_INFO* fs = tsk_fs_open_img(img, offset, TSK_FS_TYPE_FAT_DETECT);
    if (!fs) fs = tsk_fs_open_img(img, offset, TSK_FS_TYPE_NTFS_DETECT);
    if (!fs) return;
    tsk_fs_dir_walk(fs, fs->root_inum,
                    TSK_FS_DIR_WALK_FLAG_ENUM(TSK_FS_DIR_WALK_FLAG_ALLOC | TSK_FS_DIR_WALK_FLAG_RECURSE |
                                              TSK_FS_DIR_WALK_FLAG_NOORPHAN),
                    Visit, &tally);
    tsk_fs_close(fs);
}

}   // namespace

int main(int argc, char** argv)
{
    // As the scan does: a fixed time zone spares a look at /etc/localtime
    // for each FAT entry's times.
    setenv("TZ", "UTC0", 1);
    tzset();
    if (argc != 2) {
        std::fprintf(stderr, "usage: kx-rescue-floor IMAGE\n");
        return 64;
    }
    TSK_IMG_INFO* img = tsk_img_open_utf8_sing(argv[1], TSK_IMG_TYPE_DETECT, 0);
    if (!img) {
        std::fprintf(stderr, "kx-rescue-floor: %s\n", tsk_error_get());
        return 2;
    }
    Tally tally;
    if (TSK_VS_INFO* vs = tsk_vs_open(img, 0, TSK_VS_TYPE_DOS)) {
        for (TSK_PNUM_T i = 0; i < vs->part_count; ++i) {
            const TSK_VS_PART_INFO* part = tsk_vs_part_get(vs, i);
            if (part && (part->flags & TSK_VS_PART_FLAG_ALLOC)) Walk(img, part->start * vs->block_size, tally);
        }
        tsk_vs_close(vs);
    } else {
        Walk(img, 0, tally);
    }
    tsk_img_close(img);
    std::printf("files %lu reads %lu bytes %llu\n", tally.files, tally.reads, tally.bytes);
    return 0;
}
