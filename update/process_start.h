#pragma once
#include <windows.h>

#include <string>

// Starts application the way both steps of an update hand over: the given
// command line (none when null), the caller's environment and directory.
// False, with the system error code in error, when it did not start.
bool StartHandOver(const std::wstring& application, const std::wstring* commandLine, DWORD& error);

// The process start, replaceable where a test must make it fail.
extern decltype(&CreateProcessW) g_updateCreateProcess;
