// Random valid registry files from our writer: deleting any value of any key
// must leave, as libcreg reads the result, every other key and value exactly
// as it was, and nothing outside that key's record may change.
#include "rescue/CregFile.h"
#include "rescue/CregWriter.h"
#include "rescue/Registry9x.h"
#include "rescue/SystemDatEdit.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <strings.h>
#include <string>
#include <vector>

namespace {

std::string Name(FuzzedDataProvider& in, bool allowEmpty)
{
    std::string s = in.ConsumeRandomLengthString(12);
    for (char& c : s)
        if (c == '\\' || c == '\0') c = '_';
    if (s.empty() && !allowEmpty) s = "k";
    return s;
}

void Fill(FuzzedDataProvider& in, CregKey& key, int depth, std::vector<std::string>& paths, const std::string& path)
{
    const int values = in.ConsumeIntegralInRange(0, 5);
    for (int i = 0; i < values; ++i) {
        CregValue v;
        v.name = Name(in, true);
        bool dup = false;
        for (const CregValue& other : key.values) dup = dup || other.name == v.name;
        if (dup) continue;   // names are unique within a key
        v.type = in.PickValueInArray({1u, 3u, 4u});
        const std::string bytes = in.ConsumeRandomLengthString(40);
        v.data.assign(bytes.begin(), bytes.end());
        key.values.push_back(v);
    }
    key.slack = in.ConsumeIntegralInRange(0, 16);
    if (!path.empty()) paths.push_back(path);
    const int subKeys = depth < 4 ? in.ConsumeIntegralInRange(0, 3) : 0;
    for (int i = 0; i < subKeys; ++i) {
        CregKey sub;
        sub.name = Name(in, false);
        bool dup = false;
        for (const CregKey& other : key.subKeys) dup = dup || other.name == sub.name;
        if (dup) continue;
        key.subKeys.push_back(sub);
    }
    for (CregKey& sub : key.subKeys) Fill(in, sub, depth + 1, paths, path.empty() ? sub.name : path + "\\" + sub.name);
}

const CregKey* KeyAt(const CregKey& root, const std::string& path)
{
    const CregKey* key = &root;
    size_t start = 0;
    while (key && start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        const CregKey* next = nullptr;
        for (const CregKey& sub : key->subKeys)
            if (sub.name == part) next = &sub;
        key = next;
        start = end + 1;
    }
    return key;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    CregKey root;
    std::vector<std::string> paths;
    Fill(in, root, 0, paths, "");
    const size_t blockLimit = in.ConsumeIntegralInRange<size_t>(64, 0x10000);
    std::vector<unsigned char> file = WriteCreg(root, blockLimit);

    std::vector<std::string> before, after, expected;
    std::string error;
    if (!ListRegistry9x(file, before, error)) std::abort();   // our writer's files must read
    if (paths.empty()) return 0;
    const std::string path = paths[in.ConsumeIntegralInRange<size_t>(0, paths.size() - 1)];
    const CregKey* key = KeyAt(root, path);
    if (!key) std::abort();
    // Case-insensitive names could make two values one; pick a name that is unique that way.
    if (key->values.empty()) {
        std::vector<unsigned char> edited = file;
        if (DeleteCregValue(edited, path, "none") != CregEdit::NoSuchValue || edited != file) std::abort();
        return 0;
    }
    const CregValue& victim = key->values[in.ConsumeIntegralInRange<size_t>(0, key->values.size() - 1)];
    std::vector<unsigned char> edited = file;
    if (DeleteCregValue(edited, path, victim.name) != CregEdit::Deleted) std::abort();
    if (edited.size() != file.size()) std::abort();
    if (!ListRegistry9x(edited, after, error)) std::abort();
    // The first value of that name without regard to case is the one taken.
    std::string taken = victim.name;
    for (const CregValue& v : key->values)
        if (strcasecmp(v.name.c_str(), victim.name.c_str()) == 0 && v.name.size() == victim.name.size()) {
            taken = v.name;
            break;
        }
    if (!ListingWithout(before, path, taken, expected) || after != expected) std::abort();
    return 0;
}
