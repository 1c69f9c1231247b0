// An ordered list of strings with index access from 0: the engine's result
// lists and its working lists.
#pragma once

#include <string>
#include <vector>

class CStringList {
public:
    int GetCount() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    const std::string& GetAt(int i) const { return m_items.at(static_cast<size_t>(i)); }

    void Append(const std::string& s) { m_items.push_back(s); }
    // Setting at or past the end grows the list with empty strings.
    void SetAt(int i, const std::string& s);
    // Later entries move down by one.
    void RemoveAt(int i);
    void RemoveAll() { m_items.clear(); }
    void Copy(const CStringList& other) { m_items = other.m_items; }

    // Keeps the entries for which keep(entry) is true, in their order; keep
    // sees every entry once, first to last.
    template <typename Keep>
    void KeepIf(Keep keep)
    {
        std::vector<std::string> kept;
        for (const std::string& entry : m_items)
            if (keep(entry)) kept.push_back(entry);
        m_items.swap(kept);
    }

    // Index of the first entry equal to s ignoring letter case, or -1.
    int FindNoCase(const std::string& s) const;

    const std::vector<std::string>& Items() const { return m_items; }

private:
    std::vector<std::string> m_items;
};

// Case-insensitive comparison of two ANSI strings (file paths, value names).
bool EqualsNoCase(const std::string& a, const std::string& b);

// Removes from reduced every entry equal (ignoring case) to an entry of kept,
// and every empty entry; the rest keeps its order.
void SubtractList(const CStringList& kept, CStringList& reduced);
