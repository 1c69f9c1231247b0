#include "StringList.h"

#include "Text.h"

#include <windows.h>

void CStringList::SetAt(int i, const std::string& s)
{
    if (i < 0) return;
    if (static_cast<size_t>(i) >= m_items.size()) m_items.resize(static_cast<size_t>(i) + 1);
    m_items[static_cast<size_t>(i)] = s;
}

void CStringList::RemoveAt(int i)
{
    if (i < 0 || static_cast<size_t>(i) >= m_items.size()) return;
    m_items.erase(m_items.begin() + i);
}

int CStringList::FindNoCase(const std::string& s) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (EqualsNoCase(m_items[i], s)) return static_cast<int>(i);
    return -1;
}

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    // Ordinal comparison after lower-casing in the ANSI code page, as file
    // names compare (lstrcmpi's word sort would also ignore hyphens).
    if (a.size() != b.size()) return false;
    return kx::LowerCase(a) == kx::LowerCase(b);
}

void SubtractList(const CStringList& kept, CStringList& reduced)
{
    CStringList remaining;
    for (const std::string& entry : reduced.Items())
        if (!entry.empty() && kept.FindNoCase(entry) < 0) remaining.Append(entry);
    reduced.Copy(remaining);
}
