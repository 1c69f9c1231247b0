// What one server file's configuration block names: the file name under which
// the server installed itself and the RunServices value that starts it.
#pragma once

#include <string>

class CConfigRecord {
public:
    virtual ~CConfigRecord() = default;

    std::string m_strFileName;
    std::string m_strValueName;
};
