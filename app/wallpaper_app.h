// The application object: single instance, then the hidden main window.
#pragma once
#include "framework/win_app.h"

class CWallpaperDlg;

class CWallpaperApp : public CWinApp {
public:
    static const char kMutexName[];

    bool InitInstance() override;
    // Brings the running instance's window forward; true when one runs.
    static bool ActivateOtherInstance();

private:
    CWallpaperDlg* m_pMainDlg = nullptr;
};
