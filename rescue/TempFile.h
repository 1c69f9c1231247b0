// A file of our own in the temporary directory, removed with the object.
#pragma once

#include <string>
#include <vector>

// A file of our own in the temporary directory, removed with the object.
class TempFile {
public:
    TempFile();
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    bool Write(const std::vector<unsigned char>& bytes);
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_inMemory = false;
};
