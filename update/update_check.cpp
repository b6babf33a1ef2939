#include "update/update_check.h"

// The self-update is not built yet.
void RunUpdateCheck() {}
