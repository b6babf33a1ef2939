#pragma once
#include <windows.h>

#include <string>

// The work of the cache-clearing worker, traced with OutputDebugStringW.

// Deletes every entry of the URL cache but the cookies. False when the
// enumeration could not start.
bool ClearUrlCache();

// Empties folder: read-only files too; "desktop.ini" files stay, and folders
// they keep non-empty. A link (reparse point) is removed, never followed.
// False when the folder cannot be listed.
bool CleanFolder(const std::wstring& folder);
