// The application object: one per process. Owns the message loop and its
// pre-translation chain, the counted wait cursor and the message box.
#pragma once
#include <windows.h>
#include <string>

class CWindow;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    static CWinApp* Instance() { return s_pInstance; }

    // Per-instance start-up; a start that creates no main window ends the
    // process with exit code 0.
    virtual bool InitInstance() = 0;
    // The message loop; returns the exit code of WM_QUIT.
    int Run();

    // Thread messages first, then the target window and its parents up to the
    // main window; true when one of them consumed the message.
    bool PreTranslateMessage(MSG* msg);

    CWindow* MainWindow() const { return m_pMainWnd; }
    void SetMainWindow(CWindow* wnd) { m_pMainWnd = wnd; }

    HINSTANCE ResourceInstance() const { return m_hInstance; }
    // The executable's file name without folder and extension.
    const std::string& AppName() const { return m_strAppName; }

    // The application's message box: caption = AppName(); Yes/No boxes without
    // an icon get the exclamation mark.
    int MessageBox(HWND owner, const char* text, UINT type);

    void BeginWaitCursor();
    void EndWaitCursor();

private:
    static CWinApp* s_pInstance;
    CWindow* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance;
    std::string m_strAppName;
    int m_nWaitCursorCount = 0;
    HCURSOR m_hCursorRestore = nullptr;
};
