#pragma once
#include <windows.h>

#include "framework/win_app.h"

// The launcher's application object: chooses the run mode from the raw
// command line and holds GDI+ for the life of the process.
class CRivedo_QuvaApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    ULONG_PTR m_gdiplusToken = 0;
};
