// Where a volume holds Windows: a 9x/ME folder (MSDOS.SYS's [Paths] WinDir,
// else a top-level folder with SYSTEM.DAT and WIN.COM) or an NT-family one
// (a folder with System32\config\SOFTWARE).
#pragma once

#include "rescue/Volume.h"

#include <string>
#include <vector>

enum class WindowsFamily { Win9x, NT };

struct Installation {
    size_t volume = 0;   // index in the disk's volumes
    WindowsFamily family = WindowsFamily::Win9x;
    std::string folder;         // volume path of the Windows folder, e.g. WINDOWS
    std::string systemFolder;   // WINDOWS\SYSTEM or WINNT\System32
    std::string registryFile;   // WINDOWS\SYSTEM.DAT or WINNT\System32\config\SOFTWARE
};

std::vector<Installation> FindInstallations(CVolume& volume, size_t index);

// The WinDir of an MSDOS.SYS text, as a volume path (the drive taken off);
// empty when the text names none.
std::string WinDirOfMsdosSys(const std::string& text);
