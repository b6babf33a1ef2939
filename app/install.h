#pragma once

// Installs the running launcher for the current user: data folder, default
// settings, executable copy, shortcuts and uninstall entry.
void InstallForUser();
