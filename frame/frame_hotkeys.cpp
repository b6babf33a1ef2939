// System-wide hotkeys of the frame.
#include "frame/rivedo_quva_dlg.h"
