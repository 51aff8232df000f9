// Thin wrapper around an HWND that can be found again from the handle.
#pragma once
#include <windows.h>

#include <string>

class CWindow {
public:
    CWindow() = default;
    virtual ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }

    // Binds an existing window without taking over its messages.
    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Detach();

    // Takes over the window's messages (they reach WindowProc) and registers
    // the object so that FromHandle and draw-item reflection find it.
    bool SubclassWindow(HWND hWnd);
    bool SubclassDlgItem(int id, HWND parent);

    static CWindow* FromHandle(HWND hWnd);
    // A window's whole text.
    static std::string TextOf(HWND hWnd);

    // Sees every message bound for this window before it is dispatched;
    // true means consumed.
    virtual bool PreTranslateMessage(MSG*) { return false; }
    // Owner-drawn controls: the parent passes WM_DRAWITEM on to the control.
    virtual void DrawItem(const DRAWITEMSTRUCT*) {}

    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, msg, wParam, lParam);
    }

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);

    void Register();
    void Unregister();

public:
    // Pixel sizes chosen on a 96 DPI screen, scaled to this screen's DPI
    // (the program is DPI-aware, so Windows no longer scales it).
    static int ScaleToScreen(int pixels);

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
    WNDPROC m_pfnSuper = nullptr;
};
