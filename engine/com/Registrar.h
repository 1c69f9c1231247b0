// Writes and removes the registry keys of a registration script.
#pragma once

#include "engine/com/RegistrarScript.h"

#include <windows.h>

// Writes the keys in script order. On the first failure everything the script
// lists is removed again (as by UnregisterScript) and the error returned.
HRESULT RegisterScript(const std::vector<RegistrarScript>& script);

// Removes the script's keys depth first: listed named values are deleted; a
// key goes once its listed subkeys are handled, unless it is NoRemove or
// still has a subkey (one the script does not list). Missing keys are skipped,
// and so is a key whose CLSID subkey (as a ProgID has) names another class
// than the script's: another program's registration of the same name.
HRESULT UnregisterScript(const std::vector<RegistrarScript>& script);

// Parses text (after %MODULE% and the like are expanded) and registers or
// unregisters it; a malformed script gives E_FAIL and touches nothing.
HRESULT UpdateRegistryFromScript(const std::string& text, const std::map<std::string, std::string>& parameters,
                                 bool registering);
