#include "rescue/TskVolume.h"

#include "rescue/Mtools.h"
#include "rescue/TempFile.h"

#include <memory>

namespace {

struct FileClose {
    void operator()(TSK_FS_FILE* f) const { tsk_fs_file_close(f); }
};
struct DirClose {
    void operator()(TSK_FS_DIR* d) const { tsk_fs_dir_close(d); }
};
using FilePtr = std::unique_ptr<TSK_FS_FILE, FileClose>;
using DirPtr = std::unique_ptr<TSK_FS_DIR, DirClose>;

std::string TskPath(const std::string& path)
{
    std::string p = "/" + path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

}   // namespace

std::unique_ptr<CTskVolume> CTskVolume::Open(CDiskImage& image, uint64_t offset, std::string& error)
{
    std::unique_ptr<CTskVolume> volume(new CTskVolume(image, offset));
    if (!volume->OpenHere(error)) return nullptr;
    return volume;
}

bool CTskVolume::OpenHere(std::string& error)
{
    // Only the file systems Windows puts its files on: a detection of every
    // kind the library knows would try some that read the whole volume.
    m_fs = tsk_fs_open_img(m_image.Info(), TSK_OFF_T(m_offset), TSK_FS_TYPE_FAT_DETECT);
    if (!m_fs) {
        tsk_error_reset();
        m_fs = tsk_fs_open_img(m_image.Info(), TSK_OFF_T(m_offset), TSK_FS_TYPE_NTFS_DETECT);
    }
    if (!m_fs) {
        error = "neither FAT nor NTFS";
        tsk_error_reset();
        return false;
    }
    const char* name = tsk_fs_type_toname(m_fs->ftype);
    m_name = name ? name : "unknown";
    for (char& c : m_name) c = char(toupper(static_cast<unsigned char>(c)));
    return true;
}

CTskVolume::~CTskVolume()
{
    CloseFileSystem();
}

bool CTskVolume::Refresh()
{
    CloseFileSystem();
    std::string error;
    m_image.DropCache();
    return OpenHere(error);   // the file system's own caches (its FAT) go with it
}

VolumeEntry CTskVolume::EntryOf(TSK_FS_FILE* file, const std::string& path) const
{
    VolumeEntry e;
    e.path = path;
    if (file->meta) {
        e.size = uint64_t(file->meta->size);
        e.directory = TSK_FS_IS_DIR_META(file->meta->type);
        e.id = file->meta->addr;
        e.place = e.id;
        // A FAT directory's entries name it by its first cluster, not by
        // the entry's own number: that is what a loop repeats.
        if (e.directory && TSK_FS_TYPE_ISFAT(m_fs->ftype) && file->meta->content_ptr)
            e.place = static_cast<const TSK_DADDR_T*>(file->meta->content_ptr)[0];
    }
    return e;
}

VolumeEntry CTskVolume::Root()
{
    if (!m_fs) return CVolume::Root();
    FilePtr root(tsk_fs_file_open_meta(m_fs, nullptr, m_fs->root_inum));
    VolumeEntry e = root ? EntryOf(root.get(), "") : CVolume::Root();
    e.path.clear();
    return e;
}

bool CTskVolume::Find(const std::string& path, VolumeEntry& entry)
{
    if (!m_fs) return false;   // a write left it unreadable: nothing is there to find
    FilePtr file(tsk_fs_file_open(m_fs, nullptr, TskPath(path).c_str()));
    if (!file || !file->meta) {
        tsk_error_reset();
        return false;
    }
    // A path lookup may end on a deleted entry of that name: no file.
    if ((file->name && (file->name->flags & TSK_FS_NAME_FLAG_UNALLOC)) ||
        (file->meta->flags & TSK_FS_META_FLAG_UNALLOC))
        return false;
    entry = EntryOf(file.get(), path);
    return true;
}

bool CTskVolume::List(const std::string& directory, std::vector<VolumeEntry>& entries)
{
    DirPtr dir(!m_fs               ? nullptr
               : directory.empty() ? tsk_fs_dir_open_meta(m_fs, m_fs->root_inum)
                                   : tsk_fs_dir_open(m_fs, TskPath(directory).c_str()));
    return ListOpen(dir.get(), directory, entries, false);
}

TSK_FS_DIR* CTskVolume::OpenDirectory(const VolumeEntry& directory)
{
    if (!m_fs) return nullptr;
    // By its number: a walk never looks a path up from the root again.
    return directory.path.empty() ? tsk_fs_dir_open_meta(m_fs, m_fs->root_inum)
                                  : tsk_fs_dir_open_meta(m_fs, directory.id);
}

bool CTskVolume::List(const VolumeEntry& directory, std::vector<VolumeEntry>& entries)
{
    DirPtr dir(OpenDirectory(directory));
    return ListOpen(dir.get(), directory.path, entries, false);
}

bool CTskVolume::ListNames(const VolumeEntry& directory, std::vector<VolumeEntry>& entries)
{
    DirPtr dir(OpenDirectory(directory));
    return ListOpen(dir.get(), directory.path, entries, true);
}

bool CTskVolume::ListOpen(TSK_FS_DIR* opened, const std::string& directory, std::vector<VolumeEntry>& entries,
                          bool namesOnly)
{
    entries.clear();
    if (!opened) {
        tsk_error_reset();
        return false;
    }
    TSK_FS_DIR* dir = opened;
    const size_t count = tsk_fs_dir_getsize(dir);
    for (size_t i = 0; i < count; ++i) {
        // Names first: a file's own record is loaded only when it is read,
        // so a walk costs one load per file, as The Sleuth Kit's own does.
        const TSK_FS_NAME* name = tsk_fs_dir_get_name(dir, i);
        if (!name || !name->name || !(name->flags & TSK_FS_NAME_FLAG_ALLOC) || TSK_FS_ISDOT(name->name)) continue;
        // The Sleuth Kit's own views ($MBR, $FAT1, $OrphanFiles) are no files of the volume.
        if (name->type == TSK_FS_NAME_TYPE_VIRT || name->type == TSK_FS_NAME_TYPE_VIRT_DIR) continue;
        // A FAT volume's label is listed as an entry of the root: no file.
        const std::string text = name->name;
        const std::string label = " (Volume Label Entry)";
        if (text.size() > label.size() && text.compare(text.size() - label.size(), label.size(), label) == 0) continue;
        if (name->type == TSK_FS_NAME_TYPE_DIR) {
            FilePtr file(tsk_fs_dir_get(dir, i));
            if (file && file->meta)
                entries.push_back(EntryOf(file.get(), namesOnly ? text : JoinPath(directory, text)));
            continue;
        }
        VolumeEntry e;
        e.path = namesOnly ? text : JoinPath(directory, text);
        e.id = name->meta_addr;
        e.sized = false;
        entries.push_back(e);
    }
    tsk_error_reset();
    return true;
}

bool CTskVolume::Read(const VolumeEntry& entry, uint64_t offset, unsigned char* buffer, size_t length, size_t& got)
{
    got = 0;
    if (!m_fs) return false;
    FilePtr byPath;
    TSK_FS_FILE* file = nullptr;
    if (entry.id && !entry.directory) {
        // One file object serves every read by number: a scan reads many.
        file = tsk_fs_file_open_meta(m_fs, m_reused, entry.id);
        if (!m_reused) m_reused = file;
    } else {
        byPath.reset(tsk_fs_file_open(m_fs, nullptr, TskPath(entry.path).c_str()));
        file = byPath.get();
    }
    if (!file || !file->meta) {
        tsk_error_reset();
        return false;
    }
    if (offset >= uint64_t(file->meta->size)) return true;
    ssize_t n =
        tsk_fs_file_read(file, TSK_OFF_T(offset), reinterpret_cast<char*>(buffer), length, TSK_FS_FILE_READ_FLAG_NONE);
    if (n < 0) {
        tsk_error_reset();
        return false;
    }
    got = size_t(n);
    m_bytesRead += got;
    return true;
}

void CTskVolume::CloseFileSystem()
{
    if (m_reused) tsk_fs_file_close(m_reused);   // it belongs to the file system
    m_reused = nullptr;
    if (m_fs) tsk_fs_close(m_fs);
    m_fs = nullptr;
}

bool CTskVolume::Writable() const
{
    return m_fs && m_image.WritableInPlace() && TSK_FS_TYPE_ISFAT(m_fs->ftype);
}

bool CTskVolume::MakeDirectory(const std::string& path)
{
    if (!Writable()) return false;
    const bool ran = RunMtools({"mmd", "-i", MtoolsImage(m_image.Path(), m_offset), MtoolsPath(path)});
    VolumeEntry made;
    return Refresh() && ran && Find(path, made) && made.directory;
}

bool CTskVolume::Rename(const std::string& from, const std::string& to)
{
    VolumeEntry existing;
    if (!Writable() || Find(to, existing)) return false;
    // mtools' exit status is not the whole story (a clash it skipped is no
    // error to it): the volume as read afterwards is.
    const bool ran =
        RunMtools({"mmove", "-D", "s", "-i", MtoolsImage(m_image.Path(), m_offset), MtoolsPath(from), MtoolsPath(to)});
    VolumeEntry moved, left;
    return Refresh() && ran && Find(to, moved) && !Find(from, left);
}

bool CTskVolume::Remove(const std::string& path)
{
    if (!Writable()) return false;
    const bool ran = RunMtools({"mdel", "-i", MtoolsImage(m_image.Path(), m_offset), MtoolsPath(path)});
    VolumeEntry left;
    return Refresh() && ran && !Find(path, left);
}

bool CTskVolume::WriteNew(const std::string& path, const std::vector<unsigned char>& bytes)
{
    VolumeEntry existing;
    if (!Writable() || Find(path, existing)) return false;
    TempFile temp;
    if (!temp.Write(bytes)) return false;
    const bool ran =
        RunMtools({"mcopy", "-D", "s", "-i", MtoolsImage(m_image.Path(), m_offset), temp.Path(), MtoolsPath(path)});
    VolumeEntry written;   // its bytes are read back by whoever wrote them
    return Refresh() && ran && Find(path, written) && written.size == bytes.size();
}
