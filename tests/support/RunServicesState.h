// Puts the RunServices key into the state a test needs and restores what was
// there before (a new prefix holds a "winemenubuilder" value) afterwards.
#pragma once

#include "tests/support/TestSupport.h"

#include <windows.h>

#include <string>
#include <vector>

namespace kxtest {

extern const char* const kRunServicesPath;

class RunServicesState {
public:
    // Saves the key's values and empties it.
    RunServicesState();
    ~RunServicesState();
    RunServicesState(const RunServicesState&) = delete;
    RunServicesState& operator=(const RunServicesState&) = delete;

    // Sets a string value ("" is the default value); data without terminator.
    static void SetString(const std::string& name, const std::string& data);
    static void SetRaw(const std::string& name, DWORD type, const std::string& bytes);
    static std::vector<RegValue> Values();
    static void Clear();

private:
    std::vector<RegValue> m_saved;
};

}   // namespace kxtest
