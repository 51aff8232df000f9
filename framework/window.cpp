#include "framework/window.h"

#include "framework/gdi_owners.h"

namespace {
const char kObjectProp[] = "KavroWindowObject";
}

CWindow::~CWindow()
{
    if (m_pfnSuper && m_hWnd && ::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        Unregister();
    }
}

HWND CWindow::Detach()
{
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    return hWnd;
}

void CWindow::Register()
{
    ::SetPropA(m_hWnd, kObjectProp, this);
}

void CWindow::Unregister()
{
    if (m_hWnd && ::GetPropA(m_hWnd, kObjectProp) == this)
        ::RemovePropA(m_hWnd, kObjectProp);
}

CWindow* CWindow::FromHandle(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    return static_cast<CWindow*>(::GetPropA(hWnd, kObjectProp));
}

bool CWindow::SubclassWindow(HWND hWnd)
{
    if (!hWnd || !::IsWindow(hWnd) || m_pfnSuper || FromHandle(hWnd))
        return false;
    m_hWnd = hWnd;
    Register();
    LONG_PTR old = ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindow::SubclassProc));
    if (!old) {
        Unregister();
        m_hWnd = nullptr;
        return false;
    }
    m_pfnSuper = reinterpret_cast<WNDPROC>(old);
    return true;
}

bool CWindow::SubclassDlgItem(int id, HWND parent)
{
    return SubclassWindow(::GetDlgItem(parent, id));
}

LRESULT CWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefaultProc(msg, wParam, lParam);
}

LRESULT CWindow::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CWindow::SubclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWindow* self = FromHandle(hWnd);
    if (!self)
        return ::DefWindowProcA(hWnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // Give the window back to its class before it goes away.
        WNDPROC super = self->m_pfnSuper;
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        self->Unregister();
        self->m_pfnSuper = nullptr;
        self->m_hWnd = nullptr;
        return ::CallWindowProcA(super, hWnd, msg, wParam, lParam);
    }
    return self->WindowProc(msg, wParam, lParam);
}

int CWindow::ScaleToScreen(int pixels)
{
    static const int dpi = [] {
        const CClientDC screen(nullptr);
        const int value = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
        return value > 0 ? value : 96;
    }();
    return ::MulDiv(pixels, dpi, 96);
}

std::string CWindow::TextOf(HWND hWnd)
{
    const int length = ::GetWindowTextLengthA(hWnd);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(hWnd, &text[0], length + 1)));
    return text;
}
