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

    // Modal loops of the program (message boxes, pop-up menus, the file
    // dialog) are counted: closing the program from inside one would destroy
    // the window under it, so a window asks to be told when the last ends.
    void EnterModal() { ++m_nModalDepth; }
    void LeaveModal();
    bool InModal() const { return m_nModalDepth > 0; }
    // Posts `message` to `target` once no modal loop runs (at once if none).
    void AfterModal(HWND target, UINT message);

private:
    static CWinApp* s_pInstance;
    CWindow* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance;
    std::string m_strAppName;
    int m_nWaitCursorCount = 0;
    int m_nModalDepth = 0;
    HWND m_hAfterModalTarget = nullptr;
    UINT m_nAfterModalMessage = 0;
    HCURSOR m_hCursorRestore = nullptr;
};

// One modal loop, counted for as long as the scope lasts.
class CModalScope {
public:
    CModalScope() { CWinApp::Instance()->EnterModal(); }
    ~CModalScope() { CWinApp::Instance()->LeaveModal(); }
    CModalScope(const CModalScope&) = delete;
    CModalScope& operator=(const CModalScope&) = delete;
};
