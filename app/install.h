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

// The places that the install writes and the uninstall removes.
// A shell folder (CSIDL_*); empty when the shell cannot name it, so that no
// caller falls back to a drive's root.
std::wstring ShellFolder(int csidl);
// The running executable's file name, after its last backslash.
std::wstring ExecutableFileName();
std::wstring DesktopShortcutName();
std::wstring GameShortcutName();
std::wstring UninstallShortcutName();
// <programs>\<publisher> and <programs>\<publisher>\<game> of the start menu.
std::wstring PublisherMenuFolder(const std::wstring& programs);
std::wstring GameMenuFolder(const std::wstring& programs);
