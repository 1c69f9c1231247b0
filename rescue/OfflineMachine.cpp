#include "rescue/OfflineMachine.h"

#include "engine/core/PathRules.h"
#include "rescue/Registry9x.h"
#include "rescue/RegistryNt.h"

#include <algorithm>
#include <cctype>

namespace {

const uint64_t kLargestRegistry = 256ull * 1024 * 1024;
const std::string kQuarantineFolder = "Infected Files";

// Whether a volume path has a "." or ".." part: a path from a suspect disk
// must not leave the volume (a mounted directory) or name its folder itself.
bool ClimbsOut(const std::string& inside)
{
    size_t start = 0;
    while (start <= inside.size()) {
        size_t end = inside.find('\\', start);
        if (end == std::string::npos) end = inside.size();
        const std::string part = inside.substr(start, end - start);
        if (part == "." || part == "..") return true;
        start = end + 1;
    }
    return false;
}

// Whether folder is top (a top-level folder) or lies in it, without regard to ASCII case.
bool InFolder(const std::string& folder, const std::string& top)
{
    if (folder.size() < top.size() || (folder.size() > top.size() && folder[top.size()] != '\\')) return false;
    for (size_t i = 0; i < top.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(folder[i])) != std::tolower(static_cast<unsigned char>(top[i])))
            return false;
    return true;
}

}   // namespace

const char* ListedByName(ListedBy how)
{
    switch (how) {
    case ListedBy::RunServicesValue: return "RunServices value";
    case ListedBy::SystemFolder: return "system folder";
    case ListedBy::WindowsFolder: return "Windows folder";
    case ListedBy::AllFiles: return "all files";
    }
    return "";
}

COfflineMachine::COfflineMachine(CDisk& disk, const Installation* installation, bool allFiles)
    : m_disk(disk), m_installation(installation), m_allFiles(allFiles)
{
    const size_t count = disk.Volumes().size();
    m_letters.assign(count, 0);
    char next = 'C';
    if (installation && installation->volume < count) m_letters[installation->volume] = next++;
    for (size_t i = 0; i < count && next <= 'Z'; ++i)
        if (!m_letters[i]) m_letters[i] = next++;
    if (installation && installation->family == WindowsFamily::Win9x)
        m_editor.reset(new CSystemDatEditor(*disk.Volumes()[installation->volume].volume, installation->registryFile));
}

size_t COfflineMachine::VolumeIndex(const CVolume* volume) const
{
    for (size_t i = 0; i < m_disk.Volumes().size(); ++i)
        if (m_disk.Volumes()[i].volume.get() == volume) return i;
    return 0;
}

char COfflineMachine::LetterOf(size_t volume) const
{
    return volume < m_letters.size() ? m_letters[volume] : 0;
}

const std::string& COfflineMachine::Backup() const
{
    static const std::string none;
    return m_editor ? m_editor->Backup() : none;
}

std::string COfflineMachine::WindowsPath(size_t volume, const std::string& inside) const
{
    return std::string(1, LetterOf(volume)) + ":\\" + inside;
}

std::string COfflineMachine::LowerCase(const std::string& text) const
{
    std::string s = text;
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

bool COfflineMachine::Resolve(const std::string& path, CVolume*& volume, std::string& inside)
{
    std::string p = path;
    if (p.compare(0, 4, "\\\\?\\") == 0) p = p.substr(4);
    const bool drive = p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' && p[2] == '\\';
    if (drive && !ClimbsOut(p.substr(3))) {
        const char letter = char(std::toupper(static_cast<unsigned char>(p[0])));
        for (size_t i = 0; i < m_letters.size(); ++i)
            if (m_letters[i] == letter) {
                volume = m_disk.Volumes()[i].volume.get();
                inside = p.substr(3);
                return true;
            }
    }
    if (std::find(m_notChecked.begin(), m_notChecked.end(), path) == m_notChecked.end()) m_notChecked.push_back(path);
    return false;
}

bool COfflineMachine::Lookup(const std::string& path, CVolume*& volume, VolumeEntry& entry)
{
    std::string inside;
    if (!Resolve(path, volume, inside)) return false;
    return volume->Find(inside, entry);
}

bool COfflineMachine::LoadRegistry()
{
    m_registryRead = false;
    m_values.clear();
    if (!m_installation) return false;
    CVolume& volume = *m_disk.Volumes()[m_installation->volume].volume;
    std::vector<unsigned char> bytes;
    if (!volume.ReadAll(m_installation->registryFile, bytes, kLargestRegistry)) {
        m_registryError = "cannot be read";
        return false;
    }
    RegistryRead read = m_installation->family == WindowsFamily::Win9x
                            ? ReadRunServices9x(bytes, m_values, m_registryError)
                            : ReadRunServicesNt(bytes, m_values, m_registryError);
    if (read == RegistryRead::Unreadable) return false;
    m_registryError.clear();
    m_registryRead = read == RegistryRead::Read;
    return true;
}

void COfflineMachine::Add(size_t volume, VolumeEntry entry, ListedBy how, size_t folder)
{
    // A walk lists each file of a volume once: only the few files listed
    // before it need an index, to keep the walk from listing them twice.
    const size_t length = 3 + (folder == kNoFolder ? 0 : m_folders[folder].size() + 1) + entry.path.size();
    if (how != ListedBy::AllFiles || m_indexedLengths.count(length)) {
        ListedFile probe{how, volume, entry, folder};
        const std::string key = LowerCase(WindowsPathOf(probe));
        if (m_listedIndex.count(key)) return;
        if (how != ListedBy::AllFiles) {
            m_listedIndex[key] = m_listed.size();
            m_indexedLengths.insert(key.size());
        }
    }
    m_listed.push_back({how, volume, std::move(entry), folder});
}

std::string COfflineMachine::InsideOf(const ListedFile& file) const
{
    return file.folder == kNoFolder ? file.entry.path : JoinPath(m_folders[file.folder], file.entry.path);
}

std::string COfflineMachine::WindowsPathOf(const ListedFile& file) const
{
    return WindowsPath(file.volume, InsideOf(file));
}

void COfflineMachine::AddFolder(size_t volume, const std::string& folder, ListedBy how)
{
    std::vector<VolumeEntry> entries;
    if (!m_disk.Volumes()[volume].volume->List(folder, entries)) {
        m_walkProblems.push_back(WindowsPath(volume, folder) + ": the folder cannot be read");
        return;
    }
    for (const VolumeEntry& e : entries)
        if (!e.directory) Add(volume, e, how);
}

void COfflineMachine::Prepare(std::vector<std::string>& errors)
{
    if (m_installation) {
        const std::string where = WindowsPath(m_installation->volume, m_installation->registryFile);
        if (!LoadRegistry()) errors.push_back(where + ": the registry file cannot be read (" + m_registryError + ")");
        const std::string system = SystemDirectory();
        for (const RunServicesValue& v : m_values) {
            const std::string path = FullPathOfValueData(system, v.data);
            CVolume* volume = nullptr;
            VolumeEntry entry;
            if (!path.empty() && Lookup(path, volume, entry) && !entry.directory)
                Add(VolumeIndex(volume), entry, ListedBy::RunServicesValue);
        }
        AddFolder(m_installation->volume, m_installation->systemFolder, ListedBy::SystemFolder);
        AddFolder(m_installation->volume, m_installation->folder, ListedBy::WindowsFolder);
    }
    if (m_allFiles)
        for (size_t i = 0; i < m_disk.Volumes().size(); ++i)
            m_disk.Volumes()[i].volume->Walk(
                [&](const std::string& folder, VolumeEntry& e) {
                    // Quarantined copies are known and cannot start: not findings again.
                    if (InFolder(folder, kQuarantineFolder)) return;
                    if (m_folders.empty() || m_folders.back() != folder) m_folders.push_back(folder);
                    Add(i, std::move(e), ListedBy::AllFiles, m_folders.size() - 1);
                },
                [&](const std::string& problem) { m_walkProblems.push_back(WindowsPath(i, "") + ": " + problem); });
    errors.insert(errors.end(), m_walkProblems.begin(), m_walkProblems.end());
}

uint64_t COfflineMachine::SizeOf(const std::string& path)
{
    CVolume* volume = nullptr;
    VolumeEntry entry;
    return Lookup(path, volume, entry) ? entry.size : 0;
}

bool COfflineMachine::Names(const ListedFile& file, const std::string& path) const
{
    const std::string& name = file.entry.path;
    const std::string* folder = file.folder == kNoFolder ? nullptr : &m_folders[file.folder];
    const size_t inside = folder ? folder->size() + 1 + name.size() : name.size();
    if (path.size() != inside + 3 || path[0] != LetterOf(file.volume) || path[1] != ':' || path[2] != '\\')
        return false;
    // Paths of one folder share their start: compared from the end, they differ at once.
    for (size_t i = name.size(); i-- > 0;)
        if (name[i] != path[path.size() - name.size() + i]) return false;
    return !folder || (path[3 + folder->size()] == '\\' && path.compare(3, folder->size(), *folder) == 0);
}

const ListedFile* COfflineMachine::ListedAs(const std::string& path) const
{
    // The passes read the files in the order they were listed: the next one
    // is nearly always the one asked for.
    for (size_t at : {m_cursor, m_cursor + 1})
        if (at < m_listed.size() && Names(m_listed[at], path)) {
            m_cursor = at;
            return &m_listed[at];
        }
    const std::string key = LowerCase(path);
    auto it = m_listedIndex.find(key);
    if (it != m_listedIndex.end()) {
        m_cursor = it->second;
        return &m_listed[it->second];
    }
    for (size_t at = 0; at < m_listed.size(); ++at)
        if (LowerCase(WindowsPathOf(m_listed[at])) == key) {
            m_cursor = at;
            return &m_listed[at];
        }
    return nullptr;
}

bool COfflineMachine::ReadRunServices(std::vector<RunServicesValue>& values)
{
    if (!m_registryRead) return false;
    values = m_values;
    return true;
}

ValueLookup COfflineMachine::LookUpRunServicesValue(const std::string& name, std::string& data)
{
    if (!m_registryRead) return ValueLookup::KeyUnavailable;
    for (const RunServicesValue& v : m_values)
        if (LowerCase(v.name) == LowerCase(name)) {
            data = v.data;
            return ValueLookup::Found;
        }
    return ValueLookup::Missing;
}

bool COfflineMachine::DeleteRunServicesValue(const std::string& name)
{
    if (!m_editor || !m_registryRead) return false;
    Changed();
    if (!m_editor->DeleteValue(name, m_editError)) return false;
    return LoadRegistry();
}

bool COfflineMachine::ListRunningImages(std::vector<std::string>& images)
{
    images.clear();
    images.reserve(m_listed.size());
    for (const ListedFile& f : m_listed) images.push_back(WindowsPathOf(f));
    return true;
}

std::string COfflineMachine::SystemDirectory()
{
    return m_installation ? WindowsPath(m_installation->volume, m_installation->systemFolder) : std::string();
}

bool COfflineMachine::ReadAt(const std::string& path, long offset, unsigned char* buffer, size_t length, size_t& got)
{
    got = 0;
    if (m_entriesCurrent && offset >= 0)
        if (const ListedFile* listed = ListedAs(path)) {
            if (listed->entry.sized && uint64_t(offset) >= listed->entry.size) return true;   // nothing there
            CVolume& volume = *m_disk.Volumes()[listed->volume].volume;
            if (volume.ReadsByPath() && listed->folder != kNoFolder) {
                VolumeEntry whole = listed->entry;
                whole.path = InsideOf(*listed);
                return volume.Read(whole, uint64_t(offset), buffer, length, got);
            }
            return volume.Read(listed->entry, uint64_t(offset), buffer, length, got);
        }
    CVolume* volume = nullptr;
    VolumeEntry entry;
    if (offset < 0 || !Lookup(path, volume, entry) || entry.directory) return false;
    return volume->Read(entry, uint64_t(offset), buffer, length, got);
}

FileState COfflineMachine::StateOf(const std::string& path)
{
    CVolume* volume = nullptr;
    VolumeEntry entry;
    if (!Lookup(path, volume, entry)) return FileState::Missing;
    return entry.directory ? FileState::Directory : FileState::Available;
}

bool COfflineMachine::Exists(const std::string& path)
{
    CVolume* volume = nullptr;
    VolumeEntry entry;
    return Lookup(path, volume, entry);
}

std::string COfflineMachine::QuarantineDirectory()
{
    return m_installation || !m_letters.empty()
               ? std::string(1, m_installation ? LetterOf(m_installation->volume) : 'C') + ":\\" + kQuarantineFolder
               : std::string();
}

std::string COfflineMachine::QuarantineDirectoryFor(const std::string& path)
{
    CVolume* volume = nullptr;
    std::string inside;
    if (!Resolve(path, volume, inside)) return QuarantineDirectory();
    return std::string(1, LetterOf(VolumeIndex(volume))) + ":\\" + kQuarantineFolder;
}

bool COfflineMachine::MakeDirectory(const std::string& path)
{
    CVolume* volume = nullptr;
    std::string inside;
    Changed();
    return Resolve(path, volume, inside) && volume->MakeDirectory(inside);
}

MoveResult COfflineMachine::Move(const std::string& from, const std::string& to)
{
    CVolume* source = nullptr;
    CVolume* target = nullptr;
    std::string a, b;
    VolumeEntry entry;
    if (!Resolve(from, source, a) || !source->Find(a, entry)) return MoveResult::NotFound;
    if (!Resolve(to, target, b)) return MoveResult::Failed;
    Changed();
    if (source == target) return source->Rename(a, b) ? MoveResult::Moved : MoveResult::Failed;
    // Across volumes the file is copied, checked, and only then deleted.
    std::vector<unsigned char> bytes, check;
    if (!source->ReadAll(a, bytes, entry.size) || !target->WriteNew(b, bytes) ||
        !target->ReadAll(b, check, entry.size) || check != bytes)
        return MoveResult::Failed;
    return source->Remove(a) ? MoveResult::Moved : MoveResult::Failed;
}

bool COfflineMachine::Delete(const std::string& path)
{
    CVolume* volume = nullptr;
    std::string inside;
    Changed();
    return Resolve(path, volume, inside) && volume->Remove(inside);
}
