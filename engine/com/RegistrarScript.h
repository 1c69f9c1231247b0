// The registration script of the engine DLL: a tree of registry keys under a
// root, in the registrar script form:
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {guid} = s 'Description'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// "= s 'text'" sets a key's default value, "val Name = s 'text'" a named one
// (a quote inside text is doubled), NoRemove keys are never removed and
// ForceRemove keys are removed whole before they are written. Parsing is
// free of Win32 types (the fuzzer builds it natively) and rejects anything
// else with a message; it never half-builds a tree.
#pragma once

#include <map>
#include <string>
#include <vector>

struct RegistrarValue {
    std::string name;   // empty for the default value
    std::string data;
};

struct RegistrarKey {
    std::string name;
    bool noRemove = false;
    bool forceRemove = false;
    std::vector<RegistrarValue> values;   // in script order
    std::vector<RegistrarKey> subkeys;    // in script order
};

struct RegistrarScript {
    std::string rootName;   // "HKCR" and the like, as written
    std::vector<RegistrarKey> keys;
};

// Replaces each %NAME% with its value (%% stands for a single %); false, with
// a message, for an unknown or unterminated parameter.
bool ExpandRegistrarParameters(const std::string& text, const std::map<std::string, std::string>& parameters,
                               std::string& expanded, std::string& error);

// Parses one or more root blocks of a script; false, with a message, for a
// malformed script (script then stays empty).
bool ParseRegistrarScript(const std::string& text, std::vector<RegistrarScript>& script, std::string& error);
