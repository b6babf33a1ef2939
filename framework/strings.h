#pragma once
#include <windows.h>

#include <string>

// A string of the executable's string table; empty when it has none of that id.
std::wstring LoadResString(UINT id);
