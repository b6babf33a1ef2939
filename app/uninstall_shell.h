#pragma once
#include <string>

// The shell side of the uninstall's removal stage.

// Deletes one file, or one folder with everything in it, through the shell:
// silently, without questions, into the Recycle Bin where the volume has one.
bool ShellDeletePath(const std::wstring& path);

// Tells the shell that path was removed and that its parent folder changed;
// path is left shortened to that parent folder.
void NotifyShellRemoved(std::wstring& path);

// ShellDeletePath, then NotifyShellRemoved on success.
bool DeleteAndNotify(const std::wstring& path);

// True when the folder holds nothing but "." and "..", and also when it cannot
// be listed at all (for instance because it does not exist).
bool IsFolderEmpty(const std::wstring& folder);
