#include <cstdlib>

#include "framework/win_app.h"

// Nothing here throws; should the run-time library ever give up, the process
// ends at once. Replacing its default handler also keeps that handler's name
// demangler out of the executable.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CWinApp* app = GetApp();
    if (!app) return 1;
    if (app->InitInstance()) app->Run();
    return app->ExitInstance();
}
