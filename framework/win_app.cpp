#include "framework/win_app.h"

#include "framework/window.h"

CWinApp* CWinApp::s_pInstance = nullptr;

CWinApp::CWinApp() : m_hInstance(::GetModuleHandleA(nullptr))
{
    s_pInstance = this;
    char path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        path[0] = '\0';
    const char* name = path;
    for (const char* p = path; *p; p = ::CharNextA(p))
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    m_strAppName = name;
    std::string::size_type dot = m_strAppName.rfind('.');
    if (dot != std::string::npos && dot > 0)
        m_strAppName.erase(dot);
}

CWinApp::~CWinApp()
{
    if (s_pInstance == this)
        s_pInstance = nullptr;
}

int CWinApp::Run()
{
    if (!m_pMainWnd)
        return 0;
    MSG msg;
    for (;;) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(msg.wParam);
        if (got == -1)
            return 0;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

bool CWinApp::PreTranslateMessage(MSG* msg)
{
    if (!msg->hwnd)
        return false;  // thread messages carry nothing for us
    HWND stop = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
        CWindow* wnd = CWindow::FromHandle(h);
        if (wnd && wnd->PreTranslateMessage(msg))
            return true;
        if (h == stop)
            break;
    }
    return false;
}

int CWinApp::MessageBox(HWND owner, const char* text, UINT type)
{
    const UINT buttons = type & MB_TYPEMASK;
    if ((type & MB_ICONMASK) == 0 && (buttons == MB_YESNO || buttons == MB_YESNOCANCEL))
        type |= MB_ICONEXCLAMATION;
    const CModalScope modal;
    return ::MessageBoxA(owner, text, m_strAppName.c_str(), type);
}

void CWinApp::LeaveModal()
{
    if (m_nModalDepth > 0 && --m_nModalDepth == 0 && m_hAfterModalTarget) {
        ::PostMessageA(m_hAfterModalTarget, m_nAfterModalMessage, 0, 0);
        m_hAfterModalTarget = nullptr;
    }
}

void CWinApp::AfterModal(HWND target, UINT message)
{
    if (m_nModalDepth == 0) {
        ::PostMessageA(target, message, 0, 0);
        return;
    }
    m_hAfterModalTarget = target;
    m_nAfterModalMessage = message;
}

void CWinApp::BeginWaitCursor()
{
    if (m_nWaitCursorCount++ == 0)
        m_hCursorRestore = ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
}

void CWinApp::EndWaitCursor()
{
    if (m_nWaitCursorCount <= 0)
        return;
    if (--m_nWaitCursorCount == 0) {
        HCURSOR arrow = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        ::SetCursor(m_hCursorRestore ? m_hCursorRestore : arrow);
        m_hCursorRestore = nullptr;
    }
}
