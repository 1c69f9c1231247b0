// What one input's scan or removal found and did, and its two written forms:
// text in the style of the scan log, and one JSON object per input.
#pragma once

#include "engine/core/Detection.h"
#include "engine/core/Removal.h"

#include <string>
#include <vector>

struct VolumeReport {
    uint64_t offset = 0;
    std::string fileSystem;
    std::string role;
};

struct CarrierReport {
    std::string path;
    uint64_t size = 0;
    std::string how;
};

struct InstallationReport {
    std::string where;    // the Windows folder as a path with its drive, e.g. C:\WINDOWS
    std::string family;   // "Windows 9x/ME" or "Windows NT"
    size_t volume = 0;
    std::string registryFile;
    bool registryRead = false;
    DetectionResult detection;
    std::vector<CarrierReport> carriers;
    std::vector<std::string> notChecked;
    bool removalTried = false;
    std::string removalRefused;   // why no removal was made here
    RemovalResult removal;
    std::string registryBackup;
    std::string registryEditError;
};

struct InputReport {
    std::string input;
    std::string format;
    bool removeMode = false;
    std::vector<VolumeReport> volumes;
    std::vector<InstallationReport> installations;
    std::vector<std::string> errors;
    uint64_t bytesRead = 0;

    bool Found() const;
    bool RemovalFailed() const;
    // Some part could not be read: an error, or a file that could not be opened.
    bool Incomplete() const;
    // 0 nothing found, 1 found (and, removing, all removed), 2 incomplete or a removal step failed.
    int Status() const;
    std::string Verdict() const;
};

std::string ReportText(const InputReport& report);
std::string ReportJson(const InputReport& report);
