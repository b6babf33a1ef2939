#pragma once

// Asks the version server once whether a newer launcher exists and, when one
// does, downloads it and hands over to it (the process then ends inside).
void RunUpdateCheck();
