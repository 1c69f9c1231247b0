// The removal pass as a value: it takes only what a detection verified.
// Processes are ended, then RunServices values deleted, then files moved
// into quarantine; the first phase that fails ends the pass.
#pragma once

#include "engine/core/Detection.h"
#include "engine/core/Machine.h"
#include "engine/core/PassHost.h"

#include <string>
#include <vector>

// One thing the removal did or declined to do, in the order it happened.
struct RemovalEvent {
    enum Kind {
        Started,
        TerminationFailed,
        Terminated,
        ValueMissing,      // subject: a value name that is not there, beside a default value
        ValueLeftAlone,    // its data names no file that carries the signature
        ValueNotDeleted,   // the system refused to delete it
        RegistryCleanFailed,
        RegistryCleaned,
        DirectoryFailed,    // subject: the quarantine directory with its final backslash
        NotPlainFileName,   // subject: a configuration block's file name
        FileLeftAlone,      // subject: a path that does not carry the signature
        FileNotFound,       // subject: a path that vanished under the move
        RenameHalted,       // subject: the path that could not be moved
        FilesQuarantined,
    };
    Kind kind;
    std::string subject;
};

struct QuarantinedFile {
    std::string from;
    std::string to;
};

struct RemovalResult {
    bool succeeded = false;
    std::vector<RemovalEvent> events;
    std::vector<std::string> terminated;
    std::vector<std::string> deletedValues;   // "(Default)" for the default value
    std::vector<QuarantinedFile> quarantined;
    // The process list as the removal leaves it: the detected images, the
    // configuration blocks' file names, then "windll.dll".
    std::vector<std::string> processList;
};

// Runs the removal rules over what detection found; fills result as it goes,
// so a pass that stops half-way (an exception) still says what it did.
// signature holds kSignatureLength bytes.
void Remove(CMachine& machine, const DetectionResult& detection, const unsigned char* signature, CPassHost& host,
            RemovalResult& result);

// The log text of one event, as Kestrix.log holds it.
std::string RemovalLogText(const RemovalEvent& event);
