#include "rescue/SystemDatEdit.h"

#include "rescue/CregFile.h"
#include "rescue/Registry9x.h"

#include <strings.h>

namespace {

const uint64_t kLargestRegistry = 64ull * 1024 * 1024;

std::string Directory(const std::string& path)
{
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}   // namespace

bool ListingWithout(const std::vector<std::string>& listing, const std::string& keyPath, const std::string& name,
                    std::vector<std::string>& expected)
{
    const std::string prefix = "\\" + keyPath + "\t";
    expected.clear();
    bool removed = false;
    for (const std::string& line : listing) {
        if (!removed && line.size() > prefix.size() + name.size() &&
            strncasecmp(line.c_str(), prefix.c_str(), prefix.size()) == 0 &&
            strncasecmp(line.c_str() + prefix.size(), name.c_str(), name.size()) == 0 &&
            line[prefix.size() + name.size()] == '\t') {
            removed = true;
            continue;
        }
        expected.push_back(line);
    }
    return removed;
}

bool CSystemDatEditor::Read(std::vector<unsigned char>& bytes)
{
    return m_volume.ReadAll(m_file, bytes, kLargestRegistry);
}

std::string CSystemDatEditor::FreeName(const char* stem)
{
    const std::string dir = Directory(m_file);
    for (int n = 1; n < 1000; ++n) {
        std::string candidate = (dir.empty() ? std::string() : dir + "\\") + stem + std::to_string(n);
        VolumeEntry e;
        if (!m_volume.Find(candidate, e)) return candidate;
    }
    return std::string();
}

bool CSystemDatEditor::MakeBackup(const std::vector<unsigned char>& original, std::string& error)
{
    const std::string name = FreeName("SYSTEM.KX");
    std::vector<unsigned char> check;
    if (name.empty() || !m_volume.WriteNew(name, original) || !m_volume.ReadAll(name, check, kLargestRegistry) ||
        check != original) {
        error = "the copy of " + m_file + " could not be made";
        return false;
    }
    m_backup = name;
    return true;
}

bool CSystemDatEditor::DeleteValue(const std::string& name, std::string& error)
{
    std::vector<unsigned char> original;
    if (!Read(original)) {
        error = m_file + " cannot be read";
        return false;
    }
    std::vector<std::string> before, expected, after;
    std::string why;
    if (!ListRegistry9x(original, before, why)) {
        error = m_file + " cannot be read whole (" + why + ")";
        return false;
    }
    if (!ListingWithout(before, kRunServicesKey, name, expected)) {
        error = "the value is not in " + m_file;
        return false;
    }
    std::vector<unsigned char> edited = original;
    if (DeleteCregValue(edited, kRunServicesKey, name) != CregEdit::Deleted || !ListRegistry9x(edited, after, why) ||
        after != expected) {
        error = "the edit of " + m_file + " does not hold every other key and value";
        return false;
    }
    if (m_backup.empty() && !MakeBackup(original, error)) return false;

    const std::string temp = FreeName("SYSTEM.KT");
    std::vector<unsigned char> check;
    if (temp.empty() || !m_volume.WriteNew(temp, edited) || !m_volume.ReadAll(temp, check, kLargestRegistry) ||
        check != edited || !ListRegistry9x(check, after, why) || after != expected) {
        if (!temp.empty()) m_volume.Remove(temp);
        error = "the edited " + m_file + " did not read back as written";
        return false;
    }
    // The original is safe in the copy: only now does it make way.
    if (!m_volume.Remove(m_file) || !m_volume.Rename(temp, m_file) || !Read(check) || check != edited) {
        error = m_file + " could not be replaced (the original is kept as " + m_backup + ", the edit as " + temp + ")";
        return false;
    }
    return true;
}
