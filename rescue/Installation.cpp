#include "rescue/Installation.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string s)
{
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r");
    size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool IsFile(CVolume& volume, const std::string& path)
{
    VolumeEntry e;
    return volume.Find(path, e) && !e.directory;
}

// The folder's name as the volume spells it.
std::string Spelled(CVolume& volume, const std::string& folder)
{
    std::vector<VolumeEntry> root;
    if (volume.List("", root))
        for (const VolumeEntry& e : root)
            if (e.directory && Lower(e.path) == Lower(folder)) return e.path;
    return folder;
}

Installation Win9x(CVolume& volume, size_t index, const std::string& folder)
{
    Installation i;
    i.volume = index;
    i.family = WindowsFamily::Win9x;
    i.folder = folder.find('\\') == std::string::npos ? Spelled(volume, folder) : folder;
    i.systemFolder = i.folder + "\\SYSTEM";
    i.registryFile = i.folder + "\\SYSTEM.DAT";
    return i;
}

}   // namespace

std::string WinDirOfMsdosSys(const std::string& text)
{
    bool paths = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            paths = Lower(line) == "[paths]";
            continue;
        }
        const size_t eq = line.find('=');
        if (!paths || eq == std::string::npos || Lower(Trim(line.substr(0, eq))) != "windir") continue;
        std::string dir = Trim(line.substr(eq + 1));
        if (dir.size() >= 2 && dir[1] == ':') dir = dir.substr(2);
        while (!dir.empty() && dir.front() == '\\') dir.erase(dir.begin());
        while (!dir.empty() && dir.back() == '\\') dir.pop_back();
        return dir;
    }
    return std::string();
}

std::vector<Installation> FindInstallations(CVolume& volume, size_t index)
{
    std::vector<Installation> found;
    std::vector<unsigned char> msdos;
    std::string winDir;
    if (volume.ReadAll("MSDOS.SYS", msdos, 64 * 1024))
        winDir = WinDirOfMsdosSys(std::string(msdos.begin(), msdos.end()));
    if (!winDir.empty() && IsFile(volume, winDir + "\\SYSTEM.DAT")) found.push_back(Win9x(volume, index, winDir));

    std::vector<VolumeEntry> root;
    volume.List("", root);
    for (const VolumeEntry& e : root) {
        if (!e.directory) continue;
        if (found.empty() && IsFile(volume, e.path + "\\SYSTEM.DAT") && IsFile(volume, e.path + "\\WIN.COM"))
            found.push_back(Win9x(volume, index, e.path));
        if (IsFile(volume, e.path + "\\System32\\config\\SOFTWARE")) {
            Installation i;
            i.volume = index;
            i.family = WindowsFamily::NT;
            i.folder = e.path;
            i.systemFolder = e.path + "\\System32";
            i.registryFile = e.path + "\\System32\\config\\SOFTWARE";
            found.push_back(i);
        }
    }
    return found;
}
