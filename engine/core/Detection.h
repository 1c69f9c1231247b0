// The detection pass as a value: what was found and how. A server counts as
// found only when the image of a running process carries the signature; the
// RunServices values and configuration blocks say what a removal must take.
#pragma once

#include "engine/core/ConfigRecord.h"
#include "engine/core/Machine.h"
#include "engine/core/PassHost.h"

#include <string>
#include <vector>

// At most this many configuration blocks are read in one pass.
const size_t kConfigSlots = 10;

// One RunServices value: its data as the full path of the program it starts
// (empty when none can be made) and whether that file carries the signature.
struct RunServicesFinding {
    std::string name;   // empty for the default value
    std::string data;
    std::string path;
    bool carrier = false;
};

enum class FoundBy {
    RunServices,   // started by a RunServices value from a system directory, running
    FullScan,      // found only by the scan of every running image
};

struct DetectedImage {
    std::string path;
    FoundBy how = FoundBy::FullScan;
};

// A configuration block read from a detected image, and the file it names:
// a plain name in the system directory, checked for the signature.
struct ConfigFinding {
    std::string imagePath;
    CConfigRecord record;
    std::string namedPath;   // empty when the name is no plain file name
    bool namedCarrier = false;
};

struct DetectionResult {
    bool found = false;
    std::vector<RunServicesFinding> values;
    std::vector<DetectedImage> images;   // the running server images, in the order the lists show
    std::vector<ConfigFinding> configs;
    // The names of the values that start a detected image (the default value
    // as "(Default)"), in the key's order, then the configuration records'
    // value names; a name may appear more than once.
    std::vector<std::string> valueNames;

    // Files that could not be opened, in the order tried: for the signature,
    // then for a configuration block.
    std::vector<std::string> unreadableImages;
    std::vector<std::string> unreadableConfigFiles;

    // What the two result lists show: after a detection that found the
    // server, the value names and the images; else the RunServices data as
    // full paths and whatever the signature scans left.
    std::vector<std::string> registryList;
    std::vector<std::string> processList;
};

// Runs the detection rules over a machine; signature holds kSignatureLength bytes.
DetectionResult Detect(CMachine& machine, const unsigned char* signature, CPassHost& host);

// The log text of a detection, as Kestrix.log holds it.
std::string DetectionLogText(const DetectionResult& detection);
