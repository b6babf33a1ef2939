#pragma once
#include <string>

// Installs the running launcher for the current user: data folder, default
// settings, executable copy, shortcuts and uninstall entry. COM must be
// initialised on the calling thread.
void InstallForUser();

// Saves a shell link folder\fileName to target with arguments; with
// uninstallIcon its icon is <target's folder>\res\uninstall.ico. True when saved.
bool CreateShortcut(const std::wstring& target, const std::wstring& arguments, const std::wstring& folder,
                    const std::wstring& fileName, bool uninstallIcon);
