#include "app/wallpaper_app.h"

#include <windows.h>
#include <commctrl.h>

#include "app/wallpaper_dlg.h"
#include "engine/image_tools.h"

const char CWallpaperApp::kMutexName[] = "One instance ID_String";

bool CWallpaperApp::ActivateOtherInstance()
{
    HWND other = ::FindWindowA(nullptr, CWallpaperDlg::kTitle);
    ::SetForegroundWindow(other);
    return other != nullptr;
}

bool CWallpaperApp::InitInstance()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES |
                                                ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&icc);

    // Kept open for the life of the process: its existence is the lock.
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, kMutexName);
    if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ActivateOtherInstance();
        return true;
    }

    CImageTools::InitialiseLibrary();
    m_pMainDlg = new CWallpaperDlg;
    SetMainWindow(m_pMainDlg);
    if (!m_pMainDlg->Create(nullptr)) {
        SetMainWindow(nullptr);
        delete m_pMainDlg;
        m_pMainDlg = nullptr;
    }
    return true;
}
