#pragma once
#include <windows.h>

#include <string>

class CWinApp;

// The entries of the run modes that the application object chooses among.

// Launcher: the player's start, modally, with its window as the main window.
void RunLauncher(CWinApp& app);

// Game host: creates the game window inside frame and makes it the main
// window. Returns true when the message loop is to run.
bool StartGameHost(CWinApp& app, HWND frame, const std::wstring& gameUrl);

// Update apply ("-d <installed path>"): replaces the installed executable with
// this one and ends the process, or returns when the launcher is to start.
void ApplyDownloadedUpdate(const std::wstring& commandLine);

// Uninstall: the confirmation stage (command line ending in "-u") and the
// removal stage ("-u <installed path>").
void RunUninstallConfirmation();
void RunUninstallRemoval(const std::wstring& commandLine);
