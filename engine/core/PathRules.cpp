#include "engine/core/PathRules.h"

const char* const kDefaultValueName = "(Default)";

bool IsAbsolutePath(const std::string& path)
{
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return true;
    return path.compare(0, 2, "\\\\") == 0;   // UNC, and \\?\ and \\.\ paths
}

bool IsBareName(const std::string& path)
{
    return path.find('\\') == std::string::npos;
}

bool IsPlainFileName(const std::string& name)
{
    return !name.empty() && name.find_first_of("\\/:") == std::string::npos && name != "." && name != "..";
}

std::string FileNameOf(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FullPathOfValueData(const std::string& systemDirectory, const std::string& data)
{
    if (!IsBareName(data)) return data;
    if (systemDirectory.empty()) return std::string();
    std::string joined = systemDirectory + "\\" + data;
    return joined.size() < kMaxPath ? joined : std::string();
}

std::string QuarantineName(const std::string& name, int copy)
{
    std::string stem = name == " .exe" ? std::string("DUSKWIRE") : name;
    return copy <= 1 ? stem + ".KSX" : stem + "." + std::to_string(copy) + ".KSX";
}
