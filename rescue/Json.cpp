#include "rescue/Json.h"

#include <cstdio>

std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c >= 0x80) {
                // Names on these disks are code-page text: each byte its own character.
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

void CJson::Key(const char* key)
{
    if (!m_first.empty()) {
        if (!m_first.back()) m_text += ',';
        m_first.back() = false;
    }
    if (key) m_text += JsonString(key) + ":";
}

CJson& CJson::Open(const char* key, char bracket)
{
    Key(key);
    m_text += bracket;
    m_first.push_back(true);
    return *this;
}

CJson& CJson::Close(char bracket)
{
    m_text += bracket;
    m_first.pop_back();
    return *this;
}

CJson& CJson::Field(const char* key, const std::string& value)
{
    Key(key);
    m_text += JsonString(value);
    return *this;
}

CJson& CJson::Field(const char* key, uint64_t value)
{
    Key(key);
    m_text += std::to_string(value);
    return *this;
}

CJson& CJson::Field(const char* key, bool value)
{
    Key(key);
    m_text += value ? "true" : "false";
    return *this;
}

CJson& CJson::Null(const char* key)
{
    Key(key);
    m_text += "null";
    return *this;
}
