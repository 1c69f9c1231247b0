// Deleting one RunServices value from an installation's SYSTEM.DAT in place,
// so that nothing can be lost: the original is first copied beside it under
// a name never used before; the edited file is written under a temporary
// name, read back and compared by libcreg with the original (every key and
// value but the deleted one, byte for byte) before it takes the original's
// place, and is read back once more there.
#pragma once

#include "rescue/Volume.h"

#include <string>
#include <vector>

class CSystemDatEditor {
public:
    CSystemDatEditor(CVolume& volume, const std::string& registryFile) : m_volume(volume), m_file(registryFile) {}

    // Deletes the value (empty name: the default value). error says which step failed.
    bool DeleteValue(const std::string& name, std::string& error);
    // The copy of the original made by the first edit; empty before.
    const std::string& Backup() const { return m_backup; }
    // The file as it is now.
    bool Read(std::vector<unsigned char>& bytes);

private:
    bool MakeBackup(const std::vector<unsigned char>& original, std::string& error);
    std::string FreeName(const char* stem);

    CVolume& m_volume;
    std::string m_file;
    std::string m_backup;
};

// The file's listing with one value taken out: what the edited file must
// list. False when the listing has no such value.
bool ListingWithout(const std::vector<std::string>& listing, const std::string& keyPath, const std::string& name,
                    std::vector<std::string>& expected);
