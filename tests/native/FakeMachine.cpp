#include "tests/native/FakeMachine.h"

#include "engine/core/ConfigurationBlock.h"
#include "engine/core/Signature.h"

#include <algorithm>
#include <cstring>

const unsigned char* TestSignature()
{
    static unsigned char signature[kSignatureLength];
    static bool made = false;
    if (!made) {
        for (unsigned i = 0; i < kSignatureLength; ++i) signature[i] = static_cast<unsigned char>(i * 7 + 3);
        made = true;
    }
    return signature;
}

namespace {

std::string Program(bool server, const std::string& fileName, const std::string& valueName)
{
    std::string bytes(kConfigurationOffset + kConfigurationBlockSize, '\x90');
    if (server)
        bytes.replace(kSignatureOffset, kSignatureLength, reinterpret_cast<const char*>(TestSignature()),
                      kSignatureLength);
    std::string block = std::string(3, '\0') + fileName + '\0' + "\xAA\xBB\xCC\xDD" + valueName + '\0';
    block.resize(kConfigurationBlockSize, '\0');
    bytes.replace(kConfigurationOffset, kConfigurationBlockSize, block);
    return bytes;
}

}   // namespace

std::string ServerBytes(const std::string& fileName, const std::string& valueName)
{
    return Program(true, fileName, valueName);
}

std::string CleanBytes()
{
    return Program(false, "", "");
}

std::string CFakeMachine::LowerCase(const std::string& text) const
{
    std::string lower = text;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

const RunServicesValue* CFakeMachine::Find(const std::string& name) const
{
    for (const RunServicesValue& v : values)
        if (LowerCase(v.name) == LowerCase(name)) return &v;
    return nullptr;
}

std::vector<std::string> CFakeMachine::ValueNames() const
{
    std::vector<std::string> names;
    for (const RunServicesValue& v : values) names.push_back(v.name);
    return names;
}

bool CFakeMachine::ReadRunServices(std::vector<RunServicesValue>& out)
{
    before("ReadRunServices");
    if (!keyAvailable) return false;
    out = values;
    return true;
}

ValueLookup CFakeMachine::LookUpRunServicesValue(const std::string& name, std::string& data)
{
    before("LookUpRunServicesValue");
    if (!keyAvailable) return ValueLookup::KeyUnavailable;
    const RunServicesValue* v = Find(name);
    if (!v) return ValueLookup::Missing;
    data = v->data;
    return ValueLookup::Found;
}

bool CFakeMachine::DeleteRunServicesValue(const std::string& name)
{
    before("DeleteRunServicesValue");
    if (std::find(refusedDeletes.begin(), refusedDeletes.end(), name) != refusedDeletes.end()) return false;
    const RunServicesValue* v = Find(name);
    if (!v) return false;
    values.erase(values.begin() + (v - values.data()));
    return true;
}

bool CFakeMachine::ListRunningImages(std::vector<std::string>& images)
{
    before("ListRunningImages");
    images = running;
    return true;
}

bool CFakeMachine::TerminateImage(const std::string& imagePath)
{
    before("TerminateImage");
    for (auto it = running.begin(); it != running.end(); ++it)
        if (LowerCase(*it) == LowerCase(imagePath)) {
            running.erase(it);
            return true;
        }
    return false;
}

bool CFakeMachine::ReadAt(const std::string& path, long offset, unsigned char* buffer, size_t length, size_t& got)
{
    before("ReadAt");
    got = 0;
    auto it = files.find(LowerCase(path));
    if (it == files.end() || it->second.directory || it->second.unreadable) return false;
    if (it->second.blockUnreadable && offset == kConfigurationOffset) return false;
    const std::string& bytes = it->second.bytes;
    if (static_cast<size_t>(offset) >= bytes.size()) return true;
    got = std::min(length, bytes.size() - static_cast<size_t>(offset));
    std::memcpy(buffer, bytes.data() + offset, got);
    return true;
}

FileState CFakeMachine::StateOf(const std::string& path)
{
    before("StateOf");
    auto it = files.find(LowerCase(path));
    if (it == files.end()) return FileState::Missing;
    if (it->second.directory) return FileState::Directory;
    return it->second.inUse ? FileState::InUse : FileState::Available;
}

bool CFakeMachine::Exists(const std::string& path)
{
    before("Exists");
    return Has(path);
}

bool CFakeMachine::MakeDirectory(const std::string& path)
{
    before("MakeDirectory");
    for (const std::string& refused : unmakeable)
        if (LowerCase(refused) == LowerCase(path)) return false;
    File dir;
    dir.directory = true;
    files[LowerCase(path)] = dir;
    return true;
}

MoveResult CFakeMachine::Move(const std::string& from, const std::string& to)
{
    before("Move");
    auto it = files.find(LowerCase(from));
    if (it == files.end()) return MoveResult::NotFound;
    if (it->second.fixed || Has(to)) return MoveResult::Failed;
    files[LowerCase(to)] = it->second;
    files.erase(LowerCase(from));
    return MoveResult::Moved;
}

bool CFakeMachine::Delete(const std::string& path)
{
    before("Delete");
    return files.erase(LowerCase(path)) != 0;
}
