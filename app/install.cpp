#include "app/install.h"

// The per-user installation is not built yet.
void InstallForUser() {}
