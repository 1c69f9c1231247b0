// Fuzzes the registrar script: parameter expansion, then the parse. A
// rejected script leaves nothing behind.
#include "engine/com/RegistrarScript.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

size_t CountKeys(const std::vector<RegistrarKey>& keys)
{
    size_t n = keys.size();
    for (const RegistrarKey& k : keys) n += CountKeys(k.subkeys);
    return n;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string expanded, error;
    if (!ExpandRegistrarParameters(text, {{"MODULE", "C:\\PROGRA~1\\Kestrix\\it''s.dll"}}, expanded, error)) {
        if (error.empty()) std::abort();
        expanded = text;   // parse the raw text all the same
    }
    std::vector<RegistrarScript> script;
    error.clear();
    if (ParseRegistrarScript(expanded, script, error)) {
        size_t keys = 0;
        for (const RegistrarScript& root : script) keys += CountKeys(root.keys);
        if (keys > expanded.size()) std::abort();   // every key costs at least one character
    } else if (!script.empty() || error.empty()) {
        std::abort();
    }
    return 0;
}
