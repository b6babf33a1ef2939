#pragma once
#include <string>

// Whether a downloaded file may be started as the new launcher: a PE
// executable for the machine this launcher runs on and, when this launcher
// carries an Authenticode signature, validly signed by the same subject. An
// unsigned launcher accepts unsigned updates. reason says why not.
bool MayStartUpdate(const std::wstring& path, std::wstring& reason);
