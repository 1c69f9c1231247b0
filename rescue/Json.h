// A small JSON writer: objects and arrays built as text, strings escaped
// (bytes that are not UTF-8 are written as \u00XX of their code-page value).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CJson {
public:
    CJson& Begin(const char* key = nullptr) { return Open(key, '{'); }
    CJson& End() { return Close('}'); }
    CJson& BeginArray(const char* key = nullptr) { return Open(key, '['); }
    CJson& EndArray() { return Close(']'); }
    CJson& Field(const char* key, const std::string& value);
    CJson& Field(const char* key, const char* value) { return Field(key, std::string(value)); }
    CJson& Field(const char* key, uint64_t value);
    CJson& Field(const char* key, bool value);
    CJson& Null(const char* key);
    CJson& Item(const std::string& value) { return Field(nullptr, value); }
    const std::string& Text() const { return m_text; }

private:
    CJson& Open(const char* key, char bracket);
    CJson& Close(char bracket);
    void Key(const char* key);

    std::string m_text;
    std::vector<bool> m_first;
};

std::string JsonString(const std::string& s);
