// How the passes read paths and names: which are absolute, which name a file
// in the system directory, and what a quarantined file is called.
#pragma once

#include <string>

// The platform's path limit, terminator included.
const size_t kMaxPath = 260;

// The name the system gives the default value in listings.
extern const char* const kDefaultValueName;   // "(Default)"

// A drive path (C:\...), a UNC path (\\server\share\...) or a \\?\ path.
bool IsAbsolutePath(const std::string& path);
// No directory at all: a file of the system directory.
bool IsBareName(const std::string& path);
// A file name with no directory, drive or way up ("." and ".." are none).
bool IsPlainFileName(const std::string& name);
// The part after the last backslash (all of it when there is none).
std::string FileNameOf(const std::string& path);

// A RunServices value's data as the path of the program it starts: data
// without a backslash is a file in the system directory. Empty when the
// system directory is unknown or the joined path would not fit kMaxPath.
std::string FullPathOfValueData(const std::string& systemDirectory, const std::string& data);

// The quarantine name of the copy-th file of this name in one pass, from 1:
// name.KSX (" .exe" is DUSKWIRE.KSX), then name.2.KSX, DUSKWIRE.2.KSX, ...
std::string QuarantineName(const std::string& name, int copy);
