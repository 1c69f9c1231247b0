// One input, start to end: its volumes, its installations, the detection
// rules over each, and in remove mode the removal rules where the input may
// be written.
#pragma once

#include "rescue/Report.h"

#include <string>

struct RescueOptions {
    bool remove = false;
    bool allFiles = false;
};

InputReport RunInput(const std::string& input, const RescueOptions& options);
