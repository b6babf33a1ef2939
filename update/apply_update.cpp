#include "app/run_modes.h"

// Applying an update does not exist yet: the process goes on as the launcher.
void ApplyDownloadedUpdate(const std::wstring&) {}
