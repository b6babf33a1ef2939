#pragma once
#include <string_view>

// Orders two file version strings such as "1.0.1.0" field by field, each
// field a number, so 1.0.1.0 is newer than 1.0.0.10. Missing fields, and
// fields that do not start with digits, count as 0; a text without any
// version ("", "None VerSion Supprot") is therefore 0.0.0.0.
// Negative when a is older than b, 0 when equal, positive when newer.
int CompareVersions(std::wstring_view a, std::wstring_view b);

// Whether a version string is 0.0.0.0 by the rule above.
bool IsZeroVersion(std::wstring_view version);
