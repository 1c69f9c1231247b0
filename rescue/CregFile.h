// Our own reading of a 9x registry file, only as far as deleting one value
// needs it: find a key by path through the navigation entries, find a value
// in its record, and take that value out of the record the way the system
// does. Every offset and size is checked against the file: the bytes may be
// hostile. No library writes this format, so this part is ours.
#pragma once

#include <string>
#include <vector>

enum class CregEdit {
    Deleted,
    NoSuchKey,
    NoSuchValue,
    Malformed,   // the file does not hold together where the edit must look
};

// Deletes the value name (empty: the key's default value) of the key at
// path (backslash-separated, from the root; names compare without regard to
// ASCII case). On Deleted, only the key's record changed: its value count
// and used size went down, the following values moved up and the freed
// bytes at the end of the used part are zero. Anything else leaves bytes
// unchanged.
CregEdit DeleteCregValue(std::vector<unsigned char>& bytes, const std::string& keyPath, const std::string& name);

// Whether every key reachable from the root is reached once, through
// entries inside the navigation area: a loop in the sub key or sibling
// links would keep a reader walking for ever. Checked before any library
// is handed the file. False as well when the header or the navigation
// area itself cannot be read.
bool CregKeyTreeSound(const std::vector<unsigned char>& bytes);
