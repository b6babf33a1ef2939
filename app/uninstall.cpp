#include "app/run_modes.h"

// Uninstalling does not exist yet: both stages end at once, exit code 0.
void RunUninstallConfirmation() {}
void RunUninstallRemoval(const std::wstring&) {}
