#include "framework/win_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CWinApp* app = GetApp();
    if (!app) return 1;
    if (app->InitInstance()) app->Run();
    return app->ExitInstance();
}
