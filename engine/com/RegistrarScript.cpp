#include "engine/com/RegistrarScript.h"

#include <cctype>

namespace {

const size_t kMaxDepth = 32;   // keeps hostile nesting from exhausting the stack

struct Token {
    enum Kind { End, Name, Quoted, Equals, Open, Close } kind;
    std::string text;
};

class Parser {
public:
    explicit Parser(const std::string& text) : m_text(text) {}

    bool Parse(std::vector<RegistrarScript>& out, std::string& error)
    {
        Advance();
        while (m_token.kind != Token::End && m_error.empty()) {
            RegistrarScript root;
            if (m_token.kind != Token::Name) {
                Fail("a root key name expected");
                break;
            }
            root.rootName = m_token.text;
            Advance();
            Expect(Token::Open, "'{' after the root key");
            while (m_error.empty() && m_token.kind != Token::Close) {
                RegistrarKey key;
                if (!ParseKey(key, 1)) break;
                root.keys.push_back(std::move(key));
            }
            Expect(Token::Close, "'}' closing the root key");
            if (m_error.empty()) out.push_back(std::move(root));
        }
        if (!m_error.empty()) {
            error = m_error;
            out.clear();
            return false;
        }
        return true;
    }

private:
    bool ParseKey(RegistrarKey& key, size_t depth)
    {
        if (depth > kMaxDepth) return Fail("keys nested too deeply");
        for (;;) {
            if (m_token.kind == Token::Name && Keyword("NoRemove"))
                key.noRemove = true;
            else if (m_token.kind == Token::Name && Keyword("ForceRemove"))
                key.forceRemove = true;
            else
                break;
            Advance();
        }
        if (m_token.kind != Token::Name && m_token.kind != Token::Quoted) return Fail("a key name expected");
        if (m_token.kind == Token::Name && (Keyword("val") || Keyword("s"))) return Fail("a key name expected");
        key.name = m_token.text;
        if (key.name.empty()) return Fail("an empty key name");
        Advance();
        if (m_token.kind == Token::Equals) {
            Advance();
            std::string data;
            if (!ParseStringValue(data)) return false;
            key.values.push_back({std::string(), data});
        }
        if (m_token.kind != Token::Open) return true;
        Advance();
        while (m_error.empty() && m_token.kind != Token::Close) {
            if (m_token.kind == Token::End) return Fail("'}' expected before the end of the script");
            if (m_token.kind == Token::Name && Keyword("val")) {
                Advance();
                if (m_token.kind != Token::Name && m_token.kind != Token::Quoted) return Fail("a value name expected");
                RegistrarValue value{m_token.text, std::string()};
                Advance();
                if (!Expect(Token::Equals, "'=' after the value name")) return false;
                if (!ParseStringValue(value.data)) return false;
                key.values.push_back(value);
                continue;
            }
            RegistrarKey sub;
            if (!ParseKey(sub, depth + 1)) return false;
            key.subkeys.push_back(std::move(sub));
        }
        return Expect(Token::Close, "'}' closing a key");
    }

    bool ParseStringValue(std::string& data)
    {
        if (!(m_token.kind == Token::Name && Keyword("s"))) return Fail("only string values (s '...') are supported");
        Advance();
        if (m_token.kind != Token::Quoted) return Fail("a quoted string expected");
        data = m_token.text;
        Advance();
        return true;
    }

    bool Keyword(const char* word) const
    {
        const std::string& t = m_token.text;
        size_t n = 0;
        for (; word[n]; ++n)
            if (n >= t.size() ||
                std::tolower(static_cast<unsigned char>(t[n])) != std::tolower(static_cast<unsigned char>(word[n])))
                return false;
        return n == t.size();
    }

    bool Expect(Token::Kind kind, const char* what)
    {
        if (!m_error.empty()) return false;
        if (m_token.kind != kind) return Fail(std::string(what) + " expected");
        Advance();
        return true;
    }

    bool Fail(const std::string& message)
    {
        if (m_error.empty()) m_error = message + " (at offset " + std::to_string(m_tokenStart) + ")";
        m_token = {Token::End, std::string()};
        return false;
    }

    void Advance()
    {
        if (!m_error.empty()) return;
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
        m_tokenStart = m_pos;
        if (m_pos >= m_text.size()) {
            m_token = {Token::End, std::string()};
            return;
        }
        char c = m_text[m_pos];
        if (c == '=') {
            ++m_pos;
            m_token = {Token::Equals, "="};
        } else if (c == '}') {
            ++m_pos;
            m_token = {Token::Close, "}"};
        } else if (c == '{' &&
                   (m_pos + 1 >= m_text.size() || std::isspace(static_cast<unsigned char>(m_text[m_pos + 1])))) {
            ++m_pos;
            m_token = {Token::Open, "{"};
        } else if (c == '{') {
            // A braced name such as a GUID: up to and including its '}'.
            size_t end = m_text.find('}', m_pos);
            if (end == std::string::npos) {
                Fail("unterminated braced name");
                return;
            }
            m_token = {Token::Name, m_text.substr(m_pos, end + 1 - m_pos)};
            m_pos = end + 1;
        } else if (c == '\'') {
            std::string text;
            for (++m_pos;; ++m_pos) {
                if (m_pos >= m_text.size()) {
                    Fail("unterminated quoted string");
                    return;
                }
                if (m_text[m_pos] == '\'') {
                    if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\'') {
                        text += '\'';
                        ++m_pos;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                text += m_text[m_pos];
            }
            m_token = {Token::Quoted, text};
        } else {
            size_t start = m_pos;
            while (m_pos < m_text.size() && !std::isspace(static_cast<unsigned char>(m_text[m_pos])) &&
                   m_text[m_pos] != '=' && m_text[m_pos] != '{' && m_text[m_pos] != '}' && m_text[m_pos] != '\'')
                ++m_pos;
            m_token = {Token::Name, m_text.substr(start, m_pos - start)};
            if (m_token.text.find('\\') != std::string::npos) Fail("a key name may not hold a backslash");
        }
    }

    const std::string& m_text;
    size_t m_pos = 0;
    size_t m_tokenStart = 0;
    Token m_token{Token::End, std::string()};
    std::string m_error;
};

}   // namespace

bool ExpandRegistrarParameters(const std::string& text, const std::map<std::string, std::string>& parameters,
                               std::string& expanded, std::string& error)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        size_t end = text.find('%', i + 1);
        if (end == std::string::npos) {
            error = "unterminated parameter at offset " + std::to_string(i);
            return false;
        }
        std::string name = text.substr(i + 1, end - i - 1);
        if (name.empty()) {
            out += '%';
        } else {
            auto found = parameters.find(name);
            if (found == parameters.end()) {
                error = "unknown parameter %" + name + "%";
                return false;
            }
            out += found->second;
        }
        i = end;
    }
    expanded.swap(out);
    return true;
}

bool ParseRegistrarScript(const std::string& text, std::vector<RegistrarScript>& script, std::string& error)
{
    std::vector<RegistrarScript> parsed;
    if (!Parser(text).Parse(parsed, error)) return false;
    script.swap(parsed);
    return true;
}
