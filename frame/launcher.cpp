#include "app/run_modes.h"

// The game frame does not exist yet: launcher mode ends here, exit code 0.
void RunLauncher(CWinApp&) {}
