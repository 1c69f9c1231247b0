// Reading the SOFTWARE hive of an NT-family installation through libregf.
#pragma once

#include "engine/core/Machine.h"
#include "rescue/Registry9x.h"

#include <string>
#include <vector>

// The RunServices values of a SOFTWARE hive (Microsoft\Windows\CurrentVersion\RunServices).
RegistryRead ReadRunServicesNt(const std::vector<unsigned char>& file, std::vector<RunServicesValue>& values,
                               std::string& error);
