#pragma once
#include <string>

// Unpacks the embedded default settings (resource "ZIP" 269) into
// dataFolder\res once per user, recorded by [Setting] start=1001 in the
// settings file. An existing settings file is never overwritten; the other
// entries are replaced. dataFolder has no trailing backslash, must exist, and
// must be the data folder GetDataFolder() names, since the marker is read and
// written through ReadSetting/WriteSetting. Failures pass silently.
void ExtractDefaultSettings(const std::wstring& dataFolder);
