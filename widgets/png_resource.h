#pragma once
#include <windows.h>

// The bytes of a "PNG" resource of this executable; false when it is missing,
// empty or cannot be loaded.
bool FindPngResource(UINT id, const void*& bytes, DWORD& size);
