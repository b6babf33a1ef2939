// Clearing the browser cache behind the overlay.
#include "frame/rivedo_quva_dlg.h"

// The clear-cache button and tray item do nothing yet: the clearing itself is still to be built.
void CRivedo_QuvaDlg::StartCacheClearing() {}
