#include "tests/support/RunServicesState.h"

#include "framework/Handles.h"
#include "engine/live/RunServicesPath.h"

#include <stdexcept>

namespace kxtest {

const char* const kRunServicesPath = KX_RUNSERVICES_PATH;

namespace {

kx::RegKey OpenRunServices()
{
    kx::RegKey key;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunServicesPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                          nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot open RunServices");
    return key;
}

}   // namespace

std::vector<RegValue> RunServicesState::Values()
{
    kx::RegKey key = OpenRunServices();
    return ListValues(key.Get());
}

void RunServicesState::Clear()
{
    kx::RegKey key = OpenRunServices();
    for (const RegValue& v : Values()) ::RegDeleteValueA(key.Get(), v.name.c_str());
}

void RunServicesState::SetRaw(const std::string& name, DWORD type, const std::string& bytes)
{
    kx::RegKey key = OpenRunServices();
    if (::RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS)
        throw std::runtime_error("cannot set RunServices value " + name);
}

void RunServicesState::SetString(const std::string& name, const std::string& data)
{
    SetRaw(name, REG_SZ, data + std::string(1, '\0'));
}

RunServicesState::RunServicesState() : m_saved(Values())
{
    Clear();
}

RunServicesState::~RunServicesState()
{
    try {
        Clear();
        for (const RegValue& v : m_saved) SetRaw(v.name, v.type, v.data);
    } catch (...) {
    }
}

}   // namespace kxtest
