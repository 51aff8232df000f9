#include <windows.h>

#include "app/wallpaper_app.h"
#include "engine/image_tools.h"

namespace {
CWallpaperApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CWinApp* app = CWinApp::Instance();
    app->InitInstance();
    const int code = app->Run();
    CImageTools::ReleaseLibrary();
    return code;
}
